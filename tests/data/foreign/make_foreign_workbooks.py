#!/usr/bin/python3
"""Writes workbooks as other programs write them, for the tests that save them and read them
back with those programs: LibreOffice headless (Debian's libreoffice-calc) saves what openpyxl
drafts, and the Strict Open XML file is LibreOffice's .xlsx with its namespaces rewritten the way
Excel's "Strict Open XML Spreadsheet" writes them. Run from this folder with Debian's python3
and soffice on PATH; it rewrites the files beside it.

long_strings.xls: 2,400 rows of distinct Hebrew and Latin texts, so the shared-string table runs
over many CONTINUE records, strings crossing from one record into the next.
numbers_only.xls: numbers and no text, so its shared-string table is empty.
chart_and_hidden.xls: a sheet with a chart embedded in it (its own BOF and EOF inside the sheet)
and a hidden sheet of formulas, dates and texts.
strict.xlsx: the same data in Strict Open XML.
iso_dates.xlsx: dates stored as ISO texts (t="d"), an error cell and an empty text, by openpyxl.
"""
import datetime
import os
import shutil
import subprocess
import tempfile
import zipfile

import openpyxl
from openpyxl.chart import BarChart, Reference

HEADINGS = ["שם", "ת.ז.", "בנק", "סניף", "חשבון", "סכום", "הערה"]


def long_strings(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "תשלומים"
    ws.append(HEADINGS)
    for i in range(1, 2401):
        ws.append(["מקבל מספר %d" % i, "%09d" % (i * 7), "12", "600", "%06d" % i, i * 1.5,
                   ("note %d " % i) * (1 + i % 9)])
    wb.save(path)


def numbers_only(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "Numbers"
    for i in range(1, 31):
        ws.append([i, i * 100, i * 2.5])
    wb.save(path)


def chart_and_hidden(path):
    wb = openpyxl.Workbook()
    ws = wb.active
    ws.title = "נתונים"
    ws.append(HEADINGS)
    for i in range(1, 41):
        ws.append(["שם %d" % i, "%09d" % i, "10", "936", "%d" % (1000 + i), i * 10.25, ""])
    chart = BarChart()
    chart.add_data(Reference(ws, min_col=6, min_row=1, max_row=41), titles_from_data=True)
    ws.add_chart(chart, "I2")
    hidden = wb.create_sheet("נסתר")
    hidden.sheet_state = "hidden"
    hidden["A1"] = "טקסט בגיליון נסתר"
    hidden["A2"] = 21
    hidden["B2"] = "=A2*2"
    hidden["C2"] = "=TEXT(A2,\"0.00\")"
    hidden["A3"] = datetime.date(2026, 12, 9)
    hidden["A3"].number_format = "dd/mm/yyyy"
    hidden["B3"] = "=A3+1"
    hidden["B3"].number_format = "dd/mm/yyyy"
    wb.active = 0
    wb.save(path)


STRICT = [
    ("http://schemas.openxmlformats.org/spreadsheetml/2006/main",
     "http://purl.oclc.org/ooxml/spreadsheetml/main"),
    ("http://schemas.openxmlformats.org/officeDocument/2006/relationships",
     "http://purl.oclc.org/ooxml/officeDocument/relationships"),
    ("http://schemas.openxmlformats.org/drawingml/2006/main",
     "http://purl.oclc.org/ooxml/drawingml/main"),
    ("http://schemas.openxmlformats.org/officeDocument/2006/extended-properties",
     "http://purl.oclc.org/ooxml/officeDocument/extendedProperties"),
]


def strict(made, path):
    with zipfile.ZipFile(made) as src, zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as out:
        for item in src.infolist():
            data = src.read(item.filename)
            if item.filename.endswith((".xml", ".rels")):
                text = data.decode("utf-8")
                for old, new in STRICT:
                    text = text.replace(old, new)
                if item.filename == "xl/workbook.xml":
                    text = text.replace("<workbook ", '<workbook conformance="strict" ', 1)
                data = text.encode("utf-8")
            out.writestr(item.filename, data)


def iso_dates(path):
    wb = openpyxl.Workbook(iso_dates=True)
    ws = wb.active
    ws.title = "תאריכים"
    ws.append(["שם", "תאריך", "שגיאה", "ריק"])
    ws.append(["ראשון", datetime.date(2026, 12, 9), "#N/A", ""])
    ws.append(["שני", datetime.datetime(2027, 1, 31, 0, 0), "#DIV/0!", "x"])
    ws["C2"].data_type = "e"
    ws["C3"].data_type = "e"
    wb.save(path)


def convert(profile, target, source, out):
    subprocess.run(["soffice", "-env:UserInstallation=" + profile, "--headless", "--calc",
                    "--convert-to", target, "--outdir", out, source],
                   check=True, capture_output=True)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    work = tempfile.mkdtemp(prefix="zivron-foreign-")
    profile = "file://" + os.path.join(work, "profile")
    out = os.path.join(work, "out")
    drafts = {"long_strings": long_strings, "numbers_only": numbers_only,
              "chart_and_hidden": chart_and_hidden}
    for name, draft in drafts.items():
        source = os.path.join(work, name + ".xlsx")
        draft(source)
        convert(profile, "xls:MS Excel 97", source, out)
        shutil.copy(os.path.join(out, name + ".xls"), os.path.join(here, name + ".xls"))
    convert(profile, "xlsx:Calc MS Excel 2007 XML", os.path.join(here, "chart_and_hidden.xls"),
            out)
    strict(os.path.join(out, "chart_and_hidden.xlsx"), os.path.join(here, "strict.xlsx"))
    iso_dates(os.path.join(here, "iso_dates.xlsx"))
    shutil.rmtree(work)


if __name__ == "__main__":
    main()
