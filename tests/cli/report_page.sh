# The HTML report of the sample's rescue, in a folder beside the output, opened
# in headless Chromium: no console error, no request off the disk, every link
# leads to a saved file, every saved image shows, a header click sorts. Skipped
# where Chromium or puppeteer-core is missing (CI has both).
command -v node >/dev/null || { echo no node; exit 77; }
mkdir page
talvex -q --report=page/rescue.html -oout "$TALVEX_SOURCE/sample/cache" >/dev/null
timeout 100 node "$TALVEX_SOURCE/tests/browser/check_report_page.mjs" page/rescue.html \
  --expect-saved 29 --expect-previews 9
status=$? && [ $status != 77 ] || exit 77
grep -c '<section class="host">' page/rescue.html && grep -o 'href="[^"]*"' page/rescue.html | head -3
