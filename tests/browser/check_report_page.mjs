// Opens a report page in headless Chromium and checks what a reader relies on:
// it loads without an error and without asking anything but local files, every
// saved file it links exists, every preview shows, and a click on a column's
// header sorts that table by the column, ascending and then descending.
//
// Usage: node check_report_page.mjs PAGE.html [--expect-saved N] [--expect-previews N]
// Exit status: 0 all holds (one summary line on stdout); 1 a problem (one line
// each on stderr); 2 a wrong command line; 77 Chromium or puppeteer-core is
// missing (skip), unless TALVEX_REQUIRE_BROWSER=1, then 1.
// puppeteer-core is found as browser_check.mjs says.
import fs from 'node:fs';
import path from 'node:path';
import {pathToFileURL} from 'node:url';

import {CHROMIUM, problem, runCheck} from './browser_check.mjs';

const USAGE =
    'usage: node check_report_page.mjs PAGE.html [--expect-saved N] [--expect-previews N]';

// The page and the expected counts, or null for a wrong command line.
function parseArguments(argv) {
  const options = {page: argv[0], saved: null, previews: null};
  for (let i = 1; i + 1 < argv.length; i += 2) {
    const key = {'--expect-saved': 'saved', '--expect-previews': 'previews'}[argv[i]];
    if (key === undefined || !/^\d+$/.test(argv[i + 1])) return null;
    options[key] = Number(argv[i + 1]);
  }
  return options.page === undefined || argv.length % 2 === 0 ? null : options;
}

