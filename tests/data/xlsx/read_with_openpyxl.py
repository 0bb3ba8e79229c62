#!/usr/bin/python3
"""Prints what openpyxl reads from a workbook, one fact a line, so tests can check that another
program accepts the files the spreadsheet layer writes."""
import sys
import warnings

import openpyxl

warnings.simplefilter("ignore")
wb = openpyxl.load_workbook(sys.argv[1])
print("sheets: " + ",".join(wb.sheetnames))
print("active: %d" % wb.index(wb.active))
for ws in wb.worksheets:
    for row in ws.iter_rows():
        for c in row:
            if c.value is not None:
                print("cell %s!%s %s %r" % (ws.title, c.coordinate, c.data_type, c.value))
            if c.fill is not None and c.fill.fill_type == "solid":
                print("fill %s!%s %s" % (ws.title, c.coordinate, c.fill.fgColor.rgb))
            if c.number_format != "General":
                print("format %s!%s %s" % (ws.title, c.coordinate, c.number_format))
            if c.comment is not None:
                print("comment %s!%s %s" % (ws.title, c.coordinate, c.comment.text))
    for m in ws.merged_cells.ranges:
        print("merged %s %s" % (ws.title, m))
    for key, dim in sorted(ws.column_dimensions.items()):
        if dim.width:
            print("width %s %s %s" % (ws.title, key, dim.width))
    print("rtl %s %s" % (ws.title, bool(ws.sheet_view.rightToLeft)))
for dn in wb.defined_names.definedName:
    print("name %s %s %s" % (dn.name, dn.attr_text, dn.localSheetId))
