#!/usr/bin/env python3
"""Writes the account and identity vectors the rule tests replay.

A separate rendering of the bank rules and the identity check, written from their description
rather than from the C++ code, so the code is compared against something other than itself.
Accounts are chosen to reach every remainder of every rule, both sides of every branch list and
boundary, and non-zero digits at every weighted position. Run it again only when the rules change:

    python3 make_rule_vectors.py   # writes accounts.tsv and identities.tsv beside it
"""
import os
import random

HERE = os.path.dirname(os.path.abspath(__file__))

LIST_A = "192 191 183 178 166 154 149 385 384 363 362 361 595 591 590 582 569 535 531 515 514 632 628 627 620 618 613 611 609 608 601 600".split()
LIST_B = "685 668 661 658 655 650 645 644 642 640 639 638 634 795 783 773 739 736 727 726 723 716 713 700".split()
LIST_C = "761 690 616 615 612".split()
LIST_D = ["631"]


def pad(text, width):
    if len(text) >= width:
        return text
    t = text.strip()
    return "0" * (width - len(t)) + t


def d(text, pos):
    if pos < 1 or pos > len(text):
        return 0
    c = text[pos - 1]
    return ord(c) - 48 if "0" <= c <= "9" else 0


def weighted(text, first, weights):
    return sum(w * d(text, first + i) for i, w in enumerate(weights))


def numeric(text):
    """The leading number of a text, blanks ignored; 0 when there is none."""
    t = text.replace(" ", "")
    digits = ""
    for c in t:
        if "0" <= c <= "9":
            digits += c
        else:
            break
    return int(digits) if digits else 0


def branch_account(b, a):
    return weighted(b, 1, [9, 8, 7]) + weighted(a, 4, [6, 5, 4, 3, 2, 1])


def rule1(branch, account):
    b, a = pad(branch, 3), pad(account, 9)
    s = weighted(b, 1, [10, 9, 8]) + weighted(a, 2, [7, 6, 5, 4, 3, 2]) + numeric(a[7:9])
    return s >= 100 and s % 100 in (20, 60, 70, 90)


def rule2(branch, account):
    b = pad(branch, 3)
    r = branch_account(b, pad(account, 9)) % 11
    if r == 0:
        return True
    if r == 2:
        return b in LIST_A or b in LIST_B or b in LIST_C or b in LIST_D
    if r == 4:
        return b in LIST_C or b in LIST_D
    if r == 6:
        return b in LIST_D
    return False


def rule3(account, bank):
    r = weighted(pad(account, 9), 1, [9, 8, 7, 6, 5, 4, 3, 2, 1]) % 11
    return r == 0 or (r == 4 and bank == 11)


def rule4(branch, account):
    b = pad(branch, 3)
    if numeric(branch) > 400:
        b = pad(str(numeric(branch) - 400), 3)
    s = branch_account(b, pad(account, 9))
    return s % 11 == 0 or (s % 2 == 0 and b in ("410", "426", "461"))


def rule5(account):
    a = pad(account, 9)
    if weighted(a, 1, [9, 8, 7, 6, 5, 4, 3, 2, 1]) % 11 == 0:
        return True
    return weighted(a, 1, [9, 8, 7, 6, 5, 4]) % 11 == 0


def rule6(account):
    return weighted(pad(account, 9), 1, [9, 8, 7, 6, 5, 4, 3, 2, 1]) % 10 == 0


def rule7(account):
    a = pad(account, 9)
    return d(a, 9) == weighted(a, 1, [0, 0, 0, 2, 3, 6, 7, 8, 0]) % 10


def rule8(account):
    a = pad(account, 9)
    return d(a, 9) == 11 - weighted(a, 1, [3, 2, 7, 6, 5, 4, 3, 2, 0]) % 11


def digit_sum(n):
    return n if n <= 10 else int(str(n)[0]) + int(str(n)[1])


def rule9(branch, account):
    a, b = pad(account, 9), pad(branch, 3)
    s = sum(digit_sum(w * d(a, i + 1)) for i, w in enumerate([1, 2, 1, 2, 1, 2, 1, 2, 1]))
    s += sum(digit_sum(w * d(b, i + 1)) for i, w in enumerate([2, 1, 2]))
    return s % 10 == 0


RULES = {}
for code in ("04", "12", "14", "28", "46"):
    RULES[code] = lambda b, a: rule2(b, a)
RULES["07"] = rule9
RULES["09"] = lambda b, a: rule6(a)
for code in ("10", "13", "34"):
    RULES[code] = rule1
for code, n in (("11", 11), ("17", 17), ("33", 33)):
    RULES[code] = (lambda n: lambda b, a: rule3(a, n))(n)
RULES["19"] = lambda b, a: rule7(a)
RULES["20"] = rule4
RULES["22"] = lambda b, a: rule8(a)
for code in ("31", "52"):
    RULES[code] = lambda b, a: rule5(a)


def cb(bank, branch, account):
    if not bank or not branch or not account:
        return False
    rule = RULES.get(bank)
    return bool(rule and rule(branch, account))


def chk_id(s):
    if s in ("", "x") or not s.isdigit():
        return False
    weight = 1 if len(s) % 2 == 1 else 2
    total = 0
    for c in s[:-1]:
        p = int(c) * weight
        total += p - 9 if p > 9 else p
        weight = 3 - weight
    return (total + int(s[-1])) % 10 == 0


def digits(rng, n):
    return "".join(rng.choice("0123456789") for _ in range(n))


