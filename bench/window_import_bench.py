#!/usr/bin/python3
"""A 9,998-row credit import through the window (Qt, offscreen, the dialog answered), against the
same workbook through zivron-cli (import and build), each the median of 5 runs.

    /usr/bin/python3 bench/window_import_bench.py build-rel/src/qt/zivron build-rel/src/zivron-cli
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

gui = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-rel/src/qt/zivron")
cli = os.path.abspath(sys.argv[2] if len(sys.argv) > 2 else "build-rel/src/zivron-cli")
here = os.path.dirname(os.path.abspath(__file__))
folder = tempfile.mkdtemp(prefix="zivron-window-")
source = os.path.join(folder, "payees.xlsx")
rows = 9998
subprocess.run([sys.executable, os.path.join(here, "make_road_workbook.py"), source, str(rows)],
               check=True)
env = dict(os.environ, ZIVRON_DRIVE_C=os.path.join(folder, "c"), ZIVRON_TODAY="07/12/2026",
           QT_QPA_PLATFORM="offscreen",
           XDG_CONFIG_HOME=os.path.join(folder, "config"), XDG_DATA_HOME=os.path.join(folder, "data"),
           ZIVRON_SERVICE_URL="http://127.0.0.1:1")
window, command_line = [], []
for _ in range(5):
    work = os.path.join(folder, "work.xlsx")
    shutil.copy(source, work)
    out = subprocess.run([gui, "--time-import", work], check=True, capture_output=True, text=True,
                         env=env).stdout
    window.append(int(re.search(r"import_ms=(\d+)", out).group(1)))
    shutil.copy(source, work)
    t0 = time.perf_counter()
    subprocess.run([cli, "credit", work, "--institution-code", "12345678", "--software-code", "54321",
                    "--name", "עמותת הדגמה", "--value-date", "07/12/2026"],
                   check=True, capture_output=True, env=env)
    command_line.append((time.perf_counter() - t0) * 1000)
w, c = statistics.median(window), statistics.median(command_line)
print("window import: median %.0f ms; zivron-cli credit (import and build): median %.0f ms; "
      "ratio %.2f (goal: at most 1.5)" % (w, c, w / c))
shutil.rmtree(folder)
