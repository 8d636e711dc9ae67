# --warc: a resource record per readable cached file, its URL percent-encoded
# (a CR LF in it cannot break the header), dated by its last access, else its
# modification; the same URL with the same bytes again is a revisit; every
# digest is right (check_warc.py recomputes them). Refused before the pause as
# a report is. --list writes the archive and no tree. A run cut short by a
# failed write still ends a valid archive; one that cannot be written is gone.
mkdir cache && printf '<html><title>t</title>' >cache/M0000001.HTM && printf GIF89a >cache/M0000002.GIF
printf '\1\2' >cache/M0000003.BIN && head -c 200000 /dev/zero >cache/M0000004.BIN
{ header
  record M0000001.HTM $'http://h/a b\r\nX: \xe9' 973078528 973078783 && record M0000002.GIF http://h/g.gif 16 0
  record M0000009.HTM http://h/gone.htm 16 && record M0000001.HTM $'http://h/a b\r\nX: \xe9' 0 973079000
  record M0000003.BIN http://h/b.bin 16 16 && record M0000004.BIN http://h/zero.bin 16 16
} >cache/fat.db
check() { python3 "$TALVEX_SOURCE/tests/warc/check_warc.py" "$@"; }
talvex -p -q --warc=a.WARC.gz cache && check --list a.WARC.gz
talvex --list --warc=l.warc -ol cache | tail -1 && check l.warc && ls
for file in a.WARC.gz a.warc.txt cache/x.warc nowhere/x.warc; do talvex -p -q --warc=$file -onew cache; done
(ulimit -f 8 && talvex -p -q --warc=cut.warc.gz -ocut cache) && check --list cut.warc.gz | tail -2
(ulimit -f 8 && talvex -p -q --warc=big.warc -obig cache) && ls big.warc
# The browser cache's records, but for the IDs and the warcinfo, as the Windows suite expects them too.
cp -a "$TALVEX_SOURCE/sample/browser-cache" . && talvex --list --warc=b.warc browser-cache >/dev/null
check --normalise b.warc | cmp - "$TALVEX_SOURCE/tests/golden/browser_archive.warc" && echo same
