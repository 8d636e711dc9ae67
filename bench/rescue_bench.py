#!/usr/bin/env python3
"""Rescue benchmark: TALVEX on generated caches, beside the plain tools.

  first run    talvex -q -p -oOUT CACHE   against  cp -r CACHE COPY, the headline;
               and against peers timed in the same group, each into its own folder:
                 cp -a CACHE COPY, cp -r --preserve=timestamps CACHE COPY (times kept),
                 rsync -a CACHE/ COPY/ (temporary file, rename and times, as TALVEX),
                 tar -C CACHE -cf - . | tar -C COPY -xf - (COPY made first),
                 cp -r REF COPY (a tree of TALVEX's shape: many folders)
  second run   the same over the same OUT  against  diff -rq REF OUT
               (REF: the cached files copied once under their output names)
  hostile      N copies of one URL (--hostile-entries, 1,000 by default), all of
               one size and each different; 500 records whose URLs have 125, 250
               and 500 folder levels; all against a cache of N ordinary entries
  floor        talvex_bench_floor (bench/rescue_floor.cpp, found beside the program
               in bench/): the same tree made with only the file system calls that
               the program's promises need, to show how much of a ratio the work
               itself costs on this machine; by paths (--floor, which may be the
               program of an earlier commit) and with every cheaper call
               (--lean, of the floor program beside the program)
  baseline     with --baseline, a second program run with the same command line in
               both groups (its own OUT2), checked like TALVEX, and reported as
               TALVEX / baseline: for before/after comparisons
  system calls per entry of each command (strace -c -f), and peak RSS of every
               run (GNU time), with --memory also at 200k entries

Targets printed with the results: first run <= 1.3x cp -r on a tmpfs and
<= 1.45x on ext4, and <= 1.0x the floor; second run <= 0.8x diff -rq; at most
12 system calls per entry on either run; one URL <= 3x plain; peak RSS under
16 MiB at 200k entries.

The caches are generated with fixed seeds: cached-file sizes log-normal around
6 KB, about 300 hosts, 1-5 folders in a URL path, 8.3 cached-file names, and 1%
of the URLs fetched a second time with other content. The input is written to
the scratch directory (disk) and read once before timing; the outputs go to a
tmpfs mounted for the run when that is allowed (otherwise to disk), or with
--ext4 to a journalled ext4 file system in a sparse image file in the scratch
directory, mounted through a loop device; on disk and on ext4 every run starts
after a sync. Runs are interleaved; the tables show medians and the median of
the per-repetition ratio. Every run of TALVEX (and of the baseline) is checked
against the expected tree (names and modification times, and diff -rq for the
contents); each peer's copy is checked once against its source.

Usage: python3 bench/rescue_bench.py [TALVEX] [--sizes 10000,50000] [--reps 5]
                                     [--memory] [--scratch DIR] [--timeout S]
                                     [--ext4] [--hostile-entries N]
                                     [--baseline TALVEX2]
"""

import argparse
import math
import os
import random
import shlex
import shutil
import signal
import statistics
import struct
import subprocess
import sys
import tempfile
import time

HEADER_SIZE = 4096
GNU_TIME = "/usr/bin/time"
RSYNC = "/usr/bin/rsync"
# Room on the output file system per entry of the largest cache: the reference
# tree, TALVEX's output, the baseline's and one peer's copy at a time, each about
# 13 KB an entry in 4 KB blocks, with some to spare.
ROOM_PER_ENTRY = 80000
WORDS = ("news images img pics sports archive docs pub products catalog about help data "
         "files media icons buttons styles scripts home support download cgi-bin forum "
         "gallery photos 1998 1999 2000 2001 en de fr misc banners nav weather money").split()
FILE_WORDS = ("page photo logo banner story item title button bg spacer menu main style "
              "script frame top left right article report chart map thumb").split()
# URL file extension -> cached-file extension, with its share of the entries.
EXTENSIONS = [("html", "HTM", 20), ("htm", "HTM", 10), ("gif", "GIF", 35), ("jpg", "JPG", 20),
              ("css", "CSS", 4), ("js", "JS", 5), ("txt", "TXT", 6)]


def log(text):
    print(text, file=sys.stderr, flush=True)


# ---------------------------------------------------------------- caches

class Entry:
    def __init__(self, url, rel, size, mtime, atime):
        self.url, self.rel, self.size, self.mtime, self.atime = url, rel, size, mtime, atime
        self.file = None  # cached-file name, given when written


def escaped(level):
    return "".join("%%%02x" % ord(c) if ord(c) < 0x20 or c in "<>?|*:" else c for c in level)


def output_rel(url):
    """The path TALVEX gives a URL with -p (no dot-only levels are generated)."""
    levels = url.split("://", 1)[1].split("/")
    return "/".join([escaped(x) for x in levels[:-1]] + [escaped(levels[-1]) or "index.htm"])


