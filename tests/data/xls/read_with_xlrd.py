#!/usr/bin/python3
"""Prints what xlrd (with formatting) reads from an .xls, one fact a line, so a test can check
that another program reads the file the program saved, and that what it did not change is as
it was."""
import sys

import xlrd

book = xlrd.open_workbook(sys.argv[1], formatting_info=True)
print("sheets: " + ",".join(book.sheet_names()))
for s in book.sheets():
    if s.sheet_selected:
        print("active: %s" % s.name)
    print("visible %s %s" % (s.name, s.visibility))
    print("frozen %s %s %s" % (s.name, s.panes_are_frozen, s.horz_split_pos))
    for (r0, r1, c0, c1) in s.merged_cells:
        print("merged %s %d %d %d %d" % (s.name, r0, r1, c0, c1))
    for col, info in sorted(s.colinfo_map.items()):
        print("width %s %d %d" % (s.name, col, info.width))
    for r in range(s.nrows):
        for c in range(s.ncols):
            cell = s.cell(r, c)
            if cell.ctype == xlrd.XL_CELL_EMPTY:
                continue
            xf = book.xf_list[cell.xf_index]
            fmt = book.format_map[xf.format_key].format_str
            font = book.font_list[xf.font_index]
            where = "%s!%s" % (s.name, xlrd.formula.cellname(r, c))
            print("cell %s %d %r" % (where, cell.ctype, cell.value))
            print("format %s %s bold=%d" % (where, fmt, font.bold))
            if xf.background.fill_pattern == 1:
                rgb = book.colour_map.get(xf.background.pattern_colour_index)
                print("fill %s %s" % (where, "%02X%02X%02X" % rgb if rgb else "?"))
