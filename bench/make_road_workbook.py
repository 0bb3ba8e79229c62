#!/usr/bin/python3
"""Writes a credit workbook of 9,998 payees as a spreadsheet program saves one (shared strings),
with typing errors, bad accounts and bad identity numbers here and there.

    /usr/bin/python3 bench/make_road_workbook.py OUT.xlsx [ROWS]
"""
import sys

import openpyxl

rows = int(sys.argv[2]) if len(sys.argv) > 2 else 9998
wb = openpyxl.Workbook()
ws = wb.active
ws.append(["שם", "ת.ז.", "בנק", "סניף", "חשבון", "סכום"])
names = ["ישראל ישראלי", "שרה כהן", "דוד לוי", "רחל אברהם", "משה פרץ"]
for i in range(rows):
    ident = "%09d" % (123456782 if i % 7 else 123456789)
    if i % 10 == 0:
        ident = ident[:3] + "-" + ident[3:]
    account = "100006" if i % 5 else "100018"
    ws.append([names[i % 5], ident, 12, 600, account, round(100 + i * 0.37, 2)])
wb.save(sys.argv[1])
