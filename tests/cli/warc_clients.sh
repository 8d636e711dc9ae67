# Web archives read by clients written elsewhere: npm's warcio indexes the
# sample's archive and that of a generated 2,000-entry cache, one line per record
# whose cached file could be read, with the URL and the date TALVEX gives; the
# browser cache's POST result comes after every other record. Skipped where node
# or warcio is missing (CI has both).
warcio=${TALVEX_WARCIO:-$HOME/.cache/talvex-npm/node_modules/.bin/warcio}
[ -x "$warcio" ] && command -v node >/dev/null || { echo no warcio; [ "${TALVEX_REQUIRE_BROWSER:-}" = 1 ] || exit 77; }
match() { python3 "$TALVEX_SOURCE/tests/warc/cdx_matches_listing.py" "$@"; }
python3 -c 'import sys; sys.path.insert(0, sys.argv[1]); import rescue_bench as b
b.write_cache("generated", b.realistic_entries(2000, 22), 23)' "$TALVEX_SOURCE/bench" >/dev/null
for c in sample/cache sample/browser-cache generated; do
  [ -d "$c" ] || cp -a "$TALVEX_SOURCE/$c" .
  talvex --list --warc=${c##*/}.warc.gz ${c##*/} >list 2>/dev/null && tail -1 list
  python3 "$TALVEX_SOURCE/tests/warc/check_warc.py" ${c##*/}.warc.gz
  head -n -1 list >${c##*/}.csv && "$warcio" cdx-index ${c##*/}.warc.gz | match ${c##*/}.csv
done
"$warcio" cdx-index browser-cache.warc.gz | python3 -c '
import json, sys
for line in sys.stdin: print(line.split()[1], json.loads(line.split(" ", 2)[2])["mime"], json.loads(line.split(" ", 2)[2])["url"])'
