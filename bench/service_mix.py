"""The honest clients of the service benchmarks: their request mix, mostly reads, as the program
asks (a list at every activation, details at every choice), some adds, log entries and updates;
and the clients themselves, run in threads, each request timed."""
import random
import subprocess
import threading
import time
import urllib.parse


def enc(text):
    """A page and query as the program puts them on the wire: Windows-1255, percent-encoded."""
    return urllib.parse.quote(text.encode("cp1255"), safe="=&*+:/@?")


def add_account(service, db, email, name):
    """A new account in the database; its number."""
    return subprocess.run([service, "add-account", "--db", db, "--email", email, "--name", name],
                          input="pw\n", capture_output=True, text=True, check=True).stdout.strip()


def start_service(service, db, *options):
    """zivron-service serving `db` on a free loopback port: the process and its port."""
    proc = subprocess.Popen([service, "serve", "--db", db, "--port", "0", *options],
                            stdout=subprocess.PIPE, text=True)
    return proc, int(proc.stdout.readline().strip().rsplit(":", 1)[1])


def honest_path(rnd, n, i, account, numbers, pairs, name):
    k = rnd.random()
    if k < 0.55:
        return "KoreMosadot.asp?Mis=" + account
    if k < 0.8:
        # in the owner's name, as the program asks: details are their owner's alone
        return "KorePerateyMosad.asp?Mis=%s&IP1=%s&FX=%s" % (rnd.choice(numbers), account, name)
    if k < 0.85:
        return "HosefMosad.asp?MD=לקוח %d-%d%s" % (n, i, pairs)
    if k < 0.95:
        return "AdkenYomanPeilut.asp?MD=%s&MD1=%s&RH=05:30:12&TL=זיכויים" % (name, account)
    return "AdkenMosad.asp?Mis=%s&MD=עודכן%s" % (rnd.choice(numbers), pairs)


def run_honest(clients, total, connect, get, account, numbers, pairs, name):
    """Runs the honest clients to the end: (latencies in seconds, failed paths, seconds taken)."""
    latencies, errors = [], []
    lock = threading.Lock()

    def client(n):
        rnd = random.Random(n)
        c = connect()
        mine = []
        for i in range(total // clients):
            path = honest_path(rnd, n, i, account, numbers, pairs, name)
            t0 = time.perf_counter()
            try:
                status, body = get(c, path)
                ok = status == 200 and body not in ("", "eject")
            except Exception:
                ok = False
                c = connect()
            mine.append(time.perf_counter() - t0)
            if not ok:
                with lock:
                    errors.append(path)
        with lock:
            latencies.extend(mine)

    t0 = time.perf_counter()
    threads = [threading.Thread(target=client, args=(n,)) for n in range(clients)]
    for t in threads:
        t.start()
    for t in threads:
        t.join()
    return sorted(latencies), errors, time.perf_counter() - t0
