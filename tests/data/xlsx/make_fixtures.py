#!/usr/bin/python3
"""Writes the workbook fixtures of the spreadsheet-layer tests into this folder.

rich.xlsx is made by openpyxl, so the layer is tested on a workbook another program wrote;
handmade.xlsx is assembled part by part for what openpyxl does not write (inline strings, cached
formula results, shared formulas, a calculation chain); the rest are broken on purpose.
sample.xls needs python3-xlwt. Run with Debian's python3 from this folder.
"""
import zipfile

import openpyxl
from openpyxl.comments import Comment
from openpyxl.styles import PatternFill, Font
from openpyxl.workbook.defined_name import DefinedName


def rich():
    wb = openpyxl.Workbook()
    other = wb.active
    other.title = "אחר"
    other["A1"] = "סיכום"
    other["B1"] = "=SUM(נתונים!F2:F4)"
    other["A2"] = 0.125
    other["A2"].number_format = "0.00%"
    other.merge_cells("A5:C6")
    other.column_dimensions["A"].width = 31.5
    other["A3"].comment = Comment("הערה לבדיקה", "zivron")

    data = wb.create_sheet("נתונים")
    data.sheet_view.rightToLeft = True
    rows = [
        ("שם", "ת.ז.", "בנק", "סניף", "חשבון", "סכום"),
        ("ישראל ישראלי", "012345674", 12, 600, "100006", 1234.5),
        ("שרה כהן", "12-345-674", "10", "936", "1002", "1,250"),
        ("דוד לוי", 18, 20, 826, 10001, 99.9),
    ]
    for r in rows:
        data.append(r)
    data["A2"].fill = PatternFill("solid", fgColor="FF00FF00")
    data["A2"].font = Font(bold=True)
    data["F2"].number_format = "#,##0.00"
    data.column_dimensions["A"].width = 22
    data.merge_cells("H1:J1")
    data["H1"] = "ממוזג"
    data["B3"].comment = Comment("הוקלד ידנית", "zivron")
    wb.defined_names.append(DefinedName("Amounts", attr_text="'נתונים'!$F$2:$F$4"))
    wb.defined_names.append(DefinedName("Local", attr_text="'אחר'!$A$1", localSheetId=0))
    wb.active = 1
    wb.save("rich.xlsx")


CT = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Types xmlns="http://schemas.openxmlformats.org/package/2006/content-types"><Default Extension="rels" ContentType="application/vnd.openxmlformats-package.relationships+xml"/><Default Extension="xml" ContentType="application/xml"/><Override PartName="/xl/workbook.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml"/><Override PartName="/xl/worksheets/sheet1.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml"/><Override PartName="/xl/calcChain.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.calcChain+xml"/><Override PartName="/xl/sharedStrings.xml" ContentType="application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml"/></Types>"""
ROOT_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rId1" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/officeDocument" Target="xl/workbook.xml"/></Relationships>"""
WORKBOOK = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" xmlns:rel="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Data" sheetId="7" rel:id="rIdS"/></sheets></workbook>"""
WB_RELS = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships"><Relationship Id="rIdS" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/worksheet" Target="/xl/worksheets/sheet1.xml"/><Relationship Id="rIdC" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/calcChain" Target="calcChain.xml"/><Relationship Id="rIdT" Type="http://schemas.openxmlformats.org/officeDocument/2006/relationships/sharedStrings" Target="sharedStrings.xml"/></Relationships>"""
SST = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<sst xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" count="2" uniqueCount="2"><si><t>plain</t></si><si><r><t>ri</t></r><r><rPr><b/></rPr><t>ch</t></r><rPh sb="0" eb="1"><t>IGNORED</t></rPh></si></sst>"""
SHEET = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData>
<row r="1" spans="1:4"><c r="A1" t="inlineStr"><is><t>inline</t></is></c><c r="B1" t="s"><v>1</v></c><c r="C1" t="s"><v>99</v></c><c r="D1" t="inlineStr"><is><t>tab_x0009_here</t></is></c></row>
<row r="2"><c r="A2"><f>1+1</f><v>2</v></c><c r="B2" t="str"><f>"a"&amp;"b"</f><v>ab</v></c><c r="C2" t="b"><v>1</v></c><c r="D2" t="e"><v>#DIV/0!</v></c></row>
<row r="3"><c r="A3"><f t="shared" ref="A3:A5" si="0">B3*2</f><v>6</v></c><c r="B3"><v>3</v></c></row>
<row r="4"><c r="A4"><f t="shared" si="0"/><v>8</v></c><c r="B4"><v>4</v></c></row>
<row r="5"><c r="A5"><f t="shared" si="0"/><v>10</v></c><c r="B5"><v>5</v></c></row>
<row><c><v>7</v></c><c t="s"><v>0</v></c></row>
</sheetData></worksheet>"""
CALC = """<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<calcChain xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><c r="A2" i="1"/><c r="B2"/><c r="A3"/><c r="A4"/><c r="A5"/></calcChain>"""


def write_zip(name, parts):
    with zipfile.ZipFile(name, "w", zipfile.ZIP_DEFLATED) as z:
        for part, data in parts:
            z.writestr(part, data)


def handmade():
    # No styles part at all: the layer must add one when it colours a cell.
    write_zip("handmade.xlsx", [
        ("[Content_Types].xml", CT), ("_rels/.rels", ROOT_RELS), ("xl/workbook.xml", WORKBOOK),
        ("xl/_rels/workbook.xml.rels", WB_RELS), ("xl/worksheets/sheet1.xml", SHEET),
        ("xl/sharedStrings.xml", SST), ("xl/calcChain.xml", CALC),
    ])


def broken():
    laughs = """<?xml version="1.0"?>
