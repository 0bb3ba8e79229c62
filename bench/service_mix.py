"""The honest clients' request mix of the service benchmarks: mostly reads, as the program asks (a
list at every activation, details at every choice), some adds, log entries and updates."""


def honest_path(rnd, n, i, account, numbers, pairs, name):
    k = rnd.random()
    if k < 0.55:
        return "KoreMosadot.asp?Mis=" + account
    if k < 0.8:
        return "KorePerateyMosad.asp?Mis=" + rnd.choice(numbers)
    if k < 0.85:
        return "HosefMosad.asp?MD=לקוח %d-%d%s" % (n, i, pairs)
    if k < 0.95:
        return "AdkenYomanPeilut.asp?MD=%s&MD1=%s&RH=05:30:12&TL=זיכויים" % (name, account)
    return "AdkenMosad.asp?Mis=%s&MD=עודכן%s" % (rnd.choice(numbers), pairs)