def file_size(rng):
    return int(min(3 << 20, rng.lognormvariate(math.log(6000), 1.1)))


def realistic_entries(n, seed):
    rng = random.Random(seed)
    hosts = []
    for i in range(300):
        sub = rng.choice(["www", "www", "www", "images", "news", "ftp", "home", "members"])
        host = "%s.site%03d.%s" % (sub, i, rng.choice(["com", "com", "net", "org", "de", "edu"]))
        if rng.random() < 0.03:
            host += ":8080"
        folders = [tuple(rng.choice(WORDS) for _ in range(rng.choice([1, 1, 2, 2, 2, 3, 3, 4, 5])))
                   for _ in range(rng.randint(3, 30))]
        hosts.append(("ftp" if sub == "ftp" else "http", host, folders))
    popularity = [1 / (i + 1) ** 0.9 for i in range(len(hosts))]
    start = 820454400  # 1996-01-01
    taken, entries = set(), []
    duplicates = n // 100
    while len(entries) < n - duplicates:
        scheme, host, folders = rng.choices(hosts, weights=popularity)[0]
        r = rng.random()
        if r < 0.05:
            name = ""  # ends with '/': saved as index.htm
        elif r < 0.10:
            name = "%s?id=%d&p=%d" % (rng.choice(["search", "view", "show"]),
                                     rng.randrange(100000), rng.randrange(10))
        else:
            ext = rng.choices(EXTENSIONS, weights=[w for _, _, w in EXTENSIONS])[0][0]
            name = "%s%d.%s" % (rng.choice(FILE_WORDS), rng.randrange(1000), ext)
        url = "%s://%s/%s/%s" % (scheme, host, "/".join(rng.choice(folders)), name)
        rel = output_rel(url)
        if rel in taken:
            continue
        taken.add(rel)
        size = file_size(rng)
        mtime = 0 if rng.random() < 0.05 else start + rng.randrange(6 * 365 * 86400)
        entries.append(Entry(url, rel, size, mtime, (mtime or start) + rng.randrange(90 * 86400)))
    # Fetched again later, with other content (half of them of the same size).
    for original in rng.sample(entries, duplicates):
        at = rng.randint(entries.index(original) + 1, len(entries))
        size = original.size if rng.random() < 0.5 else file_size(rng)
        entries.insert(at, Entry(original.url, original.rel, size, original.mtime + 86400,
                                 original.atime + 86400))
    return entries


def same_url_entries(copies):
    return [Entry("http://www.example.com/news/today.html", "www.example.com/news/today.html",
                  6000, 978307200 + i, 978307200 + i) for i in range(copies)]


def deep_entries(records, levels):
    # 'h' and levels-1 folders 'd' hold the files 000, 001, ...: at 500 levels
    # the URL is 1010 bytes, as long as a URL block allows.
    entries = []
    for i in range(records):
        url = "http://h/" + "d/" * (levels - 1) + "%03d" % i
        entries.append(Entry(url, output_rel(url), 2000, 978307200, 978307200))
    return entries


def record(entry):
    file = entry.file.encode()
    url = entry.url.encode()
    block = struct.pack("<IIII", 33 + len(file) + 1 + 4, 1, entry.mtime, entry.atime)
    block += bytes(17) + file + bytes(1 + 4)
    return block + struct.pack("<II", 8 + len(url) + 5, 1) + url + bytes(5)


def write_cache(cache, entries, seed, same_prefix=False):
    """Writes the cached files and fat.db; returns the total bytes of the files.
    With same_prefix every file is one random text with its number at the end."""
    rng = random.Random(seed)
    os.makedirs(cache)
    names, total = set(), 0
    base = rng.randbytes(max(e.size for e in entries)) if same_prefix else b""
    kinds = {"gif": "GIF", "jpg": "JPG", "css": "CSS", "js": "JS", "txt": "TXT"}
    for i, e in enumerate(entries):
        while e.file is None or e.file in names:
            kind = kinds.get(e.url.rsplit(".", 1)[-1], "HTM")
            e.file = "M%07X.%s" % (rng.randrange(1 << 28), kind)
        names.add(e.file)
        content = base[:e.size - 8] + struct.pack("<Q", i) if same_prefix else rng.randbytes(e.size)
        with open(os.path.join(cache, e.file), "wb") as f:
            f.write(content)
        total += e.size
    with open(os.path.join(cache, "fat.db"), "wb") as f:
        f.write(bytes(HEADER_SIZE) + b"".join(record(e) for e in entries))
    return total


def expected_tree(entries):
    """rel path -> entry: a URL seen again with other content gets .Over0000, ..."""
    tree, seen = {}, {}
    for e in entries:
        k = seen.get(e.rel, -1)
        seen[e.rel] = k + 1
        tree[e.rel if k < 0 else "%s.Over%04X" % (e.rel, k)] = e
    return tree


