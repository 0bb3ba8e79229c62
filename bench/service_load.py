#!/usr/bin/python3
"""Load on zivron-service over loopback: 20,000 mixed requests from 8 concurrent clients, then
a kill -9 in the middle of a run of adds, after which every add answered "ok" must be there.

    /usr/bin/python3 bench/service_load.py build-rel/server/zivron-service
"""
import http.client
import os
import signal
import sys
import tempfile
import threading
import time

from service_mix import add_account, enc, run_honest, start_service

service = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-rel/server/zivron-service")
folder = tempfile.mkdtemp(prefix="zivron-load-")
db = os.path.join(folder, "service.db")
NAME = "עמותת עומס"



def start():
    return start_service(service, db, "--max-institutions", "100000")


account = add_account(service, db, "load@example.org", NAME)
proc, port = start()


def get(conn, path):
    conn.request("GET", "/" + enc(path))
    r = conn.getresponse()
    return r.status, r.read().decode("cp1255")


conn = http.client.HTTPConnection("127.0.0.1", port)
pairs = "&RH=12345678&BA=54321&YI=x&TL=x&IP1=%s&FX=%s" % (account, NAME)
for i in range(20):
    get(conn, "HosefMosad.asp?MD=מוסד %d%s" % (i, pairs))
listing = get(conn, "KoreMosadot.asp?Mis=" + account)[1]
numbers = [r.split("*")[1] for r in listing.split("+")[1:]]

TOTAL, CLIENTS = 20000, 8
latencies, errors, elapsed = run_honest(
    CLIENTS, TOTAL, lambda: http.client.HTTPConnection("127.0.0.1", port), get, account, numbers,
    pairs, NAME)
p99 = latencies[int(len(latencies) * 0.99)] * 1000
print("requests: %d from %d clients in %.2f s: %.0f requests/s, %d errors, p99 %.1f ms"
      % (len(latencies), CLIENTS, elapsed, len(latencies) / elapsed, len(errors), p99))

# kill -9 during a run of adds
answered = []
stop = threading.Event()


def adder():
    c = http.client.HTTPConnection("127.0.0.1", port, timeout=2)
    i = 0
    while not stop.is_set():
        name = "שורד %d" % i
        try:
            status, body = get(c, "HosefMosad.asp?MD=%s%s" % (name, pairs))
            if body == "ok":
                answered.append(name)
        except Exception:
            return
        i += 1


t = threading.Thread(target=adder)
t.start()
time.sleep(0.5)
proc.send_signal(signal.SIGKILL)
proc.wait()
stop.set()
t.join()
proc, port = start()
conn = http.client.HTTPConnection("127.0.0.1", port)
after = get(conn, "KoreMosadot.asp?Mis=" + account)[1]
kept = set(r.split("*")[0] for r in after.split("+")[1:])
lost = [n for n in answered if n not in kept]
print("kill -9 during adds: %d answered ok, %d lost" % (len(answered), len(lost)))
proc.terminate()
proc.wait()
sys.exit(1 if errors or lost else 0)
