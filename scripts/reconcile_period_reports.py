#!/usr/bin/env python3
"""Checks the period, aging and audit-trail reports of a hospital's data against SQL of its own.

    reconcile_period_reports.py --bin BUILD/bin --data DIR --from MM/DD/YYYY --to MM/DD/YYYY
                                [--user demo --password-file FILE] [--out DIR]

Produces each report as `tarvik-reports run` does (spreadsheet rows as CSV), then compares what
the reports print with figures computed here straight from the raw BILLING and Patient_data
tables (never from the tables the procedures or the reporting copies fill), to the cent:

  * the receivable aging in detail for each balance class (P, N, A): on every account the five
    buckets add up to the balance and opening + charges + payments + adjustments = balance (the
    ledger's signs: payments and discounts negative); every account and the totals as the
    ledger gives them as of the last day;
  * the aging summary by classification: each classification and the whole equal the detail;
  * the payable aging: the credit balances as of the last day, aged from the last credit;
  * the adjustments: each adjustment of the period listed once, the totals by type;
  * the G/L entries: every batch balances, the totals equal the journal's, and the summary per
    G/L account gives the receivable accounts' net as the ledger's movement;
  * the admissions: the period's admissions, each once.

The aging and payable procedures rewrite their tables: give a copy of the data. Prints one line
per check and exits with 1 when any differs.
"""

import argparse
import csv
import datetime
import os
import re
import sqlite3
import subprocess
import sys
import tempfile
from decimal import Decimal

FAILURES = []


def check(what, got, expected):
    ok = got == expected
    if isinstance(got, list) and isinstance(expected, list) and len(expected) > 12:
        # Long lists: their sizes, and what only one side has.
        extra, missing = sorted(set(got) - set(expected)), sorted(set(expected) - set(got))
        shown = f"report {len(got)} rows, SQL {len(expected)}"
        if not ok:
            shown += f"; only in the report {extra[:10]}, only in SQL {missing[:10]}"
    else:
        shown = f"report {got}, SQL {expected}"
    print(f"{'ok  ' if ok else 'DIFF'} {what}: {shown}")
    if not ok:
        FAILURES.append(what)


def cents(text):
    """A CSV amount (pesos) as integer cents."""
    return int((Decimal(text or "0") * 100).to_integral_value())


def peso(c):
    sign = "-" if c < 0 else ""
    c = abs(c)
    return f"{sign}{c // 100:,}.{c % 100:02d}"


class Run:
    def __init__(self, args):
        self.args = args
        self.out = args.out or tempfile.mkdtemp(prefix="reconcile-")
        os.makedirs(self.out, exist_ok=True)

    def report(self, entry, *options):
        """Runs one entry to CSV; returns the rows of each file written, by file name."""
        folder = tempfile.mkdtemp(dir=self.out)
        command = [os.path.join(self.args.bin, "tarvik-reports"), "run", entry, *options,
                   "--data", self.args.data, "--user", self.args.user, "--csv", folder,
                   "--trace", os.path.join(folder, "trace.txt")]
        if self.args.password_file:
            command += ["--password-file", self.args.password_file]
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        done = subprocess.run(command, capture_output=True, text=True, env=env)
        if done.returncode != 0:
            sys.exit(f"{entry} failed ({done.returncode}): {done.stderr}")
        files = {}
        for name in sorted(os.listdir(folder)):
            if name.endswith(".csv"):
                with open(os.path.join(folder, name), encoding="utf-8-sig", newline="") as f:
                    files[name] = list(csv.reader(f))
        return files

    def render(self, definition, params):
        """Lays out one definition with tarvik-render to CSV (for a period no dialog offers)."""
        folder = tempfile.mkdtemp(dir=self.out)
        path = os.path.join(folder, "report.csv")
        command = [os.path.join(self.args.bin, "tarvik-render"),
                   os.path.join(self.args.bin, "REPORTS", definition), "--data", self.args.data, "--csv", path]
        for name, value in params:
            command += ["--param", f"{name}={value}"]
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen")
        done = subprocess.run(command, capture_output=True, text=True, env=env)
        if done.returncode != 0:
            sys.exit(f"{definition} failed: {done.stderr}")
        with open(path, encoding="utf-8-sig", newline="") as f:
            return list(csv.reader(f))


