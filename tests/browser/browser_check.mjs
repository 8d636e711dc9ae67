// What the checks in headless Chromium share: puppeteer-core and Chromium are
// found, or the check is skipped (exit 77; 1 with TALVEX_REQUIRE_BROWSER=1),
// and problems are gathered one line each.
//
// puppeteer-core (24) is found through NODE_PATH, else in the npm prefix
// $HOME/.cache/talvex-npm that .ci/run installs it into:
//   npm install --prefix "$HOME/.cache/talvex-npm" --no-save puppeteer-core@24
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {createRequire} from 'node:module';

export const CHROMIUM = '/usr/bin/chromium';
export const NPM_PREFIX = path.join(os.homedir(), '.cache', 'talvex-npm');
const SKIP = 77;

const problems = [];
// One line per problem, whatever the page put into its messages.
export function problem(text) {
  problems.push(String(text).replace(/\s+/g, ' ').trim());
}

// puppeteer-core through NODE_PATH or the usual lookup, else from the npm prefix.
function loadPuppeteer() {
  for (const place of [import.meta.url, path.join(NPM_PREFIX, 'package.json')]) {
    try {
      return createRequire(place)('puppeteer-core');
    } catch (error) {
      if (error.code !== 'MODULE_NOT_FOUND') throw error;
    }
  }
  return null;
}

// Runs a check as the program NAME: options parsed from the command line by
// parse (null: the usage, exit 2), needs(options) the reason it cannot run, if
// any (a skip), then check(puppeteer, options), which gives the summary line.
export async function runCheck({name, usage, parse, needs = () => null, check, done}) {
  const options = parse(process.argv.slice(2));
  if (options === null) {
    console.error(usage);
    process.exit(2);
  }
  const missing = (what) => {
    const required = process.env.TALVEX_REQUIRE_BROWSER === '1';
    console.error(required ? `${name}: ${what} (and TALVEX_REQUIRE_BROWSER=1)`
                           : `${name}: skipped: ${what}`);
    process.exit(required ? 1 : SKIP);
  };
  if (!fs.existsSync(CHROMIUM)) missing(`no ${CHROMIUM} (Debian package chromium)`);
  let puppeteer = null;
  try {
    puppeteer = loadPuppeteer();
  } catch (error) {
    missing(`puppeteer-core does not load: ${error.message}`);
  }
  if (puppeteer === null) missing(`puppeteer-core not found (NODE_PATH, ${NPM_PREFIX})`);
  const lacking = needs(options);
  if (lacking !== null) missing(lacking);
  let summary = null;
  try {
    summary = await check(puppeteer, options);
  } catch (error) {
    problem(`the check failed: ${error.message}`);
  }
  if (problems.length > 0) {
    problems.forEach((text) => console.error(`${name}: ${text}`));
    process.exit(1);
  }
  console.log(`${done}: ${summary}`);
}
