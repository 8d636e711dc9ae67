#!/usr/bin/env python3
"""Compares warcio's index of a WARC (CDXJ on stdin) with the listing of the same
run (LISTING.csv): one line for each record whose cached file could be read, with
its URL as the WARC has it (bytes outside '!'..'~' as %XX) and its date (last
access, else modification). Prints the count; a difference each on stderr, exit 1."""
import csv, json, re, sys, time
from collections import Counter

def raw(text):  # the report's escapes back to bytes
    return re.sub(rb"\\x([0-9A-F]{2})", lambda m: bytes([int(m.group(1), 16)]), text.encode())

def uri(data):
    return "".join(chr(b) if 0x21 <= b <= 0x7E else "%%%02X" % b for b in data)

expected = Counter()
for row in csv.DictReader(open(sys.argv[1], newline="", encoding="utf-8")):
    if row["size"] != "missing":
        seconds = int(row["accessed_raw"]) or int(row["modified_raw"])
        expected[(uri(raw(row["url"])), time.strftime("%Y%m%d%H%M%S", time.gmtime(seconds)))] += 1
found = Counter()
for line in sys.stdin:
    key, stamp, fields = line.split(" ", 2)
    found[(json.loads(fields)["url"], stamp)] += 1
for what, counter in (("missing", expected - found), ("unexpected", found - expected)):
    for (url, stamp), n in counter.items():
        print(f"{what}: {url} {stamp} (x{n})", file=sys.stderr)
print(f"{sum(found.values())} lines, {sum(expected.values())} readable cached files")
sys.exit(1 if expected != found else 0)
