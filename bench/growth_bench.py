#!/usr/bin/python3
"""How the spreadsheet layer's work grows: the same steps (open, read every cell of A..F, write
four columns of every row, colour three cells in ten rows, save in place) on 10,000 and on
50,000 rows, each the median of 5 runs; prints ms per 1,000 rows at both sizes and the ratio of
the two totals (goal: at most 5.5 for five times the rows).

    /usr/bin/python3 bench/growth_bench.py build-rel/bench/spreadsheet_steps
"""
import os
import shutil
import subprocess
import sys
import tempfile

steps = sys.argv[1] if len(sys.argv) > 1 else "build-rel/bench/spreadsheet_steps"
folder = tempfile.mkdtemp(prefix="zivron-growth-")
totals = {}
for rows in (10000, 50000):
    book = os.path.join(folder, "rows%d.xlsx" % rows)
    subprocess.run([steps, "make", book, str(rows)], check=True)
    out = subprocess.run([steps, "run", book, "5"], check=True, capture_output=True,
                         text=True).stdout
    ms = float(out.split("median ")[1].split(" ms")[0])
    peak = out.split("peak memory ")[1].strip()
    totals[rows] = ms
    print("%6d rows: %.1f ms, %.2f ms per 1,000 rows, peak %s" % (rows, ms, ms / rows * 1000, peak))
print("50,000 against 10,000: %.2fx (goal: at most 5.5)" % (totals[50000] / totals[10000]))
shutil.rmtree(folder)
