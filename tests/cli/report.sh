# --report: one row per record in index order, escaped to printable UTF-8; a
# file moved aside later is reported where it went; a second run's rows say
# "already saved"; a run cut short by a failed write still writes its report.
# A report file that exists, has another extension, lies in the cache or has no
# folder is refused before the pause, and nothing is written.
mkdir cache && printf page >cache/M0000001.HTM && printf GIF89a >cache/M0000002.GIF && printf x >cache/M0000003.TXT
{ header
  record M0000001.HTM http://h/a 973078528 973078783 && record M0000002.GIF http://h/a/b.gif 0 16
  record M0000009.HTM http://h/gone.htm && record M0000003.TXT $'http://h/c,"q"\\caf\xe9\x1b.txt'
} >cache/fat.db
check() { python3 "$TALVEX_SOURCE/tests/report/check_report.py" "$@"; }
talvex -p -q --report=r.csv cache && cat r.csv
talvex -p --report=R.JSONL cache | grep -e ^Records -e ^Report >summary && cat summary
check R.JSONL TALVEX.OUT "$(head -1 summary)" >/dev/null
check r.csv TALVEX.OUT "Records found: 4, saved: 3, already saved: 0, failed: 0, cached file missing: 1" >/dev/null
for file in r.csv r.txt cache/r.html nowhere/r.csv; do talvex -p -q --report=$file -onew cache; done
seq 20000 >cache/M0000001.HTM && (ulimit -f 8 && talvex -p -q --report=cut.jsonl -ocut cache)
check cut.jsonl cut >/dev/null && tail -1 cut.jsonl
tree