<!DOCTYPE lolz [<!ENTITY lol "lol"><!ENTITY lol2 "&lol;&lol;&lol;&lol;&lol;&lol;&lol;&lol;">
<!ENTITY lol3 "&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;&lol2;">]>
<worksheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main"><sheetData><row r="1"><c r="A1" t="inlineStr"><is><t>&lol3;</t></is></c></row></sheetData></worksheet>"""
    write_zip("entities.xlsx", [
        ("[Content_Types].xml", CT), ("_rels/.rels", ROOT_RELS), ("xl/workbook.xml", WORKBOOK),
        ("xl/_rels/workbook.xml.rels", WB_RELS), ("xl/worksheets/sheet1.xml", laughs),
    ])
    write_zip("not_a_workbook.xlsx", [("readme.txt", "just a zip")])
    no_active = WORKBOOK.replace("<sheets>", '<bookViews><workbookView activeTab="3"/></bookViews><sheets>')
    write_zip("no_active_sheet.xlsx", [
        ("[Content_Types].xml", CT), ("_rels/.rels", ROOT_RELS), ("xl/workbook.xml", no_active),
        ("xl/_rels/workbook.xml.rels", WB_RELS), ("xl/worksheets/sheet1.xml", SHEET),
    ])
    write_zip("missing_sheet_part.xlsx", [
        ("[Content_Types].xml", CT), ("_rels/.rels", ROOT_RELS), ("xl/workbook.xml", WORKBOOK),
        ("xl/_rels/workbook.xml.rels", WB_RELS),
    ])


def xls():
    try:
        import xlwt
    except ImportError:
        print("python3-xlwt missing: sample.xls left as it is")
        return
    wb = xlwt.Workbook(encoding="utf-8")
    ws = wb.add_sheet("נתונים")
    rows = [
        ("שם", "ת.ז.", "בנק", "סניף", "חשבון", "סכום"),
        ("ישראל ישראלי", "012345674", 12, 600, "100006", 1234.5),
        ("שרה כהן", "12-345-674", "10", "936", "1002", "1,250"),
    ]
    for r, row in enumerate(rows):
        for c, v in enumerate(row):
            ws.write(r, c, v)
    wb.add_sheet("שני").write(0, 0, "לא פעיל")
    wb.save("sample.xls")


if __name__ == "__main__":
    rich()
    handmade()
    broken()
    xls()
