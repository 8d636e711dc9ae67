#!/usr/bin/env python3
"""Checks a WARC file as TALVEX writes it, record by record, without a WARC library.

Usage: check_warc.py [--list | --normalise] WARC

WARC is .warc, or .warc.gz with one gzip member per record. Checked: framing (WARC/1.1, ASCII
header lines, Content-Length, CRLF CRLF), unique <urn:uuid:...> IDs, dates, block digests (sha1,
base32), the warcinfo first, payload digests, revisits against the record they refer to, and a
metadata record after each resource and revisit. Prints "N records: 1 warcinfo, R resource, ...";
--list adds a line per resource or revisit (type, URI, date, content type); --normalise prints
the records but the warcinfo instead, decompressed, with IDs as <id-N>, for comparing two runs. Problems: one line each on stderr, exit status 1.
"""
import base64
import hashlib
import re
import sys
import zlib

TYPES = ("warcinfo", "resource", "revisit", "metadata")
FIELD = re.compile(rb"([!-9;-~]+):[ \t]*([ -~\t]*)")  # printable ASCII only
RECORD_ID = re.compile(rb"<urn:uuid:[0-9a-fA-F]{8}(?:-[0-9a-fA-F]{4}){3}-[0-9a-fA-F]{12}>")
DATE = re.compile(rb"\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ")
URI = re.compile(rb"[!-~]+")
PROFILE = b"http://netpreserve.org/warc/1.1/revisit/identical-payload-digest"
# A revisit's fields and those of the record it refers to that must be equal.
REVISIT = ("WARC-Target-URI", "WARC-Refers-To-Target-URI", "WARC-Refers-To-Date",
           "WARC-Payload-Digest")
ORIGINAL = ("WARC-Target-URI", "WARC-Target-URI", "WARC-Date", "WARC-Payload-Digest")

problems = []


class Record:
    """One record: where it is, its header lines, its fields by lower-case name, its block."""

    def __init__(self, where, lines):
        self.where, self.lines, self.fields, self.block = where, lines, {}, b""
        for line in lines[1:]:
            match = FIELD.fullmatch(line)
            if match:
                self.fields[match[1].decode().lower()] = match[2].rstrip(b" \t")
            else:
                problems.append(f"{where}: header line not 'Name: value' in ASCII: {line!r}")

    def get(self, name):
        return self.fields.get(name.lower(), b"")


def parse(data, start, where):
    """The record at data[start:] and the offset after it; (None, None) if it cannot be framed."""
    end = data.find(b"\r\n\r\n", start)
    lines = data[start:end].split(b"\r\n")
    if end < 0 or lines[0] != b"WARC/1.1":
        problems.append(f"{where}: no 'WARC/1.1' header ended by a blank line")
        return None, None
    record = Record(where, lines)
    length = record.get("Content-Length")
    stop = end + 4 + int(length) if length.isdigit() else -1
    record.block = data[end + 4:stop]
    if stop < 0 or len(record.block) != stop - end - 4 or data[stop:stop + 4] != b"\r\n\r\n":
        problems.append(f"{where}: no block of Content-Length {length.decode()!r} and CRLF CRLF")
        return None, None
    return record, stop + 4


def records_of(data, gzipped):
    """Every record of the file; a .gz file's gzip members must hold one record each."""
    records, offset = [], 0
    while offset < len(data):
        where = f"record {len(records) + 1} at offset {offset}"
        if not gzipped:
            record, offset = parse(data, offset, where)
        else:
            inflater, parts = zlib.decompressobj(wbits=31), []
            try:
                while not inflater.eof and offset < len(data):
                    parts.append(inflater.decompress(data[offset:offset + 65536]))
                    offset = min(offset + 65536, len(data))
            except zlib.error as error:
                problems.append(f"{where}: not a gzip member: {error}")
                return records
            if not inflater.eof:
                problems.append(f"{where}: gzip member cut short")
                return records
            offset -= len(inflater.unused_data)
            member = b"".join(parts)
            record, after = parse(member, 0, where)
            if after is not None and after != len(member):
                problems.append(f"{where}: gzip member holds more than this record")
        if record is None:
            return records
        records.append(record)
    return records


def digest(data):
    return b"sha1:" + base64.b32encode(hashlib.sha1(data).digest())