def build_reference(cache, tree, ref):
    for rel, e in tree.items():
        path = os.path.join(ref, rel)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        shutil.copyfile(os.path.join(cache, e.file), path)


# The first run's peers besides cp -r, in the order they are reported.
PEERS = ("cp-a", "cp-times", "rsync", "tar", "cp-ref")
LABELS = {"first": "talvex first run", "cp": "cp -r", "cp-a": "cp -a",
          "cp-times": "cp -r --preserve=timestamps", "rsync": "rsync -a",
          "tar": "tar -c | tar -x", "cp-ref": "cp -r REF", "floor": "floor",
          "lean": "lean floor",
          "second": "talvex second run", "diff": "diff -rq",
          "base-first": "baseline first run", "base-second": "baseline second run",
          "report": "talvex first run --report", "list": "talvex --list",
          "warc": "talvex first run --warc=.warc", "warcgz": "talvex first run --warc=.warc.gz"}


def peer_command(key, cache, ref, copy):
    """The command of a peer that copies CACHE (or REF) to COPY; tar's COPY must exist."""
    if key == "cp-a":
        return ["cp", "-a", cache, copy]
    if key == "cp-times":
        return ["cp", "-r", "--preserve=timestamps", cache, copy]
    if key == "rsync":
        return [RSYNC, "-a", cache + "/", copy + "/"]
    if key == "tar":
        return ["sh", "-c", "tar -C %s -cf - . | tar -C %s -xf -"
                % (shlex.quote(cache), shlex.quote(copy))]
    return ["cp", "-r", ref, copy]


def warm(cache):
    for name in os.listdir(cache):
        with open(os.path.join(cache, name), "rb") as f:
            while f.read(1 << 20):
                pass


def files_under(root):
    """rel path -> mtime of every regular file below root (iterative: trees can be deep);
    nothing when there is no root."""
    found, stack = {}, [root] if os.path.isdir(root) else []
    while stack:
        for item in os.scandir(stack.pop()):
            if item.is_dir(follow_symlinks=False):
                stack.append(item.path)
            else:
                mtime = item.stat(follow_symlinks=False).st_mtime
                found[os.path.relpath(item.path, root)] = int(mtime)
    return found


def check_tree(label, out, tree):
    """Reports every missing, extra or wrongly dated file; True when there is none."""
    found = files_under(out)
    missing = sorted(set(tree) - set(found))
    extra = sorted(set(found) - set(tree))
    dated = sorted(r for r in set(tree) & set(found)
                   if found[r] != (tree[r].mtime or tree[r].atime))
    for what, rels in (("missing", missing), ("unexpected", extra), ("wrong time", dated)):
        if rels:
            log("CHECK %s: %d %s, e.g. %s" % (label, len(rels), what, rels[:3]))
    return not (missing or extra or dated)


def check_copy(label, copy, source, times):
    """A plain tool's copy holds every file of source (with its time if times); True when so.
    A pipe's exit status is its last command's, so this is what shows a tar that failed."""
    found, wanted = files_under(copy), files_under(source)
    missing = sorted(set(wanted) - set(found))
    extra = sorted(set(found) - set(wanted))
    dated = sorted(r for r in set(wanted) & set(found) if times and found[r] != wanted[r])
    for what, rels in (("missing", missing), ("unexpected", extra), ("wrong time", dated)):
        if rels:
            log("CHECK %s: %d %s, e.g. %s" % (label, len(rels), what, rels[:3]))
    return not (missing or extra or dated)


# ---------------------------------------------------------------- running

class Timeout(Exception):
    pass


def on_alarm(signum, frame):
    raise Timeout()


