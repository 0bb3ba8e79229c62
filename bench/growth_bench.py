#!/usr/bin/python3
"""How the spreadsheet layer's work grows: the same steps (open, read every cell of A..F, write
four columns of every row, colour three cells in ten rows, save in place) on 10,000 and on
50,000 rows; prints ms per 1,000 rows at both sizes and the ratio of the two totals (goal: at
most 5.5 for five times the rows). The sizes are measured in turn, five rounds of three runs each,
so that the machine's drift falls on both alike; each figure is the median over the rounds.

    /usr/bin/python3 bench/growth_bench.py build-rel/bench/spreadsheet_steps
"""
import os
import shutil
import subprocess
import sys
import tempfile

steps = sys.argv[1] if len(sys.argv) > 1 else "build-rel/bench/spreadsheet_steps"
folder = tempfile.mkdtemp(prefix="zivron-growth-")
import statistics

books = {}
for rows in (10000, 50000):
    books[rows] = os.path.join(folder, "rows%d.xlsx" % rows)
    subprocess.run([steps, "make", books[rows], str(rows)], check=True)
rounds = {rows: [] for rows in books}
peaks = {}
for _ in range(5):
    for rows, book in books.items():
        out = subprocess.run([steps, "run", book, "3"], check=True, capture_output=True,
                             text=True).stdout
        rounds[rows].append(float(out.split("median ")[1].split(" ms")[0]))
        peaks[rows] = out.split("peak memory ")[1].strip()
totals = {}
for rows, times in rounds.items():
    ms = statistics.median(times)
    totals[rows] = ms
    print("%6d rows: %.1f ms, %.2f ms per 1,000 rows, peak %s" % (rows, ms, ms / rows * 1000,
                                                                  peaks[rows]))
print("50,000 against 10,000: %.2fx (goal: at most 5.5)" % (totals[50000] / totals[10000]))
shutil.rmtree(folder)
