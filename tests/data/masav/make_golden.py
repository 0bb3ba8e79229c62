#!/usr/bin/env python3
"""Writes the expected msv.001 files used by the writer's tests, and beside each the text that
`zivron-cli verify` prints for it.

A second, separate rendering of the record layout, so that the C++ writer and reader are compared
against something other than themselves. Run it from this folder; it rewrites the *.001 and *.txt
files beside it.
"""
from decimal import Decimal, ROUND_HALF_UP


def val_is_zero(text):
    # Enough of the numeric-value rule for the fields used here: a leading number or nothing.
    t = "".join(c for c in text if c not in " \t\n")
    num = ""
    for i, c in enumerate(t):
        if c.isdigit() or (c in "+-" and i == 0) or c == ".":
            num += c
        else:
            break
    digits = [c for c in num if c.isdigit()]
    return not digits or all(c == "0" for c in digits)


def zeros_left(text, width):
    if val_is_zero(text):
        return "0" * width
    if len(text) < width:
        t = text.strip(" ")
        return "0" * (width - len(t)) + t
    return text


def number_field(text, width):
    """A bank, branch, account or identity field: digits only, extra leading zeros dropped, never
    a digit; the rows here always fit."""
    t = text.strip(" ")
    assert t == "" or t.isdigit(), text
    while len(t) > width and t[0] == "0":
        t = t[1:]
    assert len(t) <= width, text
    return "0" * (width - len(t)) + t


def reference(bank, branch, account):
    """The texts joined as they stand, or the fields as written when that is longer than 20."""
    joined = bank + branch + account
    if len(joined) > 20:
        joined = number_field(bank, 2) + number_field(branch, 3) + number_field(account, 9)
    return zeros_left(joined, 20)


def zeros_right(text, width):
    if len(text) < width:
        t = text.strip(" ")
        return t + "0" * (width - len(t))
    return text


def right_align(text, width):
    if len(text) < width:
        t = text.strip(" ")
        return " " * (width - len(t)) + t
    return text


def slot(value, width):
    return value[:width] if len(value) >= width else value + " " * (width - len(value))


def old_code(name):
    out = bytearray()
    for b in name.encode("cp1255", errors="replace"):
        out.append(b - 96 if b >= 224 else b)
    return bytes(reversed(out)).decode("latin-1")


def split_amount(amount):
    # Half away from zero on the 15-significant-digit decimal text.
    d = Decimal(format(amount, ".15g")).quantize(Decimal("0.01"), rounding=ROUND_HALF_UP)
    whole, frac = f"{d:.2f}".split(".")
    return whole, frac


def parse_amount(text):
    return float(text.strip(" ").replace(",", ""))


