#!/usr/bin/python3
"""How the spreadsheet layer's work grows: the same steps (open, read every cell of A..F, write
four columns of every row, colour three cells in ten rows, save in place) on 10,000 and on
50,000 rows; prints ms per 1,000 rows at both sizes and the ratio of the two (goal: at most 5.5
for five times the rows). The sizes are measured in turn, five rounds of three runs each, so
that the machine's drift falls on both alike.

Two figures for each size: the median over the rounds of each round's median (what a run takes
on the machine as it is), and the best run of all (what the work costs when nothing else on the
machine gets in its way). On a shared machine the second is the steadier measure of the work:
a stretch of contention lasting a fraction of a second lands on more of the 50,000-row runs,
each five times as long, than of the 10,000-row ones, and moves their median.

    /usr/bin/python3 bench/growth_bench.py build-rel/bench/spreadsheet_steps
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

steps = sys.argv[1] if len(sys.argv) > 1 else "build-rel/bench/spreadsheet_steps"
folder = tempfile.mkdtemp(prefix="zivron-growth-")

books = {}
for rows in (10000, 50000):
    books[rows] = os.path.join(folder, "rows%d.xlsx" % rows)
    subprocess.run([steps, "make", books[rows], str(rows)], check=True)
rounds = {rows: [] for rows in books}
best = {rows: float("inf") for rows in books}
peaks = {}
for _ in range(5):
    for rows, book in books.items():
        out = subprocess.run([steps, "run", book, "3"], check=True, capture_output=True,
                             text=True).stdout
        rounds[rows].append(float(out.split("median ")[1].split(" ms")[0]))
        best[rows] = min(best[rows], float(out.split("best ")[1].split(" ms")[0]))
        peaks[rows] = out.split("peak memory ")[1].strip()
medians = {}
for rows, times in rounds.items():
    medians[rows] = statistics.median(times)
    print("%6d rows: median %.1f ms, %.2f ms per 1,000 rows; best %.1f ms, %.2f per 1,000; "
          "peak %s" % (rows, medians[rows], medians[rows] / rows * 1000, best[rows],
                       best[rows] / rows * 1000, peaks[rows]))
print("50,000 against 10,000: median %.2fx, best %.2fx (goal: at most 5.5)"
      % (medians[50000] / medians[10000], best[50000] / best[10000]))
shutil.rmtree(folder)
