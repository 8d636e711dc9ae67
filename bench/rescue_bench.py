#!/usr/bin/env python3
"""Rescue benchmark: TALVEX on generated caches, beside the plain tools.

  first run    talvex -q -p -oOUT CACHE   against  cp -r CACHE COPY
  second run   the same over the same OUT  against  diff -rq REF OUT
               (REF: the cached files copied once under their output names)
  hostile      1,000 copies of one URL, all of one size and each different;
               500 records whose URLs have 125, 250 and 500 folder levels;
               both against a cache of 1,000 ordinary entries
  floor        talvex_bench_floor (bench/rescue_floor.cpp, found beside the program
               in bench/): the same tree made with only the file system calls that
               the program's promises need, to show how much of a ratio the work
               itself costs on this machine
  system calls per entry of each command (strace -c -f), and peak RSS of every
               run (GNU time), with --memory also at 200k entries

The caches are generated with fixed seeds: cached-file sizes log-normal around
6 KB, about 300 hosts, 1-5 folders in a URL path, 8.3 cached-file names, and 1%
of the URLs fetched a second time with other content. The input is written to
the scratch directory (disk) and read once before timing; the outputs go to a
tmpfs mounted for the run when that is allowed (otherwise to disk, with a sync
before each run). Runs are interleaved; the tables show medians and the median
of the per-repetition ratio. Every run of TALVEX is checked against the
expected tree (names and modification times, and diff -rq for the contents).

Usage: python3 bench/rescue_bench.py [TALVEX] [--sizes 10000,50000] [--reps 5]
                                     [--memory] [--scratch DIR] [--timeout S]
"""

import argparse
import math
import os
import random
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


def warm(cache):
    for name in os.listdir(cache):
        with open(os.path.join(cache, name), "rb") as f:
            while f.read(1 << 20):
                pass


def files_under(root):
    """rel path -> mtime of every regular file below root (iterative: trees can be deep)."""
    found, stack = {}, [root]
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
    ref, out, copy = (os.path.join(outdir, x) for x in ("ref", "out", "copy"))
    build_reference(cache, tree, ref)
    subprocess.run(["sync"], check=True)
    warm(cache)
    command = talvex_command(args.talvex, cache, out)
    floor = os.path.join(outdir, "floor")
    listing = os.path.join(scratch, "floor-list")
    with open(listing, "w") as f:
        f.writelines("%s\t%s\n" % (e.file, rel) for rel, e in tree.items())
    times = {k: [] for k in ("first", "cp", "second", "diff", "floor")}
    cpu = {k: [] for k in times}
    rss = {k: 0 for k in times}
    checked = True
    for rep in range(args.reps):
        log("  %d entries, repetition %d of %d" % (n, rep + 1, args.reps))
        remove(out, copy, floor)
        pairs = [[("first", command), ("cp", ["cp", "-r", cache, copy])],
                 [("second", command), ("diff", ["diff", "-rq", ref, out])]]
        if args.floor:
            pairs[0].append(("floor", [args.floor, cache, floor, listing]))
        for pair in pairs:
            for key, argv in (pair if rep % 2 == 0 else pair[::-1]):
                wall, used, peak, code = runner.run(argv, expect=(0, 1) if key == "diff" else (0,))
                times[key].append(wall)
                cpu[key].append(used)
                rss[key] = max(rss[key], peak or 0)
                if code != 0:
                    log("CHECK %d entries: the output differs from the reference tree" % n)
                    checked = False
            if rep == 0 and pair is pairs[0]:
                checked = check_tree("%d entries" % n, out, tree) and checked
    calls = None
    if not args.no_strace and n == min(args.sizes):
        log("  counting system calls...")
        remove(out, copy)
        calls = {"first": runner.syscalls(command),
                 "cp": runner.syscalls(["cp", "-r", cache, copy]),
                 "second": runner.syscalls(command),
                 "diff": runner.syscalls(["diff", "-rq", ref, out])}
    remove(out, copy, floor, ref, cache, listing)
    report["sizes"].append(dict(n=n, mb=total / 1e6, times=times, cpu=cpu, rss=rss,
                                calls=calls, checked=checked))


