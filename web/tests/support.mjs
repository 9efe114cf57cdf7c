// Shared by the browser tests: the page opened from file:// with every request but the page
// itself refused and recorded, and photonxs-cli. PHOTONXS_BROWSER chooses the browser: Debian's
// Chromium (the default) driven by playwright-core, or its firefox-esr driven over WebDriver
// BiDi by puppeteer-core, behind the few calls of playwright's the tests make.
import { spawnSync } from 'node:child_process';
import { mkdirSync, mkdtempSync, readdirSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { setTimeout as sleep } from 'node:timers/promises';
import { pathToFileURL } from 'node:url';

export const pagePath = process.env.PHOTONXS_PAGE;
export const cli = process.env.PHOTONXS_CLI;
export const library = process.env.PHOTONXS_LIBRARY;
export const browserName = process.env.PHOTONXS_BROWSER || 'chromium';

export async function launch() {
  if (browserName === 'firefox') return launchFirefox();
  const { chromium } = await import('playwright-core');
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
  if (browser.firefox) return browser.openPage(options, url);
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

// ------------------------------------------------------------------ firefox-esr

// As long as playwright waits for a control, so that a busy machine fails no test.
const WAIT_MS = 30000;

async function until(what, test) {
  const end = Date.now() + WAIT_MS;
  for (;;) {
    const found = await test();
    if (found !== undefined) return found;
    if (Date.now() > end) throw new Error(`gave up waiting for ${what}`);
    await sleep(50);
  }
}

// Runs in the page: the elements a chain of steps finds, as playwright's locators find them
// (a role's implicit name from its labels, its aria-label or its text; hidden ones left out).
function findAll(steps) {
  const normal = (text) => (text ?? '').replace(/\s+/g, ' ').trim();
  const matches = (name, wanted, exact) => (exact ? normal(name) === wanted : normal(name).toLowerCase().includes(wanted.toLowerCase()));
  const labelOf = (e) => e.getAttribute('aria-label') ?? [...(e.labels ?? [])].map((l) => l.textContent).join(' ');
  const nameOf = (e) => e.getAttribute('aria-label') ?? (e.labels?.length ? labelOf(e) : e.textContent);
  const roleOf = (e) => {
    if (e.hasAttribute('role')) return e.getAttribute('role');
    const tag = e.localName;
    if (tag === 'button') return 'button';
    if (tag === 'select') return 'combobox';
    if (tag !== 'input') return null;
    const type = e.type;
    if (type === 'radio' || type === 'checkbox') return type;
    if (['text', 'search', 'email', 'tel', 'url'].includes(type)) return e.hasAttribute('list') ? 'combobox' : 'textbox';
    return null;
  };
  let scopes = [document];
  for (const step of steps) {
    if (step.nth !== undefined) {
      scopes = scopes.slice(step.nth, step.nth + 1);
      continue;
    }
    const found = [];
    for (const scope of scopes) {
      const all = [...scope.querySelectorAll(step.css ?? '*')];
      if (step.role) {
        found.push(...all.filter((e) => roleOf(e) === step.role && e.checkVisibility() && (step.name === undefined || matches(nameOf(e), step.name, step.exact))));
      } else if (step.label !== undefined) {
        found.push(...all.filter((e) => (e.labels?.length || e.hasAttribute('aria-label')) && matches(labelOf(e), step.label, step.exact)));
      } else {
        found.push(...all);
      }
    }
    scopes = [...new Set(found)];
  }
  return scopes;
}

class FirefoxLocator {
  constructor(page, steps) {
    this.page = page;
    this.steps = steps;
  }
  with(step) {
    return new FirefoxLocator(this.page, [...this.steps, step]);
  }
  locator(css) {
    return this.with({ css });
  }
  getByRole(role, { name, exact = false } = {}) {
    return this.with({ role, name, exact });
  }
  getByLabel(label, { exact = false } = {}) {
    return this.with({ label, exact });
  }
  first() {
    return this.nth(0);
  }
  nth(index) {
    return this.with({ nth: index });
  }
  // The elements found now, as one handle of an array.
  async all() {
    return this.page.evaluateHandle(findAll, this.steps);
  }
  async count() {
    const list = await this.all();
    return list.evaluate((l) => l.length);
  }
  // Waits for the one element (playwright's strictness: more than one is an error).
  async one() {
    const handle = await until(`${JSON.stringify(this.steps)}`, async () => {
      const list = await this.all();
      const n = await list.evaluate((l) => l.length);
      if (n > 1) throw new Error(`${JSON.stringify(this.steps)} finds ${n} elements`);
      return n === 1 ? list.evaluateHandle((l) => l[0]) : undefined;
    });
    return handle.asElement();
  }
  async evaluate(fn, arg) {
    return (await this.one()).evaluate(fn, arg);
  }
  async evaluateAll(fn) {
    return (await this.all()).evaluate(fn);
  }
  allTextContents() {
    return this.evaluateAll((l) => l.map((e) => e.textContent));
  }
  textContent() {
    return this.evaluate((e) => e.textContent);
  }
  getAttribute(name) {
    return this.evaluate((e, name) => e.getAttribute(name), name);
  }
  isChecked() {
    return this.evaluate((e) => e.checked);
  }
  async isVisible() {
    return (await this.all()).evaluate((l) => l.length > 0 && l[0].checkVisibility());
  }
  async boundingBox() {
    return (await this.one()).boundingBox();
  }
  async focus() {
    await (await this.one()).focus();
  }
  async click() {
    await (await this.one()).click();
  }
  async check() {
    if (!(await this.isChecked())) await this.click();
  }
  async uncheck() {
    if (await this.isChecked()) await this.click();
  }
  // As playwright fills a box: its text replaced at once, then input and change.
  async fill(text) {
    await this.evaluate((e, text) => {
      e.focus();
      e.value = text;
      e.dispatchEvent(new Event('input', { bubbles: true }));
      e.dispatchEvent(new Event('change', { bubbles: true }));
    }, text);
  }
  async selectOption(value) {
    await (await this.one()).select(value);
  }
  async setInputFiles({ name, buffer }) {
    const folder = mkdtempSync(join(this.page.session.folder, 'upload-'));
    writeFileSync(join(folder, name), buffer);
    await (await this.one()).uploadFile(join(folder, name));
  }
  async waitFor({ state = 'visible' } = {}) {
    await until(`${JSON.stringify(this.steps)} ${state}`, async () => {
      const list = await this.all();
      const ok = await list.evaluate((l, state) => (state === 'detached' ? l.length === 0 : state === 'attached' ? l.length > 0 : l.length > 0 && l[0].checkVisibility()), state);
      return ok ? true : undefined;
    });
  }
}

// A page of puppeteer's with the calls of playwright's page the tests make.
class FirefoxPage {
  constructor(page, session) {
    this.page = page;
    this.session = session;
    this.mouse = page.mouse;
    this.keyboard = {
      type: (text) => page.keyboard.type(text),
      // "Control+A": the modifiers held while the key is pressed.
      press: async (keys) => {
        const [key, ...held] = keys.split('+').reverse();
        for (const k of held) await page.keyboard.down(k);
        await page.keyboard.press(key);
        for (const k of held.reverse()) await page.keyboard.up(k);
      },
    };
  }
  locator(css) {
    return new FirefoxLocator(this, [{ css }]);
  }
  getByRole(role, options) {
    return new FirefoxLocator(this, []).getByRole(role, options);
  }
  getByLabel(label, options) {
    return new FirefoxLocator(this, []).getByLabel(label, options);
  }
  // A typed array in the result comes back as an array, as playwright gives its values.
  async evaluate(fn, arg) {
    const result = await this.page.evaluateHandle(fn, arg);
    return result.evaluate(function plain(v) {
      if (ArrayBuffer.isView(v)) return Array.from(v);
      if (Array.isArray(v)) return v.map(plain);
      if (v === null || typeof v !== 'object') return v;
      return Object.fromEntries(Object.entries(v).map(([key, x]) => [key, plain(x)]));
    });
  }
  evaluateHandle(fn, arg) {
    return this.page.evaluateHandle(fn, arg);
  }
  waitForSelector(selector, options) {
    return this.page.waitForSelector(selector, { timeout: 20000, ...options });
  }
  async reload() {
    await this.page.reload();
  }
  setViewportSize(size) {
    return this.page.setViewport(size);
  }
  screenshot(options) {
    return this.page.screenshot(options);
  }
  // The next file the browser saves into the session's download folder, once complete.
  async waitForEvent(event) {
    if (event !== 'download') throw new Error(`no waiting for ${event}`);
    const folder = this.session.downloads;
    const before = new Set(readdirSync(folder));
    const file = await until('a download', () => {
      const done = readdirSync(folder).filter((f) => !before.has(f) && !f.endsWith('.part'));
      return done.length > 0 && statSync(join(folder, done[0])).size > 0 ? join(folder, done[0]) : undefined;
    });
    // Firefox writes into a .part file and renames it when complete.
    await until('the download to end', () => (readdirSync(folder).some((f) => f.endsWith('.part')) ? undefined : true));
    return { path: async () => file };
  }
}

async function launchFirefox() {
  const { default: puppeteer } = await import('puppeteer-core');
  const folder = mkdtempSync(join(tmpdir(), 'photonxs-firefox-'));
  const downloads = join(folder, 'downloads');
  mkdirSync(downloads);
  const browser = await puppeteer.launch({
    browser: 'firefox',
    executablePath: process.env.PHOTONXS_FIREFOX || '/usr/bin/firefox-esr',
    headless: true,
    timeout: 60000,
    extraPrefsFirefox: {
      'browser.download.dir': downloads,
      'browser.download.folderList': 2,
      'browser.download.useDownloadDir': true,
      'browser.download.always_ask_before_handling_new_types': false,
      'browser.download.start_downloads_in_tmp_dir': false,
    },
  });
  const session = { folder, downloads };
  return {
    firefox: true,
    async openPage(options, url) {
      const context = await browser.createBrowserContext();
      const raw = await context.newPage();
      const page = new FirefoxPage(raw, session);
      const requests = [];
      const errors = [];
      if (options.viewport) await raw.setViewport(options.viewport);
      await raw.setRequestInterception(true);
      // A data: or blob: address is the page's own, as in playwright's routes.
      raw.on('request', (request) => {
        if (request.url() === url || /^(data|blob):/.test(request.url())) return request.continue();
        requests.push(request.url());
        return request.abort();
      });
      raw.on('pageerror', (error) => errors.push(error.message));
      await raw.goto(url);
      await page.waitForSelector('html[data-ready=true]');
      return { context, page, requests, errors, url };
    },
    async close() {
      await browser.close();
      rmSync(folder, { recursive: true, force: true });
    },
  };
}

// ------------------------------------------------------------------ photonxs-cli

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
