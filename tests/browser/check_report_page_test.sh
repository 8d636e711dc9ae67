#!/bin/sh
# Tries check_report_page.mjs on a small page that keeps the report page's
# contract, then on copies that each break one rule: the first must pass, every
# other must fail. Exits 77 when the checker skips (no Chromium or puppeteer-core).
# Usage: sh check_report_page_test.sh   (KEEP_TEST_DIRS=1 keeps the pages)
set -u
checker="$(cd "$(dirname "$0")" && pwd)/check_report_page.mjs"
work=$(mktemp -d)
[ -n "${KEEP_TEST_DIRS:-}" ] && echo "pages in $work" || trap 'rm -rf "$work"' EXIT
mkdir "$work/saved"
echo text >"$work/saved/a b.txt"
echo text >"$work/saved/$(printf 'caf\351')"  # a name that is not UTF-8
# A 1x1 PNG.
echo iVBORw0KGgoAAAANSUhEUgAAAAEAAAABCAQAAAC1HAwCAAAAC0lEQVR42mNkYAAAAAYAAjCB0C8AAAAASUVORK5CYII= |
  base64 -d >"$work/saved/pic.png"

cat >"$work/contract.html" <<'PAGE'
<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>report</title>
<style>th{cursor:pointer}</style></head><body>
<section class="host"><h2>a.example</h2><table class="entries">
<thead><tr><th>URL</th><th>Size</th></tr></thead><tbody>
<tr><td><a class="saved" href="saved/a%20b.txt">a b</a></td><td data-key="1000">1 KB</td></tr>
<tr><td><a class="saved" href="saved/pic.png"><img class="preview" src="saved/pic.png"></a></td>
<td data-key="70">70 B</td></tr>
<tr><td><a class="saved" href="saved/caf%E9">caf&eacute;</a></td>
<td data-key="9">9 B</td></tr>
</tbody></table></section>
<section class="host"><h2>b.example</h2><table class="entries">
<thead><tr><th>URL</th><th>Size</th></tr></thead>
<tbody><tr><td>x</td><td>5</td></tr></tbody></table></section>
<script>
for (const table of document.querySelectorAll('table.entries')) {
  for (const th of table.tHead.rows[0].cells) {
    th.addEventListener('click', () => {
      const up = th.dataset.up !== 'true';
      th.dataset.up = up;
      const cell = (row) => row.cells[th.cellIndex];
      const key = (row) => cell(row).dataset.key ?? cell(row).textContent;
      const rows = [...table.tBodies[0].rows];
      const numbers = rows.every((row) => isFinite(Number(key(row))));
      const order = (a, b) => (numbers ? key(a) - key(b) : key(a).localeCompare(key(b)));
      rows.sort((a, b) => order(a, b) * (up ? 1 : -1));
      table.tBodies[0].append(...rows);
    });
  }
}
</script></body></html>
PAGE

failures=0
# try NAME EXPECTED-STATUS SED-EXPRESSION [CHECKER-OPTION...]
try() {
  name=$1 expected=$2 edit=$3
  shift 3
  sed "$edit" "$work/contract.html" >"$work/$name.html"
  timeout 120 node "$checker" "$work/$name.html" "$@" >"$work/$name.out" 2>&1
  status=$?
  [ $status -eq 77 ] && { cat "$work/$name.out"; exit 77; }
  if [ $status -ne "$expected" ]; then
    echo "FAIL $name: status $status, expected $expected"
    failures=$((failures + 1))
  else
    echo "ok   $name ($status)"
  fi
  sed 's/^/       /' "$work/$name.out"
}
try good 0 '' --expect-saved 3 --expect-previews 1
try console-error 1 's|<script>|<script>console.error("bad");|'
try page-error 1 's|</script>|setTimeout(() => { throw new Error("bad"); });</script>|'
try network 1 's|</body>|<img src="http://192.0.2.1/x.png"></body>|'
try unencoded-saved 1 's|saved/a%20b.txt|saved/a b.txt|'
try missing-saved 1 's|saved/a%20b.txt|saved/a%20c.txt|'
try other-host 1 's|saved/a%20b.txt|//host/saved/a%20b.txt|'
try saved-folder 1 's|saved/a%20b.txt|saved/|'
try broken-preview 1 's|src="saved/pic.png"|src="saved/a%20b.txt"|'
try saved-count 1 '' --expect-saved 2
try preview-count 1 '' --expect-previews 0
try no-h2 1 's|<h2>b.example</h2>||'
try sorted-as-text 1 's|const numbers = .*;|const numbers = false;|'
try never-descending 1 's|th.dataset.up = up;||'
try no-sort 1 's|table.tBodies\[0\].append(...rows);||'
try lost-row 1 's|append(...rows)|replaceChildren(...rows.slice(1))|'
try bad-usage 2 '' --expect-saved x
[ $failures -eq 0 ]
