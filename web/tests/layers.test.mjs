// Layer by layer: window.photonxs's layer functions against photonxs-cli --digits 17, and the
// Attenuation panel's per-layer table, equivalence and sensor curve used as a person would.
import { after, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { cliRows, launch, openPage, runCli, ulps } from './support.mjs';

let browser;
let page;
before(async () => {
  browser = await launch();
  ({ page } = await openPage(browser));
});
after(() => browser?.close());

const SPECTRUM = `${process.env.PHOTONXS_LIBRARY}/../docs/examples/kramers-100kV.txt`;
const ENERGIES = [0.0015, 0.0059, 0.0177, 0.02675, 0.0881, 0.662, 25];
const STACKS = [
  [['Be', 0.0025], ['Si', 1e-5], ['Si', 0.045]],
  [['Al', 0.25], ['Cu', 0.01, 8.96], ['Water_Liquid', 2]],
  [['formula:CdTe', 0.1, 5.85]],
];
const words = (stack) => stack.map((l) => l.join('@'));

// Within an ULP, as every look-up is; the energy deposited, which chains the photons that
// reach a layer, its mu_en/rho (a sum over its elements) and its total, within a few.
function same(label, expected, actual) {
  const allowed = label.startsWith('deposited') ? 4 : 1;
  assert.ok(ulps(expected, actual) <= allowed, `${label}: CLI ${expected}, page ${actual}`);
}

test('the layer functions give the CLI doubles', async () => {
  for (const stack of STACKS) {
    for (const angle of [0, 60]) {
      const got = await page.evaluate(([s, e, a]) => {
        const shares = photonxs.layer_shares(s, e, { angle_deg: a });
        const plain = (o) => Object.fromEntries(Object.entries(o).map(([k, v]) => [k, Array.isArray(v) ? v.map((x) => Array.from(x)) : Array.from(v)]));
        return {
          shares: plain(shares),
          efficiency: plain(photonxs.sensor_efficiency(s, e, s.length - 1, { angle_deg: a })),
          thickness: Array.from(photonxs.sensor_thickness(s, e, s.length - 1, 0.3, { angle_deg: a, by: 'photo' })),
          lead: Array.from(photonxs.equivalent_thickness(s, e)),
          copper: Array.from(photonxs.equivalent_thickness(s, e, { reference: 'Cu' })),
        };
      }, [stack, ENERGIES, angle]);
      const e = ENERGIES.map(String);
      const layers = cliRows(['layers', ...words(stack), '--energy', ...e, '--angle', String(angle)]).rows;
      layers.forEach((row, n) => {
        const [l, i] = [n % stack.length, Math.floor(n / stack.length)];
        ['interacted', 'photo_absorbed', 'deposited', 'transmitted'].forEach((k, c) => same(`${k} ${l} ${i}`, row[c + 2], got.shares[k][l][i]));
      });
      const sensor = ['--sensor', String(stack.length), '--energy', ...e, '--angle', String(angle)];
      cliRows(['efficiency', ...words(stack), ...sensor]).rows.forEach((row, i) => {
        same('interacted', row[1], got.efficiency.interacted[i]);
        same('photo_absorbed', row[2], got.efficiency.photo_absorbed[i]);
      });
      cliRows(['efficiency', ...words(stack), ...sensor, '--thickness-for', '0.3', '--by', 'photo']).rows.forEach((row, i) => same('thickness', row[1], got.thickness[i]));
      cliRows(['equivalent', ...words(stack), '--energy', ...e]).rows.forEach((row, i) => same('lead', row[2], got.lead[i]));
      cliRows(['equivalent', ...words(stack), '--energy', ...e, '--reference', 'Cu']).rows.forEach((row, i) => same('copper', row[2], got.copper[i]));
    }
  }
});

test('the spectrum forms give the CLI doubles', async () => {
  const { readFileSync } = await import('node:fs');
  const text = readFileSync(SPECTRUM, 'utf8');
  const stack = [['Al', 0.25], ['Cu', 0.01]];
  const got = await page.evaluate(([t, s]) => {
    const r = photonxs.spectrum_file_layer_shares(t, s);
    return {
      shares: Object.fromEntries(['interacted', 'photo_absorbed', 'deposited', 'transmitted'].map((k) => [k, Array.from(r[k])])),
      photo: r.bins.photo_absorbed.map((x) => Array.from(x)),
      passed: r.passed.map((x) => Array.from(x)),
      equivalent: photonxs.spectrum_file_equivalent_thickness(t, [['Concrete_Ordinary', 15]]),
    };
  }, [text, stack]);
  cliRows(['layers', ...words(stack), '--spectrum', SPECTRUM, '--bins']).rows.forEach((row, n) => {
    same('photo_absorbed of a bin', row[4], got.photo[n % 2][Math.floor(n / 2)]);
    same('passed', row[6], got.passed[n % 2][Math.floor(n / 2)]);
  });
  cliRows(['layers', ...words(stack), '--spectrum', SPECTRUM]).rows.forEach((row, l) => {
    ['interacted', 'photo_absorbed', 'deposited', 'transmitted'].forEach((k, c) => same(k, row[c + 1], got.shares[k][l]));
  });
  const [kerma, thickness] = cliRows(['equivalent', 'Concrete_Ordinary@15', '--spectrum', SPECTRUM]).rows[0];
  same('air kerma', kerma, got.equivalent.air_kerma_transmission);
  same('thickness', thickness, got.equivalent.thickness);
});

test('bad input throws a clear message', async () => {
  const messages = await page.evaluate(() =>
    [
      () => photonxs.layer_shares([['Pb', 1]], 1, { angle_deg: 90 }),
      () => photonxs.sensor_efficiency([['Pb', 1]], 1, 1),
      () => photonxs.sensor_thickness([['Pb', 1]], 1, 0, 0.5, { by: 'all' }),
      () => photonxs.equivalent_thickness([['Pb', 1]], 1, { reference: 'Unobtainium' }),
    ].map((f) => {
      try {
        f();
        return null;
      } catch (error) {
        return error.message;
      }
    }),
  );
  assert.match(messages[0], /below 90 degrees/);
  assert.match(messages[1], /give 0 to 0/);
  assert.match(messages[2], /by takes/);
  assert.equal(messages[3], runCli(['equivalent', 'Pb@1', '--energy', '1', '--reference', 'Unobtainium']).stderr);
});

test('the Attenuation panel shows each layer, the lead equivalence, its curve and the sensor curve', async () => {
  await page.getByRole('tab', { name: 'Attenuation' }).click();
  const panel = page.locator('#atten');
  // The panel opens with one layer; a second is added.
  await panel.getByRole('button', { name: 'Add layer' }).click();
  for (const [n, [material, cm]] of [['Pb', '0.25'], ['Pb', '0.25']].entries()) {
    await panel.getByLabel(`Layer ${n + 1} material`).fill(material);
    await panel.getByLabel(`Layer ${n + 1} thickness (cm)`).fill(cm);
  }
  await panel.getByLabel('Angle from the normal (degrees)').fill('60');
  await panel.getByRole('button', { name: 'Per layer' }).click();
  const rows = await page.locator('#layer-table tbody tr').allTextContents();
  assert.equal(rows.length, 2);
  // 0.662 MeV through 1 cm of lead (0.5 cm at 60 degrees): exp(-1.1102293E-01 x 11.35) by hand.
  const last = await page.locator('#layer-table tbody tr').nth(1).locator('td').nth(4).textContent();
  assert.equal(last, '0.28362');
  assert.match(await page.locator('#layer-equivalent').textContent(), /0\.50000 cm of Pb/);
  // The equivalence against energy: lead's own 0.5 cm, a blue line across its plot.
  const blue = () =>
    page.evaluate(() => {
      const canvas = document.getElementById('equivalence');
      const { data } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
      return data.filter((b, i) => i % 4 === 2 && b > data[i - 1] + 80 && b > data[i - 2] + 80).length;
    });
  assert.ok((await blue()) > 100, 'the curve is drawn');
  await panel.getByLabel('Angle from the normal (degrees)').fill('90');
  await panel.getByRole('button', { name: 'Per layer' }).click();
  assert.match(await page.locator('#layer-message').textContent(), /below 90 degrees/);
  assert.equal(await page.locator('#layer-table tr').count(), 0);
  assert.equal(await blue(), 0, 'no curve stays');
});