def build(variant, code, software, inst_name, date, rows):
    credit = variant == "credit"
    end = "\r\n" if credit else "\n"
    yymmdd = date
    rec = []
    header = ("K" + slot(zeros_left(code, 8), 8) + "00" + yymmdd + "0" + "001" + "0" + yymmdd
              + slot(zeros_left(software, 5), 5) + "000000"
              + slot(right_align(old_code(inst_name), 30), 30) + " " * 56
              + ("KOT" if credit else "kot"))
    rec.append(header)
    total = 0  # agorot: the trailer carries the sum of the amounts as the details carry them
    for name, ident, bank, branch, account, amount in rows:
        if credit:
            name = name.strip(" ").replace("'", "").replace(".", "")[:16]
        a = parse_amount(amount)
        whole, frac = split_amount(a)
        total += int(whole) * 100 + int(frac)
        d = ("1" + slot(zeros_left(code, 8), 8) + "00" + "000000"
             + number_field(bank, 2) + number_field(branch, 3) + "0000"
             + number_field(account, 9) + "0" + number_field(ident, 9)
             + slot(right_align(old_code(name), 16), 16)
             + slot(zeros_left(whole, 11), 11) + slot(zeros_right(frac, 2), 2)
             + slot(reference(bank, branch, account), 20)
             + "00000000" + "000" + ("006" if credit else "504") + "0" * 18 + "  ")
        rec.append(d)
    whole, frac = str(total // 100), f"{total % 100:02d}"
    tot = slot(zeros_left(whole, 13), 13) + slot(zeros_right(frac, 2), 2)
    cnt = slot(zeros_left(str(len(rows)), 7), 7)
    blocks = (tot + "0" * 15 + cnt + "0" * 7) if credit else ("0" * 15 + tot + "0" * 7 + cnt)
    rec.append("5" + slot(zeros_left(code, 8), 8) + "00" + yymmdd + "0" + "001" + blocks
               + " " * 63)
    for r in rec:
        assert len(r) == 128, (len(r), r)
    text = "".join(r + end for r in rec) + "9" * 128 + "\r\n"
    return text.encode("latin-1")


HEBREW_ROWS = [
    ("ישראל ישראלי", "123456782", "12", "600", "100006", "1234.50"),
    ("שרה כהן", "18", "10", "936", "1002", "980"),
    ("O'Neil. Ltd", "26", "11", "1", "100009", "15.75"),
    ("  דוד לוי  ", "000000018", "20", "826", "10001", "1,250"),
]

LONG_ROWS = [
    # over-long names (cut, as intended); number fields with extra leading zeros, which are
    # dropped, and an empty bank
    ("אברהם בן יצחק בן יעקב הכהן", "0123456782", "", "12", "0000100006", "7"),
    ("abcdefghijklmnopqrstuvwxyz", "5", "0009", "0001", "000000000100004", "0.5"),
]

# Three decimals: the rows are written 0.02, 0.02, 0.02, 1.01 and 2.68, and the trailer carries
# their sum as written, 3.75 (not their exact sum 3.725 rounded, which would disagree with them).
FRACTION_ROWS = [
    ("א", "18", "12", "600", "100006", "0.015"),
    ("ב", "18", "12", "600", "100006", "0.015"),
    ("ג", "18", "12", "600", "100006", "0.015"),
    ("ד", "18", "12", "600", "100006", "1.005"),
    ("ה", "18", "12", "600", "100006", "2.675"),
]

# The transaction table as the imports leave it for the road workbook of the road tests: the
# typing fix has cleaned B and C, the credit import wrote each amount by its value, the
# collection import kept the amount texts.
ROAD_CREDIT_ROWS = [
    ("ישראל ישראלי", "12345674", "12", "600", "100006", "1234.5"),
    ("שרה כהן", "18", "10", "936", "1002", "1250"),
    ("דוד לוי", "123456789", "12", "600", "100018", "99.9"),
    ("O'Neil. Ltd", "000000018", "20", "826", "10001", "0.015"),
]
ROAD_COLLECTION_ROWS = [r[:5] + (a,) for r, a in zip(ROAD_CREDIT_ROWS, ["1234.5", "1,250", "99.9", "0.015"])]

CASES = {
    "road_credit.001": ("credit", ROAD_CREDIT_ROWS),
    "road_collection.001": ("collection", ROAD_COLLECTION_ROWS),
    "credit_one_row.001": ("credit", [HEBREW_ROWS[0]]),
    "collection_one_row.001": ("collection", [HEBREW_ROWS[0]]),
    "credit_hebrew.001": ("credit", HEBREW_ROWS),
    "collection_hebrew.001": ("collection", HEBREW_ROWS),
    "credit_long_fields.001": ("credit", LONG_ROWS),
    "collection_long_fields.001": ("collection", LONG_ROWS),
    "credit_fractions.001": ("credit", FRACTION_ROWS),
    "collection_fractions.001": ("collection", FRACTION_ROWS),
}

def decode_name(field):
    """An old-code name field back to Hebrew as a person reads it."""
    raw = bytes(b + 96 if 128 <= b <= 154 else b for b in reversed(field.encode("latin-1")))
    return raw.decode("cp1255").strip(" ")


def describe(data):
    """The file as the verifier prints it, read by positions."""
    text = data.decode("latin-1")
    credit = text[125:128] == "KOT"
    lines = text.replace("\r\n", "\n").split("\n")[:-1]
    header, details, trailer = lines[0], lines[1:-2], lines[-2]
    date = header[11:17]
    out = [f"סוג: {'זיכויים' if credit else 'חיובים'}", f"קוד מוסד: {header[1:9]}",
           f"קוד תוכנה: {header[28:33]}", f"תאריך ערך: {date[4:6]}/{date[2:4]}/{date[0:2]}",
           f"שם המוסד: {decode_name(header[39:69])}"]
    for n, d in enumerate(details, 1):
        agorot = int(d[61:72]) * 100 + int(d[72:74])
        out.append("\t".join([str(n), decode_name(d[45:61]), d[36:45], d[17:19], d[19:22],
                              d[26:35], f"{agorot // 100}.{agorot % 100:02d}"]))
    total = trailer[21:36] if credit else trailer[36:51]
    count = trailer[51:58] if credit else trailer[58:65]
    out.append(f"מספר תנועות: {int(count)}")
    out.append(f"סך הכל: {int(total[:13])}.{total[13:]}")
    return "\n".join(out) + "\n"


if __name__ == "__main__":
    for file_name, (variant, rows) in CASES.items():
        data = build(variant, "12345678", "54321", "עמותת הדגמה", "261207", rows)
        with open(file_name, "wb") as f:
            f.write(data)
        with open(file_name.replace(".001", ".txt"), "w", encoding="utf-8", newline="\n") as f:
            f.write(describe(data))
        print(file_name, len(data))
