#!/usr/bin/python3
"""zivron-service under attack on loopback: bench/service_load.py's honest clients (same request
mix, from 127.0.0.1) while, at the same time, 640 idle connections (16 from each of 40
addresses), 16 slow senders, 8 clients guessing institution numbers and 12 guessing passwords run
from other loopback addresses. Prints the
honest clients' requests per second, errors and p99, and the service's peak memory.

    /usr/bin/python3 bench/service_attack.py build-rel/server/zivron-service
"""
import http.client
import os
import random
import socket
import sys
import tempfile
import threading
import time

from service_mix import add_account, enc, run_honest, start_service

service = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-rel/server/zivron-service")
folder = tempfile.mkdtemp(prefix="zivron-attack-")
db = os.path.join(folder, "service.db")
NAME = "עמותת עומס"
TOTAL, CLIENTS = 20000, 8



account = add_account(service, db, "load@example.org", NAME)
proc, port = start_service(service, db, "--max-institutions", "100000")


def connect(source="127.0.0.1", timeout=10):
    return http.client.HTTPConnection("127.0.0.1", port, timeout=timeout, source_address=(source, 0))


def get(conn, path):
    conn.request("GET", "/" + enc(path))
    r = conn.getresponse()
    return r.status, r.read().decode("cp1255")


conn = connect()
pairs = "&RH=12345678&BA=54321&YI=x&TL=x&IP1=%s&FX=%s" % (account, NAME)
for i in range(20):
    get(conn, "HosefMosad.asp?MD=מוסד %d%s" % (i, pairs))
numbers = [r.split("*")[1] for r in get(conn, "KoreMosadot.asp?Mis=" + account)[1].split("+")[1:]]

stop = threading.Event()
attack_counts = {"idle": 0, "slow": 0, "guesses": 0, "passwords": 0}


def idle(source):
    socks = []
    while not stop.is_set():
        socks = [s for s in socks if s.fileno() >= 0]
        while len(socks) < 16 and not stop.is_set():
            try:
                socks.append(socket.create_connection(("127.0.0.1", port), timeout=2,
                                                      source_address=(source, 0)))
                attack_counts["idle"] += 1
            except OSError:
                break
        time.sleep(0.5)
        for s in list(socks):  # the service closes them at its deadline; open them again
            try:
                s.setblocking(False)
                if s.recv(1) == b"":
                    s.close()
            except BlockingIOError:
                pass
            except OSError:
                s.close()
    for s in socks:
        s.close()


def slow(source):
    while not stop.is_set():
        try:
            s = socket.create_connection(("127.0.0.1", port), timeout=2, source_address=(source, 0))
            for c in b"GET /KoreMosadot.asp?Mis=1 HTTP/1.1\r\n":
                if stop.is_set():
                    break
                s.send(bytes([c]))
                attack_counts["slow"] += 1
                time.sleep(1)
            s.close()
        except OSError:
            time.sleep(0.2)


def guesser(source, n):
    rnd = random.Random(n)
    while not stop.is_set():
        try:
            c = connect(source, timeout=2)
            while not stop.is_set():
                get(c, "KorePerateyMosad.asp?Mis=%d" % rnd.randint(1, 2**31 - 1))
                attack_counts["guesses"] += 1
        except Exception:
            time.sleep(0.05)


def password_guesser(source, n):
    while not stop.is_set():
        try:
            c = connect(source, timeout=5)
            while not stop.is_set():
                get(c, "KoreSismaManuy.asp?Mis=load@example.org&Sis=guess%d" % random.randint(0, 10**9))
                attack_counts["passwords"] += 1
        except Exception:
            time.sleep(0.05)


attackers = [threading.Thread(target=idle, args=("127.0.1.%d" % (2 + i),)) for i in range(40)]
attackers += [threading.Thread(target=slow, args=("127.0.0.%d" % (10 + i // 8),)) for i in range(16)]
attackers += [threading.Thread(target=guesser, args=("127.0.0.%d" % (20 + i), i)) for i in range(8)]
attackers += [threading.Thread(target=password_guesser, args=("127.0.2.%d" % (2 + i), i)) for i in range(12)]
for t in attackers:
    t.start()
time.sleep(1.5)  # the attack is under way before the honest clients come

latencies, errors, elapsed = run_honest(CLIENTS, TOTAL, connect, get, account, numbers, pairs,
                                         NAME)
with open("/proc/%d/status" % proc.pid) as f:
    peak = [line.split()[1] for line in f if line.startswith("VmHWM")][0]
stop.set()
for t in attackers:
    t.join()
proc.terminate()
proc.wait()
p99 = latencies[int(len(latencies) * 0.99)] * 1000
print("attack: %(idle)d idle connections opened, %(slow)d slow bytes, %(guesses)d number guesses, "
      "%(passwords)d password guesses" % attack_counts)
print("honest: %d requests from %d clients in %.2f s: %.0f requests/s, %d errors, p99 %.1f ms"
      % (len(latencies), CLIENTS, elapsed, len(latencies) / elapsed, len(errors), p99))
print("service peak memory: %.1f MB" % (int(peak) / 1024))
if errors:
    print("first errors:", errors[:5])
sys.exit(1 if errors else 0)
