#!/usr/bin/env python3
"""Checks a report against the output tree it describes.

Usage: check_report.py REPORT OUTDIR [SUMMARY-LINE]

REPORT is .csv or .jsonl. It must parse (Python's csv or json), be valid
UTF-8 without control characters, and for every row with a saved path that
file must exist under OUTDIR and its SHA-256 equal the row's (for a listing:
the cached file, OUTDIR being the cache directory). With the
summary line the run printed, the outcome counts must equal it. Prints one
line per row, "offset state outcome content_type saved_path", for the case's expected
output; problems go to standard error and make the exit status 1.
"""
import csv
import hashlib
import json
import os
import re
import sys


def rows_of(path):
    with open(path, "rb") as f:
        data = f.read()
    text = data.decode("utf-8")  # raises on anything but UTF-8
    if re.search("[\x00-\x08\x0b\x0c\x0e-\x1f\x7f-\x9f]", text):
        raise ValueError("a control character in the report")
    if path.lower().endswith(".csv"):
        return list(csv.DictReader(text.splitlines(keepends=True)))
    return [json.loads(line) for line in text.splitlines()]


def main():
    report, outdir = sys.argv[1], sys.argv[2]
    problems = []
    rows = [r for r in rows_of(report) if r.get("outcome") != "cut short" and not r.get("cut_short")]
    counts = {}
    for row in rows:
        counts[row["outcome"]] = counts.get(row["outcome"], 0) + 1
        saved = row["saved_path"]
        # A listing's rows are checked against the cached files themselves.
        if row["outcome"] == "listed" and row["size"] not in ("missing", None):
            saved = row["cached_file"]
        if saved:
            # The report writes bytes that are not printable UTF-8 as \xHH.
            raw = re.sub(rb"\\x([0-9A-F]{2})", lambda m: bytes([int(m.group(1), 16)]), saved.encode())
            path = os.path.join(outdir.encode(), raw)
            if not os.path.isfile(path):
                problems.append("row %s: no file %s" % (row["number"], saved))
            else:
                with open(path, "rb") as f:
                    digest = hashlib.sha256(f.read()).hexdigest()
                if digest != row["sha256"]:
                    problems.append("row %s: sha256 %s, file has %s" % (row["number"], row["sha256"], digest))
        print(row["offset"], row["state"], row["outcome"], row["content_type"] or "-", saved)
    if len(sys.argv) > 3:
        numbers = [int(n) for n in re.findall(r"\d+", sys.argv[3])]
        names = ["saved", "already saved", "failed", "cached file missing"]
        want = dict(zip(["found"] + names, numbers))
        got = dict((name, counts.get(name, 0)) for name in names)
        got["found"] = len(rows)
        if got != want:
            problems.append("counts %r, summary %r" % (got, want))
    for problem in problems:
        print(problem, file=sys.stderr)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
