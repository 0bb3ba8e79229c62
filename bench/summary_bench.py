#!/usr/bin/python3
"""The road with --detail --summary when the yearly summary already holds twelve runs: each
measured run appends a thirteenth to a copy of the same twelve-run summary. Given several builds
of zivron-cli it measures them in turn, run for run, so the machine's drift falls on all alike.

    /usr/bin/python3 bench/summary_bench.py build-rel/src/zivron-cli [other-zivron-cli ...]
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

clis = [os.path.abspath(c) for c in (sys.argv[1:] or ["build-rel/src/zivron-cli"])]
here = os.path.dirname(os.path.abspath(__file__))
folder = tempfile.mkdtemp(prefix="zivron-summary-")
source = os.path.join(folder, "payees.xlsx")
subprocess.run([sys.executable, os.path.join(here, "make_road_workbook.py"), source, "9998"],
               check=True, stdout=subprocess.DEVNULL)
summary = "ZIVRON/Arhiv/Zikuyim/%d/Rikuz=%dmosad=12345678.xlsx" % ((time.localtime().tm_year,) * 2)


def run(cli, drive):
    work = os.path.join(folder, "work.xlsx")
    shutil.copy(source, work)
    t0 = time.perf_counter()
    subprocess.run(["/usr/bin/time", "-f", "%M", "-o", os.path.join(folder, "peak"), cli, "credit",
                    work, "--institution-code", "12345678", "--software-code", "54321",
                    "--name", "x", "--value-date", "07/12/2026", "--detail", "--summary"],
                   check=True, stdout=subprocess.DEVNULL,
                   env=dict(os.environ, ZIVRON_DRIVE_C=drive, ZIVRON_TODAY="07/12/2026"))
    elapsed = time.perf_counter() - t0
    return elapsed, int(open(os.path.join(folder, "peak")).read().split()[-1]) / 1024


drives = []
for i, cli in enumerate(clis):
    drive = os.path.join(folder, "c%d" % i)
    for _ in range(12):
        run(cli, drive)
    shutil.copy(os.path.join(drive, summary), os.path.join(folder, "twelve%d.xlsx" % i))
    drives.append(drive)
times = {cli: [] for cli in clis}
peaks = {}
for _ in range(9):
    for i, cli in enumerate(clis):
        shutil.copy(os.path.join(folder, "twelve%d.xlsx" % i), os.path.join(drives[i], summary))
        t, peak = run(cli, drives[i])
        times[cli].append(t)
        peaks[cli] = max(peaks.get(cli, 0), peak)
for cli in clis:
    t = times[cli]
    print("%s: median %.0f ms (%.0f-%.0f) over %d runs, peak %.0f MB (goal: at most 200 ms)"
          % (cli, statistics.median(t) * 1000, min(t) * 1000, max(t) * 1000, len(t), peaks[cli]))
shutil.rmtree(folder)