// A URL as the report must write it: relative, with no scheme, no leading '/',
// and every byte outside the unreserved and path characters percent-encoded.
function isRelativeEncoded(url) {
  return !/^[A-Za-z][A-Za-z0-9+.-]*:/.test(url) && !url.startsWith('/') &&
      /^(?:[A-Za-z0-9\-._~!$&'()*+,;=:@/]|%[0-9A-Fa-f]{2})+$/.test(url);
}

// The path a file: URL names, as the bytes the browser opens: each escape one
// byte, so names that are not UTF-8 are found too. null for another host, or an
// escaped '/' or NUL, which name no file.
function fileBytes(url) {
  if (url.protocol !== 'file:' || url.host !== '' || /%(2f|00)/i.test(url.pathname)) return null;
  const decoded = url.pathname.replace(/%([0-9A-Fa-f]{2})/g,
                                       (escape, hex) => String.fromCharCode(parseInt(hex, 16)));
  return Buffer.from(decoded, 'latin1');  // a parsed URL's path is ASCII but for the escapes
}

// Keys sort as numbers when every one is a number, else as text.
function isOrdered(keys, descending) {
  const numeric = keys.every((key) => key.trim() !== '' && Number.isFinite(Number(key)));
  const compare = numeric ? (a, b) => Number(a) - Number(b) : (a, b) => (a < b ? -1 : a > b ? 1 : 0);
  const sign = descending ? -1 : 1;
  return keys.every((key, i) => i === 0 || sign * compare(keys[i - 1], key) <= 0);
}

// In the page: the tables of the report and what each row holds.
function readTables() {
  return [...document.querySelectorAll('table.entries')].map((table) => {
    const headers = [...table.querySelectorAll('thead th')].map((th) => th.textContent.trim());
    const rows = table.tBodies.length === 0 ? [] : [...table.tBodies[0].rows];
    return {
      headers,
      rows: rows.map((row) => [...row.cells].map(
          (cell) => (cell.hasAttribute('data-key') ? cell.getAttribute('data-key') :
                                                     cell.textContent.trim()))),
      rowTexts: rows.map((row) => row.outerHTML),
    };
  });
}

async function checkSorting(page, tables) {
  let chosen = -1;
  tables.forEach((table, i) => {
    if (table.rows.length >= 2 && table.headers.length > 0 &&
        (chosen < 0 || table.rows.length > tables[chosen].rows.length)) {
      chosen = i;
    }
  });
  if (chosen < 0) return 'no table with 2 rows to sort';
  const table = tables[chosen];
  const column = Math.max(0, table.headers.indexOf('Size'));
  const tableHandle = (await page.$$('table.entries'))[chosen];
  const th = (await tableHandle.$$('thead th'))[column];
  const before = [...table.rowTexts].sort();
  for (const descending of [false, true]) {
    await th.click();
    // Let a sort that waits for the next frame finish.
    await page.evaluate(() => new Promise((done) => requestAnimationFrame(() => setTimeout(done))));
    const after = (await page.evaluate(readTables))[chosen];
    const keys = after.rows.map((cells) => cells[column] ?? '');
    const label = `table ${chosen + 1}, column "${table.headers[column]}"`;
    if ([...after.rowTexts].sort().join('\n') !== before.join('\n')) {
      problem(`sorting ${label} changed its rows, not only their order`);
      break;
    }
    if (!isOrdered(keys, descending)) {
      const order = descending ? 'descending after the second click' :
                                 'ascending after the first click';
      problem(`${label} is not ${order}: ${keys.join(' | ')}`);
      break;
    }
  }
  return `sorted table ${chosen + 1} by "${table.headers[column]}" (${table.rows.length} rows)`;
}

async function check(puppeteer, options) {
  const pagePath = path.resolve(options.page);
  if (!fs.existsSync(pagePath)) {
    problem(`no page at ${pagePath}`);
    return null;
  }
  const pageUrl = pathToFileURL(pagePath).href;
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu'],
  });
  try {
    const page = await browser.newPage();
    page.on('console', (message) => {
      if (message.type() === 'error') problem(`console error: ${message.text()}`);
    });
    page.on('pageerror', (error) => problem(`page error: ${error.message}`));
    await page.setRequestInterception(true);
    page.on('request', (request) => {
      const url = request.url();
      // data: and blob: URLs are bytes of the page itself and go nowhere.
      if (/^(file|data|blob):/.test(url)) {
        request.continue();
      } else {
        problem(`request outside file://: ${url}`);
        request.abort();
      }
    });
    await page.goto(pageUrl, {waitUntil: 'load', timeout: 30000});

    const tables = await page.evaluate(readTables);
    const hosts = await page.$$eval('section.host h2 + table.entries', (found) => found.length);

    const saved = await page.$$eval('a.saved', (links) => links.map((a) => a.getAttribute('href')));
    for (const href of saved) {
      if (href === null || !isRelativeEncoded(href)) {
        problem(`saved link not a percent-encoded relative URL: ${href}`);
        continue;
      }
      const file = fileBytes(new URL(href, pageUrl));
      if (file === null) {
        problem(`saved link does not name a local file: ${href}`);
        continue;
      }
      let info = null;
      try {
        info = fs.lstatSync(file);
      } catch {
        // stays null
      }
      if (info === null || !info.isFile()) problem(`saved link leads to no regular file: ${href}`);
    }

    const previews = await page.$$eval('img.preview', (images) => images.map((img) => ({
      src: img.getAttribute('src'),
      shown: img.complete && img.naturalWidth > 0,
    })));
    for (const preview of previews) {
      if (preview.src === null || !isRelativeEncoded(preview.src)) {
        problem(`preview not a percent-encoded relative URL: ${preview.src}`);
      } else if (!preview.shown) {
        problem(`preview not shown: ${preview.src}`);
      }
    }
    if (options.saved !== null && saved.length !== options.saved) {
      problem(`${saved.length} saved links, expected ${options.saved}`);
    }
    if (options.previews !== null && previews.length !== options.previews) {
      problem(`${previews.length} previews, expected ${options.previews}`);
    }

    const sorting = await checkSorting(page, tables);
    const rows = tables.reduce((sum, table) => sum + table.rows.length, 0);
    return `${hosts} hosts, ${rows} rows, ${saved.length} saved links, ` +
        `${previews.length} previews, ${sorting}`;
  } finally {
    await browser.close();
  }
}

await runCheck({
  name: 'check_report_page',
  usage: USAGE,
  parse: parseArguments,
  check,
  done: 'report page OK',
});
