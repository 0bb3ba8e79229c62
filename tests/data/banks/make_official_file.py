#!/usr/bin/python3
"""Writes branches_for_payments.xml: a small file in the Bank of Israel's format
(Branches_for_payments.xml: UTF-8 with a BOM, a <branch> record each, dates dd/mm/yyyy, merge_bank
as bank x 1000 + 1), made from data/banks/branches.tsv: the first branch of every bank listed
there, then three records the tests look for: bank 12's branch 600 closed on 31/08/2026 and
merged into 601, and a new branch 777 of bank 20.

    /usr/bin/python3 tests/data/banks/make_official_file.py
"""
import csv
import os

here = os.path.dirname(os.path.abspath(__file__))
source = os.path.join(here, "..", "..", "..", "data", "banks", "branches.tsv")


def record(bank, bank_name, branch, branch_name, city, address, close_date="", merge_branch=""):
    merge_bank = "%d" % (int(bank) * 1000 + 1) if merge_branch else ""
    fields = [("id", bank), ("name", bank_name), ("branch_code", branch), ("sub_branch_code", "0"),
              ("branch_name", branch_name), ("address", address), ("city", city), ("zipcode", ""),
              ("pob", ""), ("telephone", ""), ("branch_type", "סניף"), ("merge_bank", merge_bank),
              ("merge_branch", merge_branch), ("open_date", "01/01/2000"), ("close_date", close_date)]
    inner = "".join("<%s>%s</%s>" % (k, v.replace("&", "&amp;").replace("<", "&lt;"), k)
                    for k, v in fields)
    return "  <branch>%s</branch>\n" % inner


seen = set()
records = []
with open(source, encoding="utf-8") as f:
    for row in csv.DictReader(f, delimiter="\t"):
        if row["bank_code"] in seen or row["closed_date"]:
            continue
        seen.add(row["bank_code"])
        records.append(record(row["bank_code"], row["bank_name"], row["branch_code"],
                              row["branch_name"], row["city"], row["address"]))
records.append(record("12", "בנק הפועלים בע\"מ", "600", "מרכז תפעול", "בית דגן", "הדקל 1",
                      "31/08/2026", "601"))
records.append(record("12", "בנק הפועלים בע\"מ", "601", "בית דגן", "בית דגן", "הדקל 3"))
records.append(record("20", "בנק מזרחי טפחות בע\"מ", "777", "סניף חדש", "חולון", "הרצל 7"))
with open(os.path.join(here, "branches_for_payments.xml"), "w", encoding="utf-8-sig") as f:
    f.write('<?xml version="1.0" encoding="utf-8"?>\n<branches>\n')
    f.writelines(records)
    f.write("</branches>\n")
