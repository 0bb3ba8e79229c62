#!/usr/bin/python3
"""zivron-service holding list replies nobody reads: one account with the most institutions it may
have (1,000, long names), asked for its list by 480 connections from 30 loopback addresses that
never read a byte; meanwhile an honest client asks for details. Prints the service's peak memory
and the honest requests' p99.

    /usr/bin/python3 bench/service_unread.py build-rel/server/zivron-service
"""
import http.client
import os
import socket
import sys
import tempfile
import time

from service_mix import add_account, enc, start_service

service = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-rel/server/zivron-service")
folder = tempfile.mkdtemp(prefix="zivron-unread-")
db = os.path.join(folder, "service.db")
NAME = "עמותת עומס"



account = add_account(service, db, "u@example.org", NAME)
proc, port = start_service(service, db)
conn = http.client.HTTPConnection("127.0.0.1", port, timeout=10)


def get(path):
    conn.request("GET", "/" + enc(path))
    r = conn.getresponse()
    return r.read().decode("cp1255")


owner = "&IP1=%s&FX=%s" % (account, NAME)
for i in range(1000):
    get("HosefMosad.asp?MD=%s %04d&RH=12345678&BA=54321&YI=x&TL=x%s" % ("מוסד בעל שם ארוך " * 10, i, owner))
numbers = [r.split("*")[1] for r in get("KoreMosadot.asp?Mis=" + account).split("+")[1:]]
assert len(numbers) == 1000, len(numbers)

with open("/proc/%d/status" % proc.pid) as f:
    before = [line.split()[1] for line in f if line.startswith("VmHWM")][0]
unread = []
request = ("GET /KoreMosadot.asp?Mis=%s HTTP/1.1\r\nHost: x\r\n\r\n" % account).encode()
for i in range(480):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_RCVBUF, 4096)
    s.bind(("127.0.0.%d" % (2 + i // 16), 0))
    s.connect(("127.0.0.1", port))
    s.sendall(request)
    unread.append(s)
time.sleep(1)
latencies = []
for i in range(200):
    start = time.perf_counter()
    reply = get("KorePerateyMosad.asp?Mis=%s%s" % (numbers[i % 1000], owner))
    latencies.append(time.perf_counter() - start)
    assert reply.startswith(numbers[i % 1000]), reply[:40]
with open("/proc/%d/status" % proc.pid) as f:
    peak = [line.split()[1] for line in f if line.startswith("VmHWM")][0]
for s in unread:
    s.close()
proc.terminate()
proc.wait()
latencies.sort()
print("1,000 institutions, 480 unread list replies: service peak %.1f MB (%.1f MB before them); "
      "honest details p99 %.1f ms" % (int(peak) / 1024, int(before) / 1024,
                                       latencies[int(len(latencies) * 0.99)] * 1000))
