#!/usr/bin/python3
"""The 9,998-row credit road on the same workbook as .xlsx and as .xls (converted by LibreOffice
headless, as an operator's application would save it), each the median of 11 runs of zivron-cli,
the two run in turn so that the machine's drift falls on both alike.

    /usr/bin/python3 bench/xls_road_bench.py build-rel/src/zivron-cli
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

cli = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build-rel/src/zivron-cli")
here = os.path.dirname(os.path.abspath(__file__))
folder = tempfile.mkdtemp(prefix="zivron-xls-road-")
xlsx = os.path.join(folder, "payees.xlsx")
subprocess.run([sys.executable, os.path.join(here, "make_road_workbook.py"), xlsx, "9998"], check=True)
subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(folder, "profile"),
                "--headless", "--calc", "--convert-to", "xls:MS Excel 97", "--outdir", folder, xlsx],
               check=True, capture_output=True)
# The value date is a fixed day: the program's clock is set to it, so the run never dates.
env = dict(os.environ, ZIVRON_DRIVE_C=os.path.join(folder, "c"), ZIVRON_TODAY="07/12/2026",
           XDG_DATA_HOME=os.path.join(folder, "data"))
times = {"xlsx": [], "xls": []}
for _ in range(11):
    for ext in times:
        work = os.path.join(folder, "work." + ext)
        shutil.copy(os.path.join(folder, "payees." + ext), work)
        t0 = time.perf_counter()
        subprocess.run([cli, "credit", work, "--institution-code", "12345678", "--software-code",
                        "54321", "--name", "עמותת הדגמה", "--value-date", "07/12/2026", "--allow-marked"],
                       check=True, capture_output=True, env=env)
        times[ext].append(time.perf_counter() - t0)
medians = {ext: statistics.median(t) * 1000 for ext, t in times.items()}
print("xlsx %.0f ms, xls %.0f ms: ratio %.2f (goal: at most 1.5)"
      % (medians["xlsx"], medians["xls"], medians["xls"] / medians["xlsx"]))
shutil.rmtree(folder)
