// The Geometry part used as a person would: the worked examples computed in the page's worker
// give photonxs-cli's numbers, a map shows its progress, model files go out and come back, and
// a bad model gets the core's message.
import { after, afterEach, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdtempSync, readFileSync, rmSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { fileURLToPath } from 'node:url';
import { cliRows, launch, openPage, runCli, ulps } from './support.mjs';

const examples = fileURLToPath(new URL('../../docs/examples/', import.meta.url));
let browser;
let session;
let page;
before(async () => {
  browser = await launch();
  session = await openPage(browser, { viewport: { width: 1280, height: 900 } });
  page = session.page;
  await page.getByRole('tab', { name: 'Geometry' }).click();
});
afterEach(() => {
  assert.deepEqual(session.requests, [], 'no request leaves the page');
  assert.deepEqual(session.errors, [], 'no script error');
});
after(() => browser?.close());

// Rays count up to 100 mfp, and a value behind x mfp may lie 1 + 2x ULP from the command
// line's (docs/web.md), as in the shielding test. The error estimate, a difference of two
// totals over the total, is held to as many units of 2^-52 apart; a line below a billionth of
// its detector's total, whose rays' lengths through the source carry the toolchains' last-bit
// differences of sin and cos over hundreds of mfp, to 1e-12 of itself.
const ALLOWED = 1 + 2 * 100;
function apart(want, have, column, share) {
  if (column === 9 && !Number.isNaN(want)) return Math.abs(want - have) / Number.EPSILON;
  return share < 1e-9 ? (ulps(want, have) * Number.EPSILON * ALLOWED) / 1e-12 : ulps(want, have);
}

// The last result as the command line's rows: each listed detector's lines, then its total
// (energy NaN for "total"); a map point's total alone. NaN for an empty cell.
const pageRows = () => page.evaluate(() => {
  const r = photonxs.page.geometryResult;
  const rows = [];
  for (let d = 0; d < r.total.length; d++) {
    const at = Array.from(r.detectors.subarray(3 * d, 3 * d + 3));
    const lines = r.energies.length;
    if (d < r.listed) {
      for (let k = 0; k < lines; k++) rows.push([d + 1, ...at, r.energies[k], r.intensities[k], ...[r.uncollided, r.buildup, r.rate].map((c) => c[d * lines + k]), NaN]);
    }
    const photons = Number.isNaN(r.total[d]) ? NaN : r.intensities.reduce((a, b) => a + b, 0);
    rows.push([d + 1, ...at, NaN, photons, r.uncollided_total[d], r.total[d] / r.uncollided_total[d], r.total[d], r.error[d]]);
  }
  return JSON.stringify(rows, (_, v) => (Number.isNaN(v) ? 'NaN' : v));
}).then((text) => JSON.parse(text, (_, v) => (v === 'NaN' ? NaN : v)));

test('the worked examples give the command line numbers, and a map shows its progress', async () => {
  // The map coarser than the file's, which keeps the test short.
  const folder = mkdtempSync(join(tmpdir(), 'photonxs-geometry-'));
  after(() => rmSync(folder, { recursive: true, force: true }));
  for (const [name, button, points] of [['tank-steel-wall.json', 'tank with a steel wall', 2], ['drum-behind-wall.json', 'drum behind a wall', 2 + 12 * 8]]) {
    await page.getByRole('button', { name: `Example: ${button}` }).click();
    const model = JSON.parse(readFileSync(join(examples, name), 'utf8'));
    if (model.map) {
      await page.getByLabel('Points (nu, nv)').fill('12, 8');
      await page.getByLabel('Relative accuracy').fill('0.01');
      Object.assign(model, { accuracy: 0.01, map: { ...model.map, steps: [12, 8] } });
    }
    const file = join(folder, name);
    writeFileSync(file, JSON.stringify(model));
    await page.evaluate(() => {
      window.progressSeen = [];
      // What the progress text said while the bar was shown: a fast model may hide the bar again
      // before a look after the click would see it.
      const text = document.getElementById('geo-progress-text');
      const bar = document.getElementById('geo-progress');
      new MutationObserver(() => bar.hidden || window.progressSeen.push(text.textContent)).observe(text, { childList: true });
    });
    await page.getByRole('button', { name: 'Compute' }).click();
    await page.locator('#geo-table-results tbody tr:first-child').waitFor();
    const expected = cliRows(['model', file]).rows;
    const got = await pageRows();
    assert.equal(got.length, expected.length, `${name}: rows`);
    const totals = new Map(expected.filter((row) => Number.isNaN(row[4])).map((row) => [row[0], row[8]]));
    expected.forEach((row, i) => row.forEach((want, c) => assert.ok(apart(want, got[i][c], c, row[8] / totals.get(row[0])) <= ALLOWED, `${name} row ${i + 1} column ${c + 1}: CLI ${want}, page ${got[i][c]}`)));
    const seen = await page.evaluate(() => window.progressSeen);
    assert.ok(seen.some((t) => new RegExp(`^[1-9]\\d* of ${points} points$`).test(t)), `${name}: progress ${seen.slice(0, 3)}`);
    assert.equal(await page.locator('#geo-map-picture').isVisible(), points > 2, `${name}: the map`);
    if (points > 2) continue;
    // window.photonxs computes on the page's thread, with the same doubles.
    const api = await page.evaluate((text) => Array.from(photonxs.model_dose(JSON.parse(text)).total), readFileSync(file, 'utf8'));
    assert.deepEqual(api, got.filter((row) => Number.isNaN(row[4])).map((row) => row[8]));
  }
});

test('a model file saved and opened again, and a bad one refused with the core message', async () => {
  const folder = mkdtempSync(join(tmpdir(), 'photonxs-geometry-'));
  try {
    const original = readFileSync(join(examples, 'tank-steel-wall.json'));
    await page.getByLabel('Open model file').setInputFiles({ name: 'tank.json', mimeType: 'application/json', buffer: original });
    const [saved] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: 'Save model file' }).click()]);
    const text = readFileSync(await saved.path());
    assert.deepEqual(JSON.parse(text), JSON.parse(original));

    const bad = join(folder, 'bad.json');
    writeFileSync(bad, original.toString().replace('"radius": "6 ft"', '"radious": "6 ft"'));
    await page.getByLabel('Open model file').setInputFiles({ name: 'bad.json', mimeType: 'application/json', buffer: readFileSync(bad) });
    await page.locator('#geo-message.bad').waitFor();
    const refused = runCli(['model', bad]);
    assert.equal(refused.status, 1);
    assert.equal(await page.locator('#geo-message').textContent(), refused.stderr.replace(bad, 'bad.json'));
    assert.match(refused.stderr, /radious/);
    await page.setViewportSize({ width: 360, height: 740 });
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 360), 'the part fits a phone');
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
});
