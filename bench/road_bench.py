#!/usr/bin/python3
"""The main road end to end: a 9,998-row credit workbook, all three passes on, import + build +
archive copy through zivron-cli; then the same cell operations done by openpyxl in the same run.

    /usr/bin/python3 bench/road_bench.py build-rel/src/zivron-cli
"""
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import openpyxl
from openpyxl.styles import PatternFill

cli = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-rel/src/zivron-cli")
here = os.path.dirname(os.path.abspath(__file__))
folder = tempfile.mkdtemp(prefix="zivron-road-")
source = os.path.join(folder, "payees.xlsx")
rows = 9998
subprocess.run([sys.executable, os.path.join(here, "make_road_workbook.py"), source, str(rows)],
               check=True)

# The value date is a fixed day: the program's clock is set to it, so the run never dates.
env = dict(os.environ, ZIVRON_DRIVE_C=os.path.join(folder, "c"), ZIVRON_TODAY="07/12/2026",
           XDG_DATA_HOME=os.path.join(folder, "data"))
times = []
for _ in range(7):
    work = os.path.join(folder, "work.xlsx")
    shutil.copy(source, work)
    t0 = time.perf_counter()
    out = subprocess.run([cli, "credit", work, "--institution-code", "12345678",
                          "--software-code", "54321", "--name", "עמותת הדגמה",
                          "--value-date", "07/12/2026", "--allow-marked"],
                         check=True, capture_output=True, text=True, env=env).stdout
    times.append(time.perf_counter() - t0)
# The peak of one more run of the program alone (the children's peak would be the generator's).
shutil.copy(source, work)
subprocess.run(["/usr/bin/time", "-f", "%M", "-o", os.path.join(folder, "peak"), cli, "credit", work,
                "--institution-code", "12345678", "--software-code", "54321", "--name", "x",
                "--value-date", "07/12/2026", "--allow-marked"], check=True, capture_output=True, env=env)
peak_mb = int(open(os.path.join(folder, "peak")).read().split()[-1]) / 1024.0
ms = statistics.median(times) * 1000
print(out.splitlines()[0])
print("zivron-cli credit: median %.0f ms over %d runs, peak %.1f MB, %.0f rows/s"
      % (ms, len(times), peak_mb, rows / (ms / 1000)))

cyan = PatternFill("solid", fgColor="FF80FFFF")
red = PatternFill("solid", fgColor="FFFF8080")
yellow = PatternFill("solid", fgColor="FFFFFF00")
py = []
for _ in range(3):
    work = os.path.join(folder, "py.xlsx")
    shutil.copy(source, work)
    t0 = time.perf_counter()
    wb = openpyxl.load_workbook(work)
    ws = wb.active
    data = [[c.value for c in row] for row in ws.iter_rows(min_row=2, max_row=rows + 1, max_col=6)]
    for i, row in enumerate(data):  # typing fix
        for c in range(1, 5):
            text = "" if row[c] is None else str(row[c])
            digits = re.sub(r"[^0-9]", "", text)
            if digits != text:
                ws.cell(i + 2, c + 1).fill = cyan
                ws.cell(i + 2, c + 8).value = row[c]
                ws.cell(i + 2, c + 8).fill = cyan
                ws.cell(i + 2, c + 1).value = digits
    for i, row in enumerate(data):  # accounts, as many marks as the program makes
        if str(row[4]) == "100018":
            for c in (3, 4, 5):
                ws.cell(i + 2, c).fill = red
    for i, row in enumerate(data):  # identity numbers
        if i % 7 == 0:
            ws.cell(i + 2, 2).fill = yellow
    wb.save(work)  # one save, as the program now saves once
    for i, row in enumerate(data):  # the amounts rewritten as numbers
        ws.cell(i + 2, 6).value = float(row[5])
    py.append(time.perf_counter() - t0)
py_ms = statistics.median(py) * 1000
print("openpyxl, the workbook steps alone with one save: median %.0f ms over %d runs"
      % (py_ms, len(py)))
print("ratio: %.1fx" % (py_ms / ms))
shutil.rmtree(folder)
