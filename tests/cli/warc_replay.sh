# The browser cache's archive replayed in ReplayWeb.page (the app from npm,
# served locally) in headless Chromium: the 1997 home page shows with its title
# and its image, both taken from the archive. Skipped where node, Chromium,
# puppeteer-core or the app is missing (CI has them all).
command -v node >/dev/null || { echo no node; exit 77; }
talvex --list --warc=b.warc.gz "$TALVEX_SOURCE/sample/browser-cache" | tail -1
timeout 100 node "$TALVEX_SOURCE/tests/browser/check_replay.mjs" b.warc.gz http://www.example.edu/ \
  19970901093000 --expect-title "Example University" --expect-images 1 |
  sed -e 's/ *([0-9.]* s)$//' -e 's|/w/id-[0-9a-f]*/|/w/ID/|'
status=${PIPESTATUS[0]} && [ $status != 77 ] || exit 77
exit $status
