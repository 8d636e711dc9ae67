// Replays a WARC in ReplayWeb.page, in headless Chromium, and checks what a reader of the archive
// sees: the page at TARGET_URL and TIMESTAMP14 shows with its title, every image on it loads from
// the archive, and nothing is asked of any host but the local one that serves the app and the WARC.
//
// Usage: node check_replay.mjs WARC TARGET_URL TIMESTAMP14 [--expect-title T] [--expect-images N]
// Exit status: 0 all holds (one summary line on stdout); 1 a problem (one line each on stderr);
// 2 a wrong command line; 77 Chromium, puppeteer-core or the app is missing (skip), unless
// TALVEX_REQUIRE_BROWSER=1, then 1.
//
// puppeteer-core (24) is found through NODE_PATH, else in the npm prefix $HOME/.cache/talvex-npm;
// the app is the package/ folder of `npm pack replaywebpage`, named by TALVEX_REPLAYWEB, else
// $HOME/.cache/talvex-npm/replaywebpage/package. .ci/run installs both.
import fs from 'node:fs';
import http from 'node:http';
import path from 'node:path';

import {CHROMIUM, NPM_PREFIX, problem, runCheck} from './browser_check.mjs';

const APP = process.env.TALVEX_REPLAYWEB || path.join(NPM_PREFIX, 'replaywebpage', 'package');
const TIMEOUT_MS = 60000;
const USAGE = 'usage: node check_replay.mjs WARC TARGET_URL TIMESTAMP14 ' +
    '[--expect-title T] [--expect-images N]';
const TYPES = {
  '.html': 'text/html; charset=utf-8',
  '.js': 'text/javascript',
  '.mjs': 'text/javascript',
  '.json': 'application/json',
  '.wasm': 'application/wasm',
  '.css': 'text/css',
  '.svg': 'image/svg+xml',
  '.png': 'image/png',
  '.ico': 'image/x-icon',
};


// The WARC, target, timestamp and expectations, or null for a wrong command line.
function parseArguments(argv) {
  const [warc, target, timestamp, ...rest] = argv;
  const options = {warc, target, timestamp, title: null, images: null};
  for (let i = 0; i + 1 < rest.length; i += 2) {
    if (rest[i] === '--expect-title') {
      options.title = rest[i + 1];
    } else if (rest[i] === '--expect-images' && /^\d+$/.test(rest[i + 1])) {
      options.images = Number(rest[i + 1]);
    } else {
      return null;
    }
  }
  const ok = target !== undefined && /^\d{14}$/.test(timestamp ?? '') && rest.length % 2 === 0;
  return ok ? options : null;
}

// Serves the app's folder at / and the WARC at /archive/NAME, with HEAD and single byte ranges,
// on 127.0.0.1 and a free port. Chromium also uses it as its proxy, so a request for any other
// host, the page's or Chromium's own, arrives here (an absolute URL, or CONNECT) and is refused.
// No Cache-Control header: with "no-store" the app's service worker never lets the page settle.
async function serve(warcPath) {
  const warcUrlPath = '/archive/' + encodeURIComponent(path.basename(warcPath));
  const server = http.createServer((request, response) => {
    if (!request.url.startsWith('/')) {
      response.writeHead(403).end();
      return;
    }
    const urlPath = new URL(request.url, 'http://x').pathname;
    let file = warcPath;
    let size = -1;
    try {
      if (urlPath !== warcUrlPath) {
        file = path.join(
            APP, path.normalize(decodeURIComponent(urlPath === '/' ? '/index.html' : urlPath)));
      }
      const info = fs.statSync(file);
      if (info.isFile()) size = info.size;
    } catch {
      // a bad escape or no such file: stays -1
    }
    if (size < 0) {
      response.writeHead(404).end();
      return;
    }
    const headers = {
      'Content-Type': TYPES[path.extname(file)] ?? 'application/octet-stream',
      'Accept-Ranges': 'bytes',
    };
    let [start, end, status] = [0, size - 1, 200];
    const range = /^bytes=(\d+)-(\d*)$/.exec(request.headers.range ?? '');
    if (range) {
      [start, end, status] =
          [Number(range[1]), range[2] ? Math.min(Number(range[2]), size - 1) : size - 1, 206];
      if (start > end) {
        response.writeHead(416, {'Content-Range': `bytes */${size}`}).end();
        return;
      }
      headers['Content-Range'] = `bytes ${start}-${end}/${size}`;
    }
    headers['Content-Length'] = end - start + 1;
    response.writeHead(status, headers);
    if (request.method === 'HEAD' || size === 0)
      response.end();
    else
      fs.createReadStream(file, {start, end}).pipe(response);
  });
  server.on('connect', (request, socket) => {
    socket.end('HTTP/1.1 403 Forbidden\r\n\r\n');
  });
  await new Promise((done) => server.listen(0, '127.0.0.1', done));
  return {server, origin: `http://127.0.0.1:${server.address().port}`, warcUrlPath};
}

