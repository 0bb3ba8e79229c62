#!/usr/bin/python3
"""Writes the .xls fixtures of the .xls tests: workbooks as an operator keeps them, made by a
spreadsheet application (LibreOffice headless from Debian's libreoffice-calc), not by us.

operator.xls, and operator.xlsx its twin: two sheets, November and December, December active; formula amounts
(=ROUND(M2*0.9;2)) with their cached results; texts in the shared-string table; a long text on
the other sheet; number formats and a bold heading. Run from this folder with Debian's python3
and soffice on PATH; it rewrites both files beside it.
"""
import os
import shutil
import subprocess
import tempfile

import openpyxl
from openpyxl.styles import Font


def source(path):
    wb = openpyxl.Workbook()
    nov = wb.active
    nov.title = "November"
    nov.append(["שם", "ת.ז.", "בנק", "סניף", "חשבון", "סכום"])
    nov.append(["נובמבר", "18", "12", "600", "100006", 1])
    nov["H1"] = "x" * 300  # a text longer than 255 characters
    dec = wb.create_sheet("December")
    dec.append(["שם", "ת.ז.", "בנק", "סניף", "חשבון", "סכום"])
    dec["A1"].font = Font(bold=True)
    rows = [
        ("ישראל ישראלי", "12345674", "12", "600", "100006", 1000),
        ("שרה כהן", "18", "10", "936", "1002", 1388.89),
        ("דוד לוי", "123456782", "20", "826", "10001", 55.5),
    ]
    for i, (name, ident, bank, branch, account, gross) in enumerate(rows, start=2):
        dec.cell(i, 1, name)
        dec.cell(i, 2, ident)
        dec.cell(i, 3, bank)
        dec.cell(i, 4, branch)
        dec.cell(i, 5, account)
        dec.cell(i, 13, gross)
        dec.cell(i, 6, "=ROUND(M%d*0.9,2)" % i)
        dec.cell(i, 6).number_format = "#,##0.00"
    wb.active = 1
    wb.save(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    work = tempfile.mkdtemp(prefix="zivron-xls-")
    xlsx = os.path.join(work, "operator.xlsx")
    source(xlsx)
    profile = "file://" + os.path.join(work, "profile")
    out = os.path.join(work, "out")
    for target in ("xls:MS Excel 97", "xlsx:Calc MS Excel 2007 XML"):
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--calc",
                        "--convert-to", target, "--outdir", out, xlsx],
                       check=True, capture_output=True)
    # The .xlsx twin, saved by the same application, carries the same cached formula results.
    shutil.copy(os.path.join(out, "operator.xls"), os.path.join(here, "operator.xls"))
    shutil.copy(os.path.join(out, "operator.xlsx"), os.path.join(here, "operator.xlsx"))
    shutil.rmtree(work)


if __name__ == "__main__":
    main()