def only(files):
    if len(files) != 1:
        sys.exit(f"expected one file, got {list(files)}")
    return next(iter(files.values()))


def row_labelled(rows, label):
    for r in rows:
        if r and r[0] == label:
            return r
    sys.exit(f"no row \"{label}\"")


ACCOUNT = re.compile(r"^(IP|OP)-\d+$")


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--bin", required=True, help="the folder of tarvik-reports and tarvik-render")
    parser.add_argument("--data", required=True, help="a copy of the data folder")
    parser.add_argument("--from", dest="first", required=True, help="MM/DD/YYYY")
    parser.add_argument("--to", dest="last", required=True, help="MM/DD/YYYY")
    parser.add_argument("--user", default="demo")
    parser.add_argument("--password-file")
    parser.add_argument("--out", help="where the reports are written (default: a temporary folder)")
    args = parser.parse_args()
    first = datetime.datetime.strptime(args.first, "%m/%d/%Y").date()
    last = datetime.datetime.strptime(args.last, "%m/%d/%Y").date()
    F, T = first.isoformat(), last.isoformat()
    run = Run(args)
    period = ["--from", args.first, "--to", args.last]

    db = sqlite3.connect(f"file:{os.path.join(args.data, 'BILLING.sqlite')}?mode=ro", uri=True)
    db.execute(f"ATTACH 'file:{os.path.join(args.data, 'Patient_data.sqlite')}?mode=ro' AS P")
    print(f"period {args.first} to {args.last}, data {args.data}")

    # ---- Receivable aging, each balance class -------------------------------------------------
    accounts = {}
    for ar, kind, cls, opened, discharged, bal, opening, chg, pay, adj in db.execute(
            """SELECT pa.ARNo, pa.AccountKind, pa.AccountClass, pa.OpenedOn, pa.DischargedOn,
                      SUM(l.Amount), TOTAL(CASE WHEN l.TxnDate < ? THEN l.Amount END),
                      TOTAL(CASE WHEN l.TxnDate >= ? AND l.TxnType = 'CHG' THEN l.Amount END),
                      TOTAL(CASE WHEN l.TxnDate >= ? AND l.TxnType IN ('PAY', 'DEP', 'REF') THEN l.Amount END),
                      TOTAL(CASE WHEN l.TxnDate >= ? AND l.TxnType = 'ADJ' THEN l.Amount END)
                 FROM tbARLedger l JOIN tbPatientAccount pa ON pa.ARNo = l.ARNo
                WHERE l.TxnDate <= ? GROUP BY pa.ARNo""", (F, F, F, F, T)):
        basis = opened if kind == "OP" else (discharged if discharged and discharged <= T else T)
        age = (last - datetime.date.fromisoformat(basis)).days
        bucket = 0 if age <= 30 else 1 if age <= 60 else 2 if age <= 90 else 3 if age <= 120 else 4
        accounts[ar] = dict(cls=cls, bal=int(bal), opening=int(opening), chg=int(chg), pay=int(pay),
                            adj=int(adj), bucket=bucket)
    classes = {"P": lambda b: b > 0, "N": lambda b: b < 0, "A": lambda b: b != 0}
    for letter, wanted in classes.items():
        rows = only(run.report("aging-analysis-detail-report", *period, "--class", letter))
        lines = [r for r in rows if r and ACCOUNT.match(r[0])]
        bad_buckets = bad_movement = bad_account = 0
        for r in lines:
            opening, chg, pay, adj, bal = (cents(x) for x in r[5:10])
            buckets = [cents(x) for x in r[10:15]]
            bad_buckets += sum(buckets) != bal
            bad_movement += opening + chg + pay + adj != bal
            a = accounts.get(r[0])
            expected = None if a is None else [a["opening"], a["chg"], a["pay"], a["adj"], a["bal"]] + \
                [a["bal"] if i == a["bucket"] else 0 for i in range(5)]
            bad_account += expected != [opening, chg, pay, adj, bal] + buckets
        chosen = [a for a in accounts.values() if wanted(a["bal"])]
        check(f"aging {letter}: accounts listed", len(lines), len(chosen))
        check(f"aging {letter}: accounts whose five buckets do not add up to the balance", bad_buckets, 0)
        check(f"aging {letter}: accounts where opening + charges + payments + adjustments <> balance",
              bad_movement, 0)
        check(f"aging {letter}: accounts that differ from the ledger", bad_account, 0)
        total = row_labelled(rows, "Grand total")
        expected = [sum(a[k] for a in chosen) for k in ("opening", "chg", "pay", "adj", "bal")] + \
            [sum(a["bal"] for a in chosen if a["bucket"] == i) for i in range(5)]
        check(f"aging {letter}: grand total (opening, charges, payments, adjustments, balance, 5 buckets)",
              " ".join(peso(cents(x)) for x in total[5:15]), " ".join(peso(x) for x in expected))
        if letter == "P":
            detail_total = [cents(x) for x in total[9:15]]
            summary = only(run.report("aging-analysis-summary", *period, "--class", letter))
            labels = {"PAY": "Self-pay", "HMO": "HMO", "COMPANY": "Company", "SERVICE": "Service"}
            for cls, label in labels.items():
                mine = [a for a in chosen if a["cls"] == cls]
                if not mine:
                    continue
                line = next(r for r in summary if r and r[0] == label and len(r) > 2)
                got = [line[1]] + [peso(cents(line[i])) for i in (2, 4, 6, 8, 10, 12)]
                want = [str(len(mine)), peso(sum(a["bal"] for a in mine))] + \
                    [peso(sum(a["bal"] for a in mine if a["bucket"] == i)) for i in range(5)]
                check(f"aging summary: {label} (accounts, balance, 5 buckets)", " ".join(got), " ".join(want))
            payors = row_labelled(summary, "Total of all payors")
            check("aging summary: the payors' total equals the detail's grand total (balance, 5 buckets)",
                  " ".join(peso(cents(x)) for x in payors[2:8]), " ".join(peso(x) for x in detail_total))

    # ---- Payable aging ------------------------------------------------------------------------
    payables = []
    for ar, payable, last_credit in db.execute(
            """SELECT ARNo, -SUM(Amount), MAX(CASE WHEN Amount < 0 THEN TxnDate END)
                 FROM tbARLedger WHERE TxnDate <= ? GROUP BY ARNo HAVING SUM(Amount) < 0""", (T,)):
        age = (last - datetime.date.fromisoformat(last_credit)).days
        payables.append((payable, 0 if age <= 30 else 1 if age <= 60 else 2 if age <= 90 else 3 if age <= 120 else 4))
    rows = only(run.report("payable-aging-analysis-detail", *period))
    lines = [r for r in rows if r and ACCOUNT.match(r[0])]
    check("payables: accounts in credit", len(lines), len(payables))
    check("payables: listed as positive amounts", sum(cents(r[6]) <= 0 for r in lines), 0)
    total = row_labelled(rows, "Grand total")
    check("payables: grand total (payable, 5 buckets)", " ".join(peso(cents(x)) for x in total[6:12]),
          " ".join(peso(x) for x in [sum(p for p, _ in payables)] +
                   [sum(p for p, b in payables if b == i) for i in range(5)]))

    # ---- Adjustments ----------------------------------------------------------------------------
    rows = only(run.report("adjustments-report", *period))
    listed = [r[0] for r in rows if r and re.match(r"^ADJ", r[0])]
    sql = dict(db.execute("SELECT AdjNo, Amount FROM tbAdjustment WHERE PostedAt >= ? AND PostedAt <= ?",
                          (F, T + " 23:59:59.99")).fetchall())
    check("adjustments: listed more than once", len(listed) - len(set(listed)), 0)
    check("adjustments: the period's adjustments, no more, no fewer", sorted(listed), sorted(sql))
    names = {"DISCOUNT": "Discounts", "SENIOR": "Senior citizen discounts", "WRITEOFF": "Write-offs",
             "CORRECTION": "Corrections", "REFUND": "Refunds of credit balances"}
    for kind, count, amount in db.execute(
            """SELECT AdjType, COUNT(*), SUM(Amount) FROM tbAdjustment WHERE PostedAt >= ? AND PostedAt <= ?
               GROUP BY AdjType ORDER BY AdjType""", (F, T + " 23:59:59.99")):
        line = row_labelled(rows, "Total " + names[kind])
        check(f"adjustments: {names[kind]} (count, amount)", (int(line[5]), peso(cents(line[6]))),
              (count, peso(amount)))
    line = row_labelled(rows, "Total adjustments")
    check("adjustments: all (count, amount)", (int(line[5]), peso(cents(line[6]))),
          (len(sql), peso(sum(sql.values()))))

    # ---- G/L entries ----------------------------------------------------------------------------
    whole_month = first.day == 1 and (last + datetime.timedelta(days=1)).day == 1 and first.month == last.month \
        and first.year == last.year
    if whole_month:
        files = run.report("monthly-summary-of-audit-trail", "--month", first.strftime("%m/%Y"),
                           "--reports", "ar-general-ledger-detail,ar-general-ledger-summary-per-gl")
        entries = next(v for k, v in files.items() if "Detail" in k)
        summary = next(v for k, v in files.items() if "by GL" in k)
    else:
        params = [("DateFrom", args.first), ("DateTo", args.last), ("PatientType", "A"), ("Address", "")]
        entries = run.render("MonthlyEntriesGL.rpt", params)
        summary = run.render("MonthlySummaryARLedger.rpt", params)
    batches = [r for r in entries if r and r[0].startswith("Total batch ")]
    unbalanced_sql = db.execute("""SELECT COUNT(*) FROM (SELECT BatchNo FROM tbGLEntry WHERE JournalDate BETWEEN ? AND ?
                                   GROUP BY BatchNo HAVING SUM(Debit) <> SUM(Credit))""", (F, T)).fetchone()[0]
    n_batches, lines_sql, debit, credit = db.execute(
        "SELECT COUNT(DISTINCT BatchNo), COUNT(*), SUM(Debit), SUM(Credit) FROM tbGLEntry WHERE JournalDate BETWEEN ? AND ?",
        (F, T)).fetchone()
    check("G/L entries: batches", len(batches), n_batches)
    check("G/L entries: batches whose debits and credits differ", sum(cents(r[3]) != cents(r[4]) for r in batches), 0)
    check("G/L entries: batches out of balance (report's count; SQL's)",
          int(row_labelled(entries, "Batches out of balance")[1]), unbalanced_sql)
    total = row_labelled(entries, "Total debits and credits")
    check("G/L entries: total (lines, debits, credits)", (int(total[2]), peso(cents(total[3])), peso(cents(total[4]))),
          (lines_sql, peso(debit), peso(credit)))
    total = row_labelled(summary, "Total debits and credits")
    check("G/L summary: total (debits, credits, net)", (peso(cents(total[3])), peso(cents(total[4])), peso(cents(total[5]))),
          (peso(debit), peso(credit), peso(debit - credit)))
    movement = db.execute("SELECT SUM(Amount) FROM tbARLedger WHERE TxnDate BETWEEN ? AND ?", (F, T)).fetchone()[0]
    check("G/L summary: receivable accounts' net in the journal = the A/R ledger's movement",
          peso(cents(row_labelled(summary, "Receivable accounts: net debit in the journal")[5])), peso(movement))

    # ---- Admissions -----------------------------------------------------------------------------
    rows = only(run.report("list-of-admissions", *period))
    listed = [r[1] for r in rows if len(r) > 1 and r[1].startswith("A-")]
    sql = [a for (a,) in db.execute("SELECT AdmissionNo FROM P.tbAdmission WHERE date(AdmitDateTime) BETWEEN ? AND ?",
                                    (F, T))]
    check("admissions: the period's admissions, each once", sorted(listed), sorted(sql))
    check("admissions: the total", int(row_labelled(rows, "Total admissions")[5]), len(sql))

    print(f"{len(FAILURES)} difference(s)")
    return 1 if FAILURES else 0


if __name__ == "__main__":
    sys.exit(main())
