// Shared by the browser tests: Debian's Chromium driven by playwright-core, the page opened from
// file:// with every request but the page itself refused and recorded, and photonxs-cli.
import { spawnSync } from 'node:child_process';
import { pathToFileURL } from 'node:url';
import { chromium } from 'playwright-core';

export const pagePath = process.env.PHOTONXS_PAGE;
export const cli = process.env.PHOTONXS_CLI;
export const library = process.env.PHOTONXS_LIBRARY;

export async function launch() {
  return chromium.launch({
    executablePath: process.env.PHOTONXS_CHROMIUM || '/usr/bin/chromium',
    args: [
      '--no-sandbox',
      '--disable-gpu',
      '--disable-quic',
      '--no-first-run',
      '--disable-background-networking',
      '--disable-component-update',
      '--disable-sync',
    ],
  });
}

// A fresh page (its own storage), ready; `requests` lists every request but the page's own.
export async function openPage(browser, options = {}, url = pathToFileURL(pagePath).href) {
  const context = await browser.newContext({ acceptDownloads: true, ...options });
  const page = await context.newPage();
  const requests = [];
  const errors = [];
  await context.route('**/*', (route) => {
    if (route.request().url() === url) return route.continue();
    requests.push(route.request().url());
    return route.abort();
  });
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(url);
  await page.waitForSelector('html[data-ready=true]', { timeout: 20000 });
  return { context, page, requests, errors, url };
}

// photonxs-cli's output on the shipped library; `stderr` without the program's name.
export function runCli(args, root = library) {
  const run = spawnSync(cli, ['--root', root, ...args], { encoding: 'utf8', maxBuffer: 1 << 28 });
  // The page's library is /library.
  const stderr = run.stderr.replace(/^photonxs-cli: /, '').replaceAll(library, '/library').trim();
  return { status: run.status, stdout: run.stdout, stderr };
}

// The CSV rows of a CLI command run with --digits 17, as numbers (NaN for a word).
export function cliRows(args) {
  const run = runCli(['--digits', '17', '--format', 'csv', ...args]);
  const [header, ...lines] = run.stdout.trim().split('\n');
  return {
    columns: header.split(','),
    rows: lines.map((line) => line.split(',').map((field) => (/^[-+.\dE]+$/.test(field) ? Number(field) : NaN))),
  };
}

// How far apart two doubles are in units in the last place (0 when both are NaN).
export function ulps(a, b) {
  if (Number.isNaN(a) && Number.isNaN(b)) return 0;
  if (Number.isNaN(a) || Number.isNaN(b) || Math.sign(a) !== Math.sign(b)) return Infinity;
  const bits = (x) => new BigInt64Array(new Float64Array([Math.abs(x)]).buffer)[0];
  const d = bits(a) - bits(b);
  return Number(d < 0n ? -d : d);
}