class Runner:
    def __init__(self, timeout, on_disk, logs):
        self.timeout, self.on_disk, self.logs = timeout, on_disk, logs
        self.with_time = os.access(GNU_TIME, os.X_OK)
        signal.signal(signal.SIGALRM, on_alarm)

    def run(self, argv, expect=(0,)):
        """Runs argv without a terminal: (wall s, cpu s, peak RSS KiB or None, exit code)."""
        if self.on_disk:
            subprocess.run(["sync"], check=True)
        rss_file = os.path.join(self.logs, "rss")
        if self.with_time:
            argv = [GNU_TIME, "-f", "%M", "-o", rss_file] + argv
        out_file = os.path.join(self.logs, "run.log")
        with open(out_file, "wb") as out:
            start = time.perf_counter()
            p = subprocess.Popen(argv, stdin=subprocess.DEVNULL, stdout=out,
                                 stderr=subprocess.STDOUT, start_new_session=True)
            signal.setitimer(signal.ITIMER_REAL, self.timeout)
            try:
                _, status, usage = os.wait4(p.pid, 0)
            except Timeout:
                os.killpg(p.pid, signal.SIGKILL)
                os.wait4(p.pid, 0)
                p.returncode = -9
                raise RuntimeError("%s: no end after %d s" % (" ".join(argv[-5:]), self.timeout))
            except BaseException:  # stopped (SIGTERM, Ctrl-C): the run goes too, so the unmount can
                os.killpg(p.pid, signal.SIGKILL)
                os.wait4(p.pid, 0)
                raise
            finally:
                signal.setitimer(signal.ITIMER_REAL, 0)
            wall = time.perf_counter() - start
        p.returncode = os.waitstatus_to_exitcode(status)
        if p.returncode not in expect:
            with open(out_file, "rb") as f:
                tail = f.read()[-400:].decode("latin-1")
            raise RuntimeError("%s: exit %d\n%s" % (" ".join(argv), p.returncode, tail))
        rss = None
        if self.with_time:
            with open(rss_file) as f:
                rss = int(f.read().split()[-1])
        return wall, usage.ru_utime + usage.ru_stime, rss, p.returncode

    def syscalls(self, argv):
        """System calls made by argv and its children: (total, {name: count})."""
        trace = os.path.join(self.logs, "strace")
        self.run(["strace", "-c", "-f", "-o", trace] + argv, expect=(0, 1))
        counts = {}
        with open(trace) as f:
            for line in f:
                fields = line.split()
                if len(fields) >= 5 and fields[3].isdigit():
                    counts[fields[-1]] = int(fields[3])
        return counts.pop("total", 0), counts


def remove(*paths):
    for path in paths:
        shutil.rmtree(path, ignore_errors=True)


def median_ratio(a, b):
    return statistics.median(x / y for x, y in zip(a, b))


# ---------------------------------------------------------------- measurements

def talvex_command(talvex, cache, out):
    return [talvex, "-q", "-p", "-o" + out, cache]


def measure_size(args, runner, n, scratch, outdir, report):
    cache = os.path.join(scratch, "cache-%d" % n)
    log("generating %d entries..." % n)
    entries = realistic_entries(n, args.seed + n)
    total = write_cache(cache, entries, args.seed + n + 1)
    tree = expected_tree(entries)
    ref, out, out2, copy, floor = (os.path.join(outdir, x)
                                   for x in ("ref", "out", "out2", "copy", "floor"))
    build_reference(cache, tree, ref)
    subprocess.run(["sync"], check=True)
    warm(cache)
    command = talvex_command(args.talvex, cache, out)
    listing = os.path.join(scratch, "floor-list")
    with open(listing, "w") as f:
        f.writelines("%s\t%s\n" % (e.file, rel) for rel, e in tree.items())
    # Two groups of (key, command, output folder), each run in turn within a
    # repetition. TALVEX's outputs stay for the second group; every other output
    # goes right after its run, so the output file system holds the reference,
    # TALVEX's outputs and one copy at a time.
    first = [("first", command, out), ("cp", ["cp", "-r", cache, copy], copy)]
    first += [(key, peer_command(key, cache, ref, os.path.join(outdir, key)),
               os.path.join(outdir, key)) for key in args.peers]
    if args.floor:
        first.append(("floor", [args.floor, cache, floor, listing], floor))
    if args.report:
        # A rescue into its own folder with a CSV report beside it (the report
        # must not exist before the run), and a listing that writes nothing.
        csv_report = os.path.join(outdir, "report.csv")
        first.append(("report", ["sh", "-c", 'rm -f "$0" && exec "$@"', csv_report]
                      + talvex_command(args.talvex, cache, os.path.join(outdir, "rep"))[:-1]
                      + ["--report=" + csv_report, cache], os.path.join(outdir, "rep")))
        first.append(("list", [args.talvex, "--list", cache], None))
    if args.warc:
        # Rescues into their own folders with a web archive beside each (it must
        # not exist before the run): plain and compressed.
        for key, name in (("warc", "rescue.warc"), ("warcgz", "rescue.warc.gz")):
            archive = os.path.join(outdir, name)
            first.append((key, ["sh", "-c", 'rm -f "$0" && exec "$@"', archive]
                          + talvex_command(args.talvex, cache, os.path.join(outdir, key))[:-1]
                          + ["--warc=" + archive, cache], os.path.join(outdir, key)))
    if args.lean_floor:
        first.append(("lean", [args.lean_floor, "--lean", cache, floor + "-lean", listing],
                      floor + "-lean"))
    second = [("second", command, out), ("diff", ["diff", "-rq", ref, out], None)]
    if args.baseline:
        first.append(("base-first", talvex_command(args.baseline, cache, out2), out2))
        second.append(("base-second", talvex_command(args.baseline, cache, out2), out2))
    kept = (out, out2)
    times = {key: [] for key, _, _ in first + second}
    cpu = {k: [] for k in times}
    rss = {k: 0 for k in times}
    copied = {}  # peer key -> its copy held what it should
    checked = base_checked = True
    for rep in range(args.reps):
        log("  %d entries, repetition %d of %d" % (n, rep + 1, args.reps))
        remove(*(output for _, _, output in first))
        for group in (first, second):
            # Each repetition starts the group at another command.
            for key, argv, output in group[rep % len(group):] + group[:rep % len(group)]:
                if key == "tar":
                    os.makedirs(output)
                wall, used, peak, code = runner.run(argv, expect=(0, 1) if key == "diff" else (0,))
                log("    %-12s %7.3f s" % (key, wall))
                times[key].append(wall)
                cpu[key].append(used)
                rss[key] = max(rss[key], peak or 0)
                if code != 0:
                    log("CHECK %d entries: the output differs from the reference tree" % n)
                    checked = False
                if output is None or output in kept:
                    continue
                if rep == 0 and key not in ("floor", "lean", "report", "warc", "warcgz"):
                    source, times_kept = (ref, False) if key == "cp-ref" else (cache, key != "cp")
                    copied[key] = check_copy("%s, %d entries" % (LABELS[key], n), output,
                                             source, times_kept)
                remove(output)
            if rep == 0 and group is first:
                checked = check_tree("%d entries" % n, out, tree) and checked
            if rep == 0 and args.baseline:
                # The baseline's output after each of its runs, like TALVEX's.
                label = "baseline %s, %d entries" % ("first run" if group is first else
                                                     "second run", n)
                same = runner.run(["diff", "-rq", ref, out2], expect=(0, 1, 2))[3] == 0
                if not same:
                    log("CHECK %s: the output differs from the reference tree" % label)
                base_checked = check_tree(label, out2, tree) and same and base_checked
    calls = None
    if not args.no_strace and n == min(args.sizes):
        log("  counting system calls...")
        remove(*(output for _, _, output in first))
        calls = {}
        for key, argv, output in first + second:
            if key == "tar":
                os.makedirs(output)
            calls[key] = runner.syscalls(argv)
            if output is not None and output not in kept:
                remove(output)
    gz_ratio = None
    if args.warc:
        plain, packed = (os.path.join(outdir, name) for name in ("rescue.warc", "rescue.warc.gz"))
        gz_ratio = os.path.getsize(packed) / os.path.getsize(plain)
        for archive in (plain, packed):
            os.remove(archive)
    remove(*(output for _, _, output in first), ref, cache, listing)
    report["sizes"].append(dict(n=n, mb=total / 1e6, times=times, cpu=cpu, rss=rss, calls=calls,
                                checked=checked, copied=copied, base_checked=base_checked,
                                gz_ratio=gz_ratio))


