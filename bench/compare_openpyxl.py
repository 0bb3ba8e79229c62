#!/usr/bin/python3
"""The same spreadsheet steps done by zivron's layer and by openpyxl, on the same 10,000-row
workbook, in the same run; prints both times and the ratio.

    /usr/bin/python3 bench/compare_openpyxl.py build/bench/spreadsheet_steps
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import openpyxl
from openpyxl.styles import PatternFill

steps = sys.argv[1] if len(sys.argv) > 1 else "build/bench/spreadsheet_steps"
folder = tempfile.mkdtemp(prefix="zivron-bench-")
source = os.path.join(folder, "rows.xlsx")
subprocess.run([steps, "make", source], check=True)

out = subprocess.run([steps, "run", source, "9"], check=True, capture_output=True, text=True).stdout
print(out.strip())
zivron_ms = float(out.split("median ")[1].split(" ms")[0])

cyan = PatternFill("solid", fgColor="FF80FFFF")
red = PatternFill("solid", fgColor="FFFF8080")
times = []
for _ in range(3):
    work = os.path.join(folder, "work.xlsx")
    shutil.copy(source, work)
    t0 = time.perf_counter()
    wb = openpyxl.load_workbook(work)
    ws = wb.active
    chars = 0
    for row in ws.iter_rows(min_row=2, max_row=10001, max_col=6):
        for c in row:
            chars += len(str(c.value)) if c.value is not None else 0
    coloured = 0
    for r in range(2, 10002):
        for c in range(2, 6):
            v = ws.cell(r, c).value
            ws.cell(r, c).value = "" if v is None else str(v)
        if coloured < 3000 and r % 3 == 0:
            ws.cell(r, 2).fill = cyan
            ws.cell(r, 9).fill = cyan
            ws.cell(r, 3).fill = red
            coloured += 3
    wb.save(work)
    times.append((time.perf_counter() - t0) * 1000)
py_ms = statistics.median(times)
print("openpyxl: median %.1f ms over %d runs" % (py_ms, len(times)))
print("ratio: %.1fx" % (py_ms / zivron_ms))
shutil.rmtree(folder)