def measure_hostile(args, runner, scratch, outdir, report):
    shapes = [("1,000 plain entries", realistic_entries(1000, args.seed)),
              ("1,000 copies of one URL", same_url_entries(1000))]
    shapes += [("500 URLs of %d levels" % L, deep_entries(500, L)) for L in (125, 250, 500)]
    caches = []
    for i, (label, entries) in enumerate(shapes):
        cache = os.path.join(scratch, "hostile-%d" % i)
        write_cache(cache, entries, args.seed + i, same_prefix=label.startswith("1,000 copies"))
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
    report["hostile"] = dict(times=times, rss=rss, checked=checked)


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
    where = "a tmpfs" if not runner.on_disk else "disk (tmpfs refused; sync before each run)"
    print("TALVEX rescue benchmark: %s" % report["talvex"])
    print("outputs on %s; inputs on disk, in the page cache; %d repetitions, medians"
          % (where, report["reps"]))
    rows = report["sizes"]
    if rows:
        print("\nFirst run against cp -r (target <= 1.3), "
              "second run against diff -rq (<= 1.2 at 50k)")
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
        if all(r["times"]["floor"] for r in rows):
            print("\nThe floor: the same tree made with only the calls the promises need")
            print("%8s | %9s %9s %9s" % ("entries", "floor s", "floor/cp", "first/floor"))
            for r in rows:
                t = r["times"]
                print("%8d | %9.3f %9.2f %9.2f" % (r["n"], med(t["floor"]),
                      median_ratio(t["floor"], t["cp"]), median_ratio(t["first"], t["floor"])))
    for r in rows:
        if r["calls"] is None:
            continue
        print("\nSystem calls per entry at %d entries (target <= 15 for the first run)" % r["n"])
        for key, label in (("first", "talvex first run"), ("cp", "cp -r"),
                           ("second", "talvex second run"), ("diff", "diff -rq")):
            total, counts = r["calls"][key]
            top = sorted(counts.items(), key=lambda kv: -kv[1])[:6]
            print("  %-18s %6.1f   %s" % (label, total / r["n"], ", ".join(
                "%s %.1f" % (name, count / r["n"]) for name, count in top)))
    hostile = report.get("hostile")
    if hostile:
        t = hostile["times"]
        plain = t["1,000 plain entries"]
        print("\nHostile shapes (targets: one URL <= 10x plain; levels linear: x2 per doubling)")
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
    ap.add_argument("--no-tmpfs", action="store_true", help="write the outputs to disk")
    ap.add_argument("--scratch", default=tempfile.gettempdir(), help="where the caches are written")
    ap.add_argument("--timeout", type=int, default=900, help="seconds any one run may take")
    ap.add_argument("--seed", type=int, default=1997)
    ap.add_argument("--floor", help="the floor program (default: bench/talvex_bench_floor "
                    "beside the program; none if missing)")
    args = ap.parse_args()
    args.talvex = os.path.abspath(args.talvex)
    if args.floor is None:
        args.floor = os.path.join(os.path.dirname(args.talvex), "bench", "talvex_bench_floor")
    if not os.access(args.floor, os.X_OK):
        log("no floor program at %s: no floor figures" % args.floor)
        args.floor = None
    args.sizes = [int(x) for x in args.sizes.split(",") if x]
    if not os.access(args.talvex, os.X_OK):
        sys.exit("rescue_bench: no program at %s" % args.talvex)
    if not args.no_strace and shutil.which("strace") is None:
        log("strace is missing (apt-get install strace): no system call counts")
        args.no_strace = True

    scratch = tempfile.mkdtemp(prefix="talvex-rescue-", dir=args.scratch)
    outdir = os.path.join(scratch, "out")
    os.makedirs(outdir)
    # Room for the output, the cp -r copy and the reference tree (about 13 KB an entry each).
    largest = max(args.sizes + ([args.memory_entries] if args.memory else []) + [1000])
    mounted = not args.no_tmpfs and mount_tmpfs(outdir, max(1 << 30, largest * 64000))
    runner = Runner(args.timeout, not mounted, scratch)
    report = dict(talvex=args.talvex, reps=args.reps, sizes=[])
    # A stop by SIGTERM still unmounts and removes the scratch directory.
    signal.signal(signal.SIGTERM, lambda signum, frame: sys.exit(1))
    parts = [lambda n=n: measure_size(args, runner, n, scratch, outdir, report) for n in args.sizes]
    if not args.no_hostile:
        parts.append(lambda: measure_hostile(args, runner, scratch, outdir, report))
    if args.memory:
        parts.append(lambda: measure_memory(args, runner, scratch, outdir, report))
    try:
        if runner.with_time:
            report["rss_floor"] = runner.run(["/bin/true"])[2]
        for part in parts:
            try:
                part()
            except RuntimeError as problem:  # a run failed or timed out: on to the next part
                log("rescue_bench: %s" % problem)
                remove(*(os.path.join(outdir, x) for x in os.listdir(outdir)))
                remove(*(os.path.join(scratch, x) for x in os.listdir(scratch)
                         if x.startswith(("cache-", "hostile-"))))
    finally:
        if mounted:
            subprocess.run(["umount", outdir])
        shutil.rmtree(scratch, ignore_errors=True)
    print_report(report, runner)


if __name__ == "__main__":
    main()