def measure_hostile(args, runner, scratch, outdir, report):
    n = args.hostile_entries
    plain, same = "{:,} plain entries".format(n), "{:,} copies of one URL".format(n)
    shapes = [(plain, realistic_entries(n, args.seed)), (same, same_url_entries(n))]
    shapes += [("500 URLs of %d levels" % L, deep_entries(500, L)) for L in (125, 250, 500)]
    caches = []
    for i, (label, entries) in enumerate(shapes):
        cache = os.path.join(scratch, "hostile-%d" % i)
        write_cache(cache, entries, args.seed + i, same_prefix=label == same)
        caches.append((label, cache, expected_tree(entries)))
    subprocess.run(["sync"], check=True)
    for _, cache, _ in caches:
        warm(cache)
    out = os.path.join(outdir, "out")
    times = {label: [] for label, _, _ in caches}
    rss = {label: 0 for label, _, _ in caches}
    checked = True
    for rep in range(args.reps):
        log("  hostile shapes, repetition %d of %d" % (rep + 1, args.reps))
        turn = caches[rep % len(caches):] + caches[:rep % len(caches)]
        for label, cache, tree in turn:
            remove(out)
            wall, _, peak, _ = runner.run(talvex_command(args.talvex, cache, out))
            times[label].append(wall)
            rss[label] = max(rss[label], peak or 0)
            if rep == 0:
                checked = check_tree(label, out, tree) and checked
    remove(out, *(cache for _, cache, _ in caches))
    report["hostile"] = dict(times=times, rss=rss, checked=checked, plain=plain, same=same)


def measure_memory(args, runner, scratch, outdir, report):
    n = args.memory_entries
    cache = os.path.join(scratch, "cache-%d" % n)
    log("generating %d entries for the memory run..." % n)
    entries = realistic_entries(n, args.seed + n)
    total = write_cache(cache, entries, args.seed + n + 1)
    subprocess.run(["sync"], check=True)
    warm(cache)
    out = os.path.join(outdir, "out")
    log("  one first run...")
    wall, _, peak, _ = runner.run(talvex_command(args.talvex, cache, out))
    checked = check_tree("%d entries" % n, out, expected_tree(entries))
    remove(out, cache)
    report["memory"] = dict(n=n, mb=total / 1e6, wall=wall, rss=peak, checked=checked)


