#!/usr/bin/python3
"""The main road of bench/road_bench.py through several builds of zivron-cli, run in turn, run
for run, so that the machine's drift (large on the development machine) falls on all alike.

    /usr/bin/python3 bench/road_side_by_side.py build-rel/src/zivron-cli /path/to/older/zivron-cli
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

clis = [os.path.abspath(c) for c in sys.argv[1:]]
here = os.path.dirname(os.path.abspath(__file__))
folder = tempfile.mkdtemp(prefix="zivron-side-")
source = os.path.join(folder, "payees.xlsx")
subprocess.run([sys.executable, os.path.join(here, "make_road_workbook.py"), source, "9998"],
               check=True, stdout=subprocess.DEVNULL)
# The value date is a fixed day: the program's clock is set to it, so the run never dates.
env = dict(os.environ, ZIVRON_DRIVE_C=os.path.join(folder, "c"), ZIVRON_TODAY="07/12/2026",
           XDG_DATA_HOME=os.path.join(folder, "data"))
work = os.path.join(folder, "work.xlsx")
times = {cli: [] for cli in clis}
for _ in range(25):
    for cli in clis:
        shutil.copy(source, work)
        t0 = time.perf_counter()
        subprocess.run([cli, "credit", work, "--institution-code", "12345678", "--software-code",
                        "54321", "--name", "x", "--value-date", "07/12/2026", "--allow-marked"],
                       check=True, stdout=subprocess.DEVNULL, env=env)
        times[cli].append(time.perf_counter() - t0)
for cli in clis:
    t = sorted(times[cli])
    print("%s: median %.1f ms, quartiles %.1f-%.1f ms over %d runs"
          % (cli, statistics.median(t) * 1000, t[len(t) // 4] * 1000, t[3 * len(t) // 4] * 1000,
             len(t)))
shutil.rmtree(folder)
