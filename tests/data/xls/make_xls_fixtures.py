#!/usr/bin/python3
"""Writes the .xls fixtures of the .xls tests: workbooks as an operator keeps them, made by a
spreadsheet application (LibreOffice headless from Debian's libreoffice-calc), not by us.

operator.xls, and operator.xlsx its twin: two sheets, November and December, December active; formula amounts
(=ROUND(M2*0.9;2)) with their cached results; texts in the shared-string table; a long text on
the other sheet; number formats and a bold heading. Run from this folder with Debian's python3
and soffice on PATH; it rewrites the files beside it.

operator_faults.xls: a typing error, an account and an identity number that fail, formula
amounts, a bold heading, a number format, a date, widths, merged cells, a frozen pane, an autofilter, a
validation, a conditional format, the operator's own fill and a second sheet: what the import
must fix and mark, and everything it must keep. operator_numbers.xls: the number fields typed as
numbers, kept by the application in runs (MULRK) that a mark must split.
"""
import datetime
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


def faults(path):
    """A workbook the import fixes and marks, with everything it must leave as it was."""
    from openpyxl.styles import PatternFill
    from openpyxl.worksheet.datavalidation import DataValidation
    from openpyxl.formatting.rule import CellIsRule
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "תשלומים"
    ws.sheet_view.rightToLeft = True
    ws.append(["שם", "ת.ז.", "בנק", "סניף", "חשבון", "סכום", "", "הערה"])
    for c in "ABCDEF":
        ws[c + "1"].font = Font(bold=True)
    ws["H1"].fill = PatternFill("solid", fgColor="FF00B050")  # the operator's own colour
    ws["J1"] = datetime.date(2026, 12, 4)  # a date, kept as a number in a date format
    ws["J1"].number_format = "dd/mm/yyyy"
    rows = [
        ("ישראל ישראלי", "12-345-674", "12", "600", "100006", 1000),  # a typing error
        ("שרה כהן", "18", "12", "600", "100018", 1388.89),           # an account that fails
        ("דוד לוי", "123456789", "20", "826", "10001", 55.5),        # an identity that fails
    ]
    for i, (name, ident, bank, branch, account, gross) in enumerate(rows, start=2):
        for c, v in enumerate((name, ident, bank, branch, account), start=1):
            ws.cell(i, c, v)
        ws.cell(i, 13, gross)
        ws.cell(i, 6, "=ROUND(M%d*0.9,2)" % i).number_format = "#,##0.00"
    ws.column_dimensions["A"].width = 24
    ws.column_dimensions["H"].width = 30
    ws.merge_cells("H2:I3")
    ws["H2"] = "ממוזג"
    ws.freeze_panes = "A2"
    ws.auto_filter.ref = "A1:F4"
    dv = DataValidation(type="list", formula1='"10,12,20"')
    ws.add_data_validation(dv)
    dv.add("C2:C4")
    ws.conditional_formatting.add("F2:F4", CellIsRule(operator="greaterThan", formula=["1000"],
                                                       font=Font(italic=True)))
    other = wb.create_sheet("אחר")
    other["A1"] = "נשאר כמו שהוא"
    other["B2"] = 3.25
    wb.active = 0
    wb.save(path)


def numbers(path):
    """Identity, bank, branch and account typed as numbers: the application keeps a row's run of
    numbers in one record, which a mark in the middle of it must split without losing a value."""
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "מספרים"
    ws.append(["שם", "ת.ז.", "בנק", "סניף", "חשבון", "סכום"])
    ws.append(["א", 18, 12, 600, 100006, 10])
    ws.append(["ב", 18, 12, 600, 100018, 20.5])  # an account that fails
    ws.append(["ג", 26, 12, 600, 100006, 30])
    wb.save(path)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    work = tempfile.mkdtemp(prefix="zivron-xls-")
    xlsx = os.path.join(work, "operator.xlsx")
    source(xlsx)
    faulty = os.path.join(work, "operator_faults.xlsx")
    faults(faulty)
    numeric = os.path.join(work, "operator_numbers.xlsx")
    numbers(numeric)
    profile = "file://" + os.path.join(work, "profile")
    out = os.path.join(work, "out")
    for target in ("xls:MS Excel 97", "xlsx:Calc MS Excel 2007 XML"):
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--calc",
                        "--convert-to", target, "--outdir", out, xlsx],
                       check=True, capture_output=True)
    for made in (faulty, numeric):
        subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--calc",
                        "--convert-to", "xls:MS Excel 97", "--outdir", out, made],
                       check=True, capture_output=True)
        name = os.path.basename(made).replace(".xlsx", ".xls")
        shutil.copy(os.path.join(out, name), os.path.join(here, name))
    # The .xlsx twin, saved by the same application, carries the same cached formula results.
    shutil.copy(os.path.join(out, "operator.xls"), os.path.join(here, "operator.xls"))
    shutil.copy(os.path.join(out, "operator.xlsx"), os.path.join(here, "operator.xlsx"))
    shutil.rmtree(work)


if __name__ == "__main__":
    main()