# ---------------------------------------------------------------- report

def print_report(report, runner):
    med = statistics.median
    where = {"tmpfs": "a tmpfs", "ext4": "a journalled ext4 image (sync before each run)",
             "disk": "disk (sync before each run)",
             "refused": "disk (tmpfs refused; sync before each run)"}[report["where"]]
    target = {"tmpfs": "<= 1.3", "ext4": "<= 1.45"}.get(report["where"],
                                                         "<= 1.3 on a tmpfs, 1.45 on ext4")
    print("TALVEX rescue benchmark: %s" % report["talvex"])
    if report["baseline"]:
        print("baseline: %s" % report["baseline"])
    print("outputs on %s;\ninputs on disk, in the page cache; %d repetitions, medians"
          % (where, report["reps"]))
    rows = report["sizes"]
    if rows:
        print("\nFirst run against cp -r (target %s), second run against diff -rq (<= 0.8)"
              % target)
        print("%8s %8s | %9s %8s %6s %6s | %9s %8s %6s %6s | %s" % (
            "entries", "MB", "first s", "cp s", "ratio", "cpu",
            "second s", "diff s", "ratio", "cpu", "output"))
        for r in rows:
            t, c = r["times"], r["cpu"]
            print("%8d %8.0f | %9.3f %8.3f %6.2f %6.2f | %9.3f %8.3f %6.2f %6.2f | %s" % (
                r["n"], r["mb"], med(t["first"]), med(t["cp"]), median_ratio(t["first"], t["cp"]),
                median_ratio(c["first"], c["cp"]), med(t["second"]), med(t["diff"]),
                median_ratio(t["second"], t["diff"]), median_ratio(c["second"], c["diff"]),
                "as expected" if r["checked"] else "WRONG (see above)"))
        print("(ratio: median of the per-repetition ratios of wall time; "
              "cpu: the same for user+system time)")
        if report["peers"]:
            print("\nFirst run against more peers, each timed in the first run's group")
            print("%8s  %-28s %9s %10s %6s  %s" % ("entries", "peer", "peer s", "first/peer", "cpu",
                                                  "copy"))
            for r in rows:
                t, c = r["times"], r["cpu"]
                for key in PEERS:
                    if key not in t:
                        continue
                    print("%8d  %-28s %9.3f %10.2f %6.2f  %s" % (
                        r["n"], LABELS[key], med(t[key]), median_ratio(t["first"], t[key]),
                        median_ratio(c["first"], c[key]),
                        "as expected" if r["copied"].get(key) else "WRONG (see above)"))
            print("(ratio: first-run time / peer time, median of the per-repetition ratios; "
                  "cpu: the same\n for user+system time; REF: the expected output tree, many folders)")
            if "rsync" not in report["peers"]:
                print("rsync -a: not measured, %s is missing" % RSYNC)
        if report["baseline"]:
            print("\nTALVEX against the baseline (ratio: TALVEX / baseline)")
            print("%8s | %9s %8s %6s | %9s %8s %6s | %s" % (
                "entries", "base 1st s", "ratio", "cpu", "base 2nd s", "ratio", "cpu",
                "baseline output"))
            for r in rows:
                t, c = r["times"], r["cpu"]
                print("%8d | %9.3f %8.2f %6.2f | %9.3f %8.2f %6.2f | %s" % (
                    r["n"], med(t["base-first"]), median_ratio(t["first"], t["base-first"]),
                    median_ratio(c["first"], c["base-first"]), med(t["base-second"]),
                    median_ratio(t["second"], t["base-second"]),
                    median_ratio(c["second"], c["base-second"]),
                    "as expected" if r["base_checked"] else "WRONG (see above)"))
        floors = (("floor", "The floor: the same tree made with only the calls the promises need "
                             "(target: first/floor <= 1.0)"),
                  ("lean", "The lean floor: the same with every cheaper call (folder handles "
                           "kept, O_TMPFILE + linkat)"))
        if all(r["times"].get("report") for r in rows):
            print("\nReports: a first run with --report=FILE.csv (target <= 1.25x the first run) "
                  "and --list (< 1x)")
            print("%8s | %9s %9s | %9s %9s" % ("entries", "report s", "/first", "list s", "/first"))
            for r in rows:
                t = r["times"]
                print("%8d | %9.3f %9.2f | %9.3f %9.2f" % (
                    r["n"], med(t["report"]), median_ratio(t["report"], t["first"]),
                    med(t["list"]), median_ratio(t["list"], t["first"])))
        if all(r["times"].get("warc") for r in rows):
            print("\nWeb archives: a first run with --warc=FILE.warc (target <= 1.3x the first "
                  "run) and .warc.gz")
            print("%8s | %9s %9s | %9s %9s %9s" % ("entries", "warc s", "/first", "warc.gz s",
                                                  "/first", "gz/plain"))
            for r in rows:
                t = r["times"]
                print("%8d | %9.3f %9.2f | %9.3f %9.2f %9.3f" % (
                    r["n"], med(t["warc"]), median_ratio(t["warc"], t["first"]),
                    med(t["warcgz"]), median_ratio(t["warcgz"], t["first"]),
                    r.get("gz_ratio", 0)))
        for key, title in floors:
            if not all(r["times"].get(key) for r in rows):
                continue
            print("\n" + title)
            print("%8s | %9s %9s %9s" % ("entries", key + " s", key + "/cp", "first/" + key))
            for r in rows:
                t = r["times"]
                print("%8d | %9.3f %9.2f %9.2f" % (r["n"], med(t[key]),
                      median_ratio(t[key], t["cp"]), median_ratio(t["first"], t[key])))
    for r in rows:
        if r["calls"] is None:
            continue
        print("\nSystem calls per entry at %d entries (target <= 12 on either talvex run)"
              % r["n"])
        for key, (total, counts) in r["calls"].items():
            top = sorted(counts.items(), key=lambda kv: -kv[1])[:6]
            print("  %-28s %6.1f   %s" % (LABELS[key], total / r["n"], ", ".join(
                "%s %.1f" % (name, count / r["n"]) for name, count in top)))
    hostile = report.get("hostile")
    if hostile:
        t = hostile["times"]
        plain = t[hostile["plain"]]
        print("\nHostile shapes (targets: one URL <= 3x plain; levels linear: x2 per doubling)")
        print("  %-26s %9s %9s" % ("", "median s", "x plain"))
        for label, values in t.items():
            print("  %-26s %9.3f %9.1f" % (label, med(values), median_ratio(values, plain)))
        deep = [t["500 URLs of %d levels" % L] for L in (125, 250, 500)]
        print("  levels 125 -> 250: x%.2f; 250 -> 500: x%.2f%s" % (
            median_ratio(deep[1], deep[0]), median_ratio(deep[2], deep[1]),
            "" if hostile["checked"] else "; output WRONG (see above)"))
    print("\nPeak RSS, KiB (target < 16384 at 200k entries)%s" % (
        "" if runner.with_time else ": not measured, %s is missing" % GNU_TIME))
    if runner.with_time:
        for r in rows:
            print("  %d entries: talvex first %d, second %d; cp -r %d, diff -rq %d" % (
                r["n"], r["rss"]["first"], r["rss"]["second"], r["rss"]["cp"], r["rss"]["diff"]))
            if report["baseline"]:
                print("  %d entries: baseline first %d, second %d" % (
                    r["n"], r["rss"]["base-first"], r["rss"]["base-second"]))
        if hostile:
            print("  hostile shapes: talvex at most %d" % max(hostile["rss"].values()))
        m = report.get("memory")
        if m:
            print("  %d entries (%.0f MB): talvex first run %d (%.1f s)%s" % (
                m["n"], m["mb"], m["rss"], m["wall"], "" if m["checked"] else ", output WRONG"))
        print("  (floor: GNU time running /bin/true peaks at %d)" % report["rss_floor"])


