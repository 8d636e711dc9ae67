# The reports of both sample caches parse, give each saved file's SHA-256 and
# the summary's counts, tell live records from stale ones by the index's pages
# and, for the browser's own entry blocks, the content type. --list writes the
# same rows ("listed") and changes no file, not even a time. The browser
# cache's JSON Lines are kept whole in tests/golden, which the Windows suite
# compares with its own.
check() { python3 "$TALVEX_SOURCE/tests/report/check_report.py" "$@"; }
for c in cache browser-cache; do
  cp -a "$TALVEX_SOURCE/sample/$c" $c
  talvex -p --report=$c.jsonl -oout-$c $c | grep -e ^Records >$c.sum
  # The rows that are not live and saved, then how many rows there are.
  check $c.jsonl out-$c "$(cat $c.sum)" | grep -v ' live saved ' && wc -l <$c.jsonl
done
# Whole, as the Windows suite expects it too.
cmp browser-cache.jsonl "$TALVEX_SOURCE/tests/golden/browser_report.jsonl"
# Listing a folder sets its access time once (relatime): the first snapshot does that.
snapshot() { find . -printf '%p %s %T@ %A@ %C@\n' | sort | grep -v -e '^\. ' -e '^\./list'; }
snapshot >/dev/null && before=$(snapshot)
talvex --list -v browser-cache >list.out 2>list.err
[ "$(snapshot)" = "$before" ] || echo '--list changed a file'
head -n -1 list.out >list.csv && tail -1 list.out && grep -c '^URL=' list.err
check list.csv browser-cache | cut -d' ' -f2,3 | sort | uniq -c
