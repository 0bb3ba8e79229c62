#!/usr/bin/python3
"""Prints every non-empty cell of every sheet of a workbook as LibreOffice shows it (its CSV
export of each sheet, values as formatted), a cell a line: "SHEET!A1 text". A test saves a
workbook and compares these lines before and after: cells the program did not write must show
the same. Needs soffice (Debian's libreoffice-calc) on PATH."""
import csv
import glob
import os
import shutil
import subprocess
import sys
import tempfile


def column_name(n):
    name = ""
    while n > 0:
        n, r = divmod(n - 1, 26)
        name = chr(65 + r) + name
    return name


def main():
    work = tempfile.mkdtemp(prefix="zivron-lo-")
    try:
        source = os.path.join(work, "book" + os.path.splitext(sys.argv[1])[1])
        shutil.copy(sys.argv[1], source)
        # UTF-8 (76), comma, quotes, formatted values as shown, every sheet to a file of its own.
        options = "44,34,76,1,,0,false,true,false,false,false,-1"
        subprocess.run(["soffice", "-env:UserInstallation=file://" + os.path.join(work, "p"),
                        "--headless", "--calc", "--convert-to", "csv:Text - txt - csv (StarCalc):"
                        + options, "--outdir", work, source],
                       check=True, capture_output=True, timeout=120)
        for path in sorted(glob.glob(os.path.join(work, "book-*.csv"))):
            sheet = os.path.basename(path)[len("book-"):-len(".csv")]
            with open(path, encoding="utf-8", newline="") as f:
                for r, row in enumerate(csv.reader(f), start=1):
                    for c, value in enumerate(row, start=1):
                        if value != "":
                            print("%s!%s%d %s" % (sheet, column_name(c), r, value))
    finally:
        shutil.rmtree(work)


if __name__ == "__main__":
    main()