def mount_tmpfs(path, size_bytes):
    result = subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%d" % size_bytes, "tmpfs", path],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    return result.returncode == 0


def mount_ext4(path, image, size_bytes):
    """Mounts on path a journalled ext4 made in the sparse file image; False (said) if refused."""
    with open(image, "wb") as f:
        f.truncate(size_bytes)
    # mkfs's defaults keep the journal; one inode per 8 KiB instead of 16, since
    # several trees of small files share the file system. The inode tables and
    # the journal are written now, not by a kernel thread during the timed runs.
    for argv in (["mkfs.ext4", "-q", "-F", "-i", "8192",
                  "-E", "lazy_itable_init=0,lazy_journal_init=0", image],
                 ["mount", "-o", "loop", image, path]):
        result = subprocess.run(argv, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        if result.returncode != 0:
            log("rescue_bench: %s: %s" % (" ".join(argv[:2]), result.stderr.decode().strip()))
            return False
    return True


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    ap = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    ap.add_argument("talvex", nargs="?", default=os.path.join(root, "build", "talvex"))
    ap.add_argument("--sizes", default="10000,50000", help="entries of the realistic caches")
    ap.add_argument("--reps", type=int, default=5)
    ap.add_argument("--memory", action="store_true",
                    help="also one first run at --memory-entries for peak RSS")
    ap.add_argument("--memory-entries", type=int, default=200000)
    ap.add_argument("--no-hostile", action="store_true")
    ap.add_argument("--no-strace", action="store_true")
    ap.add_argument("--no-peers", action="store_true", help="time only cp -r beside TALVEX")
    ap.add_argument("--report", action="store_true",
                    help="also time a first run with --report=FILE.csv, and --list")
    ap.add_argument("--warc", action="store_true",
                    help="also time rescues that write a .warc and a .warc.gz")
    ap.add_argument("--no-tmpfs", action="store_true", help="write the outputs to disk")
    ap.add_argument("--ext4", action="store_true",
                    help="write the outputs to a journalled ext4 image made for the run")
    ap.add_argument("--hostile-entries", type=int, default=1000,
                    help="entries of the plain and the one-URL hostile shapes")
    ap.add_argument("--baseline", help="a second program timed beside TALVEX (before/after)")
    ap.add_argument("--scratch", default=tempfile.gettempdir(), help="where the caches are written")
    ap.add_argument("--timeout", type=int, default=900, help="seconds any one run may take")
    ap.add_argument("--seed", type=int, default=1997)
    ap.add_argument("--floor", help="the floor program (default: bench/talvex_bench_floor "
                    "beside the program; none if missing)")
    args = ap.parse_args()
    args.talvex = os.path.abspath(args.talvex)
    beside = os.path.join(os.path.dirname(args.talvex), "bench", "talvex_bench_floor")
    args.lean_floor = beside if os.access(beside, os.X_OK) else None
    if args.floor is None:
        args.floor = beside
    if not os.access(args.floor, os.X_OK):
        log("no floor program at %s: no floor figures" % args.floor)
        args.floor = None
    args.sizes = [int(x) for x in args.sizes.split(",") if x]
    if not os.access(args.talvex, os.X_OK):
        sys.exit("rescue_bench: no program at %s" % args.talvex)
    if args.baseline:
        args.baseline = os.path.abspath(args.baseline)
        if not os.access(args.baseline, os.X_OK):
            sys.exit("rescue_bench: no baseline program at %s" % args.baseline)
    args.peers = [key for key in PEERS if key != "rsync" or os.access(RSYNC, os.X_OK)]
    if args.no_peers:
        args.peers = []
    elif "rsync" not in args.peers:
        log("%s is missing: no rsync -a figures" % RSYNC)
    if not args.no_strace and shutil.which("strace") is None:
        log("strace is missing (apt-get install strace): no system call counts")
        args.no_strace = True

    scratch = tempfile.mkdtemp(prefix="talvex-rescue-", dir=args.scratch)
    outdir = os.path.join(scratch, "out")
    os.makedirs(outdir)
    sizes = args.sizes + [1000]
    sizes += [args.memory_entries] if args.memory else []
    sizes += [args.hostile_entries] if not args.no_hostile else []
    room = max(1 << 30, max(sizes) * ROOM_PER_ENTRY)
    report = dict(talvex=args.talvex, baseline=args.baseline, peers=args.peers,
                  reps=args.reps, sizes=[])
    mounted = False
    # A stop by SIGTERM still unmounts and removes the scratch directory.
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(1))
    try:
        if args.ext4:
            mounted = mount_ext4(outdir, os.path.join(scratch, "ext4.img"), room)
            if not mounted:
                sys.exit("rescue_bench: no ext4 image could be made and mounted")
            report["where"] = "ext4"
        elif args.no_tmpfs:
            report["where"] = "disk"
        else:
            mounted = mount_tmpfs(outdir, room)
            report["where"] = "tmpfs" if mounted else "refused"
        runner = Runner(args.timeout, report["where"] != "tmpfs", scratch)
        parts = [lambda n=n: measure_size(args, runner, n, scratch, outdir, report)
                 for n in args.sizes]
        if not args.no_hostile:
            parts.append(lambda: measure_hostile(args, runner, scratch, outdir, report))
        if args.memory:
            parts.append(lambda: measure_memory(args, runner, scratch, outdir, report))
        if runner.with_time:
            report["rss_floor"] = runner.run(["/bin/true"])[2]
        for part in parts:
            try:
                part()
            except RuntimeError as problem:  # a run failed or timed out: on to the next part
                log("rescue_bench: %s" % problem)
                remove(*(os.path.join(outdir, x) for x in os.listdir(outdir)
                         if x != "lost+found"))
                remove(*(os.path.join(scratch, x) for x in os.listdir(scratch)
                         if x.startswith(("cache-", "hostile-"))))
    finally:
        if mounted and subprocess.run(["umount", outdir]).returncode != 0:
            log("rescue_bench: %s is still mounted" % outdir)
        shutil.rmtree(scratch, ignore_errors=True)
    print_report(report, runner)


if __name__ == "__main__":
    main()