def check(records):
    """Counts the records of each type; adds a problem for each rule a record breaks."""
    seen, counts = {}, dict.fromkeys(TYPES, 0)
    if not records:
        problems.append("no record")
    for i, record in enumerate(records):
        kind, ident = record.get("WARC-Type").decode(), record.get("WARC-Record-ID")
        field = lambda name: record.get(name).decode()
        bad = lambda text: problems.append(f"{record.where} ({kind}): {text}")
        counts[kind] = counts.get(kind, 0) + 1
        if kind not in TYPES:
            bad("unknown WARC-Type")
        if (i == 0) != (kind == "warcinfo"):
            bad("the warcinfo must be the first record and the only one")
        if not RECORD_ID.fullmatch(ident):
            bad(f"WARC-Record-ID {ident!r} is not <urn:uuid:...>")
        elif ident in seen:
            bad(f"WARC-Record-ID {ident.decode()} used twice")
        if not DATE.fullmatch(record.get("WARC-Date")):
            bad(f"WARC-Date {field('WARC-Date')!r} is not YYYY-MM-DDThh:mm:ssZ")
        if record.get("WARC-Block-Digest") != digest(record.block):
            bad(f"WARC-Block-Digest {field('WARC-Block-Digest')!r}, "
                f"the block's is {digest(record.block).decode()}")
        if record.get("WARC-Concurrent-To") and record.get("WARC-Concurrent-To") not in seen:
            bad(f"WARC-Concurrent-To {field('WARC-Concurrent-To')} names no earlier record")
        if kind in ("resource", "revisit"):
            if not URI.fullmatch(record.get("WARC-Target-URI")):
                bad(f"WARC-Target-URI {field('WARC-Target-URI')!r} is empty or not 0x21-0x7E")
            after = records[i + 1] if i + 1 < len(records) else None
            if (after is None or after.get("WARC-Type") != b"metadata" or
                    after.get("WARC-Concurrent-To") != ident):
                bad("not followed by a metadata record concurrent to it")
        if kind == "resource" and record.get("WARC-Payload-Digest") != digest(record.block):
            bad("WARC-Payload-Digest is not the block's digest")
        if kind == "revisit":
            original = seen.get(record.get("WARC-Refers-To"))
            if record.get("WARC-Profile") != PROFILE or record.block:
                bad("not an identical-payload-digest revisit with an empty block")
            if original is None:
                bad(f"WARC-Refers-To {field('WARC-Refers-To')!r} names no earlier record")
            elif [record.get(n) for n in REVISIT] != [original.get(n) for n in ORIGINAL]:
                bad("URI, date or payload digest differ from the record it refers to")
        seen[ident] = record
    return counts


def normalised(records):
    """The records but the warcinfo (its run time and index path vary) as bytes, decompressed,
    with the IDs as <id-N> in order of appearance, the same for every run and system."""
    names, out = {}, []
    rename = lambda match: names.setdefault(match[0], b"<id-%d>" % (len(names) + 1))
    for record in records:
        if record.get("WARC-Type") != b"warcinfo":
            lines = [RECORD_ID.sub(rename, line) for line in record.lines]
            out.append(b"\r\n".join(lines) + b"\r\n\r\n" + record.block + b"\r\n\r\n")
    return b"".join(out)


def main(argv):
    options = [a for a in argv if a.startswith("--")]
    paths = [a for a in argv if not a.startswith("--")]
    if len(paths) != 1 or not set(options) <= {"--list", "--normalise"} or len(options) > 1:
        print(__doc__.split("\n\n")[1], file=sys.stderr)
        return 2
    with open(paths[0], "rb") as f:
        records = records_of(f.read(), paths[0].lower().endswith(".gz"))
    counts = check(records)
    if "--normalise" in options:
        sys.stdout.buffer.write(normalised(records))
    else:
        print(f"{len(records)} records: " + ", ".join(f"{n} {kind}" for kind, n in counts.items()))
    for record in records if "--list" in options else []:
        if record.get("WARC-Type") in (b"resource", b"revisit"):
            print(" ".join((record.get(name) or b"-").decode() for name in
                           ("WARC-Type", "WARC-Target-URI", "WARC-Date", "Content-Type")))
    for text in problems:
        print(f"check_warc: {text}", file=sys.stderr)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