def account_cases(rng):
    rows = []
    # Every bank with a rule, and some without: random accounts whose digits are mostly
    # non-zero, until each reaches both answers several times.
    for bank in sorted(RULES) + ["99", "4", "00", "21"]:
        seen = {True: 0, False: 0}
        tries = 0
        while min(seen.values()) < 12 and tries < 4000:
            tries += 1
            branch = digits(rng, 3)
            account = digits(rng, rng.choice([6, 7, 8, 9]))
            v = cb(bank, branch, account)
            if seen[v] < 12:
                seen[v] += 1
                rows.append((bank, branch, account, v))
    # Rule 2: every list branch, its neighbours and branches in no list, at accounts of every
    # remainder.
    branches = set(LIST_A + LIST_B + LIST_C + LIST_D)
    for b in sorted(branches):
        branches |= {f"{int(b) - 1:03d}", f"{int(b) + 1:03d}"}
    for b in sorted(branches | {"001", "012", "12", "6000"}):
        wanted = set(range(11))
        while wanted:
            account = digits(rng, 9)
            r = branch_account(pad(b, 3), account) % 11
            if r in wanted:
                wanted.discard(r)
                rows.append(("12", b, account, cb("12", b, account)))
    # Rule 3: every remainder at each of its three banks, from the same accounts.
    wanted = set(range(11))
    while wanted:
        account = digits(rng, 9)
        r = weighted(account, 1, [9, 8, 7, 6, 5, 4, 3, 2, 1]) % 11
        if r in wanted:
            wanted.discard(r)
            for bank in ("11", "17", "33"):
                rows.append((bank, "001", account, cb(bank, "001", account)))
    # Rule 4: both sides of 400, the three even-sum branches as entered and as working branches.
    for b in ["399", "400", "401", "409", "410", "411", "425", "426", "427", "460", "461", "462",
              "809", "810", "811", "825", "826", "827", "860", "861", "862", "999", "010",
              "026", "061", "4a1"]:
        working = pad(str(numeric(b) - 400), 3) if numeric(b) > 400 else pad(b, 3)
        wanted = set(range(11))
        while wanted:
            account = digits(rng, 9)
            r = branch_account(working, account) % 11
            if r in wanted:
                wanted.discard(r)
                rows.append(("20", b, account, cb("20", b, account)))
    # Rule 1: sums on both sides of 100 and every accepted ending.
    for _ in range(400):
        branch = rng.choice(["000", "001", "010", "100", digits(rng, 3)])
        account = rng.choice(["0000", "00000", "0"]) + digits(rng, rng.choice([2, 3, 4, 5]))
        rows.append(("10", branch, account, cb("10", branch, account)))
    # Rule 8: every remainder of its sum.
    wanted = set(range(11))
    while wanted:
        account = digits(rng, 8)
        r = weighted(account, 1, [3, 2, 7, 6, 5, 4, 3, 2]) % 11
        if r in wanted:
            wanted.discard(r)
            for last in "0123456789":
                rows.append(("22", "001", account + last, cb("22", "001", account + last)))
    # Rule 9: a 5 at each position of weight 2, and a branch of each digit.
    for pos in (2, 4, 6, 8):
        for _ in range(6):
            a = list(digits(rng, 9))
            a[pos - 1] = "5"
            account = "".join(a)
            for branch in ("000", "555", digits(rng, 3)):
                rows.append(("07", branch, account, cb("07", branch, account)))
    # Texts as an operator's workbook has them: short, long, spaces, non-digits.
    for bank, branch, account in [("12", " 12", "100006"), ("12", "600", "1000060"),
                                  ("12", "600", "0001000060"), ("31", "001", "123"),
                                  ("52", "001", "99"), ("09", "001", " 100004"),
                                  ("10", "936", "10 2"), ("12", "6a0", "100006"),
                                  ("12", "", "100006"), ("", "600", "1"), ("12", "600", "")]:
        rows.append((bank, branch, account, cb(bank, branch, account)))
    return rows


def identity_cases(rng):
    rows = []
    for length in range(1, 11):
        seen = {True: 0, False: 0}
        while min(seen.values()) < 10:
            s = digits(rng, length)
            v = chk_id(s)
            if seen[v] < 10:
                seen[v] += 1
                rows.append((s, v))
    # Every digit at every position of a nine-digit number, the rest fixed.
    base = "123456782"
    for pos in range(9):
        for digit in "0123456789":
            s = base[:pos] + digit + base[pos + 1:]
            rows.append((s, chk_id(s)))
    for s in ["x", "", "X", "12a45", "0", "00", "1", "18", "26", " 18", "18 ", "-18", "1.8"]:
        rows.append((s, chk_id(s)))
    return rows


def main():
    rng = random.Random(20261208)
    seen = set()
    with open(os.path.join(HERE, "accounts.tsv"), "w", encoding="utf-8", newline="\n") as f:
        f.write("bank\tbranch\taccount\tvalid\n")
        for bank, branch, account, valid in account_cases(rng):
            if (bank, branch, account) in seen:
                continue
            seen.add((bank, branch, account))
            f.write(f"{bank}\t{branch}\t{account}\t{'valid' if valid else 'invalid'}\n")
    with open(os.path.join(HERE, "identities.tsv"), "w", encoding="utf-8", newline="\n") as f:
        f.write("id\tvalid\n")
        for s, valid in dict(identity_cases(rng)).items():
            f.write(f"{s}\t{'valid' if valid else 'invalid'}\n")


if __name__ == "__main__":
    main()