// In the replayed frame: the status it was served with (404 when the archive lacks the page), its
// title, and for each image whether it shows.
function readFrame() {
  return {
    status: performance.getEntriesByType('navigation')[0]?.responseStatus,
    title: document.title,
    images: [...document.images].map(
        (img) => ({src: img.currentSrc || img.src, shown: img.complete && img.naturalWidth > 0})),
  };
}

async function check(puppeteer, options) {
  if (!fs.existsSync(options.warc)) {
    problem(`no WARC at ${options.warc}`);
    return null;
  }
  const {server, origin, warcUrlPath} = await serve(path.resolve(options.warc));
  const outside = new Set();
  const note = (url) => {
    if (!url.startsWith(origin + '/') && !/^(data|blob|about):/.test(url)) outside.add(url);
  };
  const browser = await puppeteer.launch({
    executablePath: CHROMIUM,
    headless: true,
    args: ['--no-sandbox', '--disable-gpu', `--proxy-server=${origin}`],
  });
  try {
    // The page's and its frames' requests, and those of the service worker that replays them.
    browser.on('targetcreated', (target) => {
      if (target.type() !== 'service_worker') return;
      target.createCDPSession()
          .then(async (session) => {
            session.on('Network.requestWillBeSent', (event) => note(event.request.url));
            await session.send('Network.enable');
          })
          .catch(
              (error) => problem(`the service worker's requests are not seen: ${error.message}`));
    });
    const page = await browser.newPage();
    page.on('request', (request) => note(request.url()));
    const appUrl = `${origin}/?source=${encodeURIComponent(origin + warcUrlPath)}` +
        `#view=pages&url=${encodeURIComponent(options.target)}&ts=${options.timestamp}`;
    // The first load installs the service worker; only a page it controls loads the archive.
    // At most two connections left open: the app may keep one to the archive.
    await page.goto(appUrl, {waitUntil: 'networkidle2', timeout: TIMEOUT_MS});
    await page.reload({waitUntil: 'networkidle2', timeout: TIMEOUT_MS});
    // The replayed page's frame: /w/<collection>/<timestamp>mp_/<URL>.
    const replayed = (f) =>
        f.url().startsWith(origin) && /^\/w\/[^/]+\/\d{14}mp_\//.test(f.url().slice(origin.length));
    const frame = await page.waitForFrame(replayed, {timeout: TIMEOUT_MS});
    const framePath = `/${options.timestamp}mp_/${options.target}`;
    if (!frame.url().endsWith(framePath)) problem(`replayed ${frame.url()}, not ...${framePath}`);
    await frame.waitForFunction(() => document.readyState === 'complete', {timeout: TIMEOUT_MS});
    const seen = await frame.evaluate(readFrame);

    if (seen.status !== 200) problem(`the page was served with status ${seen.status}, not 200`);
    if (options.title !== null && seen.title !== options.title) {
      problem(`title "${seen.title}", expected "${options.title}"`);
    }
    if (options.images !== null && seen.images.length !== options.images) {
      problem(`${seen.images.length} images, expected ${options.images}`);
    }
    seen.images.filter((image) => !image.shown)
        .forEach((image) => problem(`image not shown: ${image.src}`));
    outside.forEach((url) => problem(`request outside ${origin}: ${url}`));
    return `"${seen.title}", ${seen.images.length} images shown, from ${
        frame.url().slice(origin.length)}`;
  } finally {
    await browser.close();
    server.close();
  }
}

await runCheck({
  name: 'check_replay',
  usage: USAGE,
  parse: parseArguments,
  needs: () => (fs.existsSync(path.join(APP, 'sw.js')) ? null : `no ReplayWeb.page app in ${APP}`),
  check,
  done: 'replay OK',
});
