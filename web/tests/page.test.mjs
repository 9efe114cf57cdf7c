// The page used as a person would: typing, clicking and reading the numbers on the screen, in
// Chromium at a desktop's and a phone's width; bad input gets a message and the page goes on.
// With PHOTONXS_SCREENSHOTS=DIR each part is also photographed into DIR.
import { after, afterEach, before, test } from 'node:test';
import assert from 'node:assert/strict';
import { mkdirSync, mkdtempSync, readFileSync, rmSync, symlinkSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { createServer } from 'node:http';
import { cliRows, launch, library, openPage, pagePath, runCli } from './support.mjs';

let browser;
let session;
let page;
before(async () => {
  browser = await launch();
  session = await openPage(browser, { viewport: { width: 1280, height: 900 } });
  page = session.page;
});
afterEach(() => {
  assert.deepEqual(session.requests, [], 'no request leaves the page');
  assert.deepEqual(session.errors, [], 'no script error');
});
after(() => browser?.close());

const panel = (id) => page.locator(`#${id}`);
const shown = (x) => page.evaluate((x) => {
  const size = Math.abs(x);
  return size !== 0 && (size < 1e-3 || size >= 1e6) ? x.toExponential(4) : x.toPrecision(5);
}, x);
const cells = (table) => page.locator(`${table} tbody tr`).evaluateAll((rows) => rows.map((r) => [...r.cells].map((c) => c.textContent)));
async function photograph(name) {
  if (process.env.PHOTONXS_SCREENSHOTS) await page.screenshot({ path: join(process.env.PHOTONXS_SCREENSHOTS, `web-${name}.png`), fullPage: true });
}
// Pixels of each curve's colour the core drew on a plot.
const coloured = (id) =>
  page.evaluate((id) => {
    const canvas = document.getElementById(id);
    const { data } = canvas.getContext('2d').getImageData(0, 0, canvas.width, canvas.height);
    const count = { blue: 0, red: 0, orange: 0 };
    for (let i = 0; i < data.length; i += 4) {
      const [r, g, b] = data.subarray(i, i + 3);
      // Lines are smoothed at their edges: the hue decides, not the exact colour.
      if (b > r + 80 && b > g + 80) count.blue += 1;
      else if (r > g + 100 && g < b + 30) count.red += 1;
      else if (r > g + 60 && g > b + 50) count.orange += 1;
    }
    return count;
  }, id);
async function show(material) {
  await page.getByRole('combobox', { name: 'Material', exact: true }).fill(material);
  await page.getByRole('button', { name: 'Show' }).click();
}

test('search, plots and the read-out under the pointer', async () => {
  await show('formula:H2Q');
  await assert.doesNotReject(page.locator('#status.bad').waitFor());
  assert.equal(await page.locator('#status').textContent(), runCli(['at', 'formula:H2Q', '1']).stderr);
  await show('Kapton');
  assert.equal(await page.locator('#status').textContent(), `Showing Kapton Polyimide Film, 1.42 g/cm3. Note: ${runCli(['at', 'Kapton', '1']).stderr.replace(/^note: /, '')}.`);
  assert.ok(await page.locator('#material-list option[value="Steel, Stainless 304"]').count() === 1);
  await show('Water_Liquid');
  assert.match(await page.locator('#plot-title').textContent(), /^Water, Liquid \(mix\/Water_Liquid\.mix2\), 1 g\/cm3$/);
  const box = await page.locator('#graph').boundingBox();
  await page.mouse.move(box.x + box.width * 0.45, box.y + box.height * 0.5);
  const readout = Object.fromEntries(await page.locator('#readout tr').evaluateAll((rows) => rows.map((r) => [r.cells[0].textContent, r.cells[1].textContent])));
  // The row read out is a tabulated row of the material, shown as the table holds it.
  const table = await page.evaluate(() => {
    const t = photonxs.material('Water_Liquid').table;
    return { energy: Array.from(t.energy), total: Array.from(t.total) };
  });
  const texts = await Promise.all(table.energy.map(shown));
  const at = texts.indexOf(readout['Energy (MeV)']);
  assert.ok(at >= 0, `read-out energy ${readout['Energy (MeV)']} is a table row`);
  assert.equal(readout['Total (cm2/g)'], await shown(table.total[at]));
  assert.equal(await page.locator('#graph-cross').isVisible(), true);
  await photograph('plot');
});

test('calculator both ways, in MeV and in keV, kept over a reload', async () => {
  await show('Pb');
  await page.getByRole('tab', { name: 'Calculator' }).click();
  const energy = panel('calc').getByRole('textbox', { name: 'Energy (MeV)' });
  await energy.fill('0.662, 0.1; 1e-4');
  await panel('calc').getByRole('button', { name: 'Coefficients' }).click();
  const mev = await cells('#calc-table');
  const expected = await page.evaluate(() => Array.from(photonxs.mu_rho('Pb', [0.662, 0.1]).total));
  assert.deepEqual(mev.slice(0, 2).map((r) => r[6]), await Promise.all(expected.map(shown)));
  assert.equal(mev[2][6], '—');
  assert.match(await page.locator('#calc-message').textContent(), /1 of 3 energies lie outside/);

  await page.getByRole('radio', { name: 'keV' }).check();
  await panel('calc').getByRole('textbox', { name: 'Energy (keV)' }).fill('662 100');
  await panel('calc').getByRole('button', { name: 'Coefficients' }).click();
  const kev = await cells('#calc-table');
  assert.deepEqual(kev.map((r) => r.slice(1)), mev.slice(0, 2).map((r) => r.slice(1)));
  assert.deepEqual(kev.map((r) => r[0]), ['662.00', '100.00']);

  await panel('calc').getByRole('textbox', { name: 'Total (cm2/g)' }).fill('5');
  await panel('calc').getByRole('button', { name: 'Energies' }).click();
  const roots = await cells('#calc-table');
  assert.ok(roots.length >= 2, 'lead takes 5 cm2/g on both sides of an edge');
  for (const r of roots) assert.equal(r[6], '5.0000');

  await panel('calc').getByRole('textbox', { name: 'Energy (keV)' }).fill(Array(10001).fill('1').join(' '));
  await panel('calc').getByRole('button', { name: 'Coefficients' }).click();
  assert.match(await page.locator('#calc-message').textContent(), /10001 energies are too many/);
  assert.equal(await page.locator('#calc-table tr').count(), 0, 'no stale result beside the message');
  await photograph('calculator');
  // 0.662 keV, typed as the MeV example reads: kept as typed over a reload, converted once after.
  const typed = panel('atten').getByRole('textbox', { name: 'Energy' });
  await page.getByRole('tab', { name: 'Attenuation' }).click();
  await typed.fill('0.662');

  await page.reload();
  await page.waitForSelector('html[data-ready=true]');
  assert.equal(await page.getByRole('radio', { name: 'keV' }).isChecked(), true);
  assert.equal(await panel('calc').locator('label[for=energies]').textContent(), 'Energy (keV)');
  assert.equal(await page.evaluate(() => document.getElementById('energies').placeholder), '662 1250', 'the example in keV');
  await page.getByRole('tab', { name: 'Attenuation' }).click();
  assert.equal(await typed.evaluate((e) => e.value), '0.662');
  await page.getByRole('radio', { name: 'MeV' }).check();
  assert.equal(await typed.evaluate((e) => e.value), '0.000662');
  await typed.fill('0.662');
});

test('several materials compared in one view', async () => {
  await page.getByRole('tab', { name: 'Plot' }).click();
  const pixels = () => page.evaluate(() => document.getElementById('enlarged').toDataURL());
  for (const material of ['Pb', 'Water_Liquid', 'Bone_Cortical']) {
    await show(material);
    await page.getByRole('button', { name: 'Add to comparison' }).click();
  }
  await page.getByRole('tab', { name: 'Compare' }).click();
  assert.deepEqual(await page.locator('#compare-list li').allTextContents(), ['PbRemove', 'Water_LiquidRemove', 'Bone_CorticalRemove']);
  await photograph('compare');
  const three = await pixels();
  await page.getByRole('button', { name: 'Remove Bone_Cortical' }).click();
  assert.notEqual(await pixels(), three);
  await page.getByRole('button', { name: 'Clear' }).click();
  assert.equal(await page.locator('#compare-list li').count(), 0);
});

test('attenuation of a stack, its bad input, and a spectrum file', async () => {
  await page.getByRole('radio', { name: 'MeV' }).check();
  await page.getByRole('tab', { name: 'Attenuation' }).click();
  await page.getByRole('button', { name: 'Add layer' }).click();
  await page.getByRole('combobox', { name: 'Layer 2 material' }).fill('Water_Liquid');
  await page.getByRole('textbox', { name: 'Layer 2 thickness (cm)' }).fill('10');
  await panel('atten').getByRole('button', { name: 'Compute' }).click();
  const rows = Object.fromEntries((await cells('#atten-table')).map((r) => [r[0], r[1]]));
  const t = await page.evaluate(() => photonxs.transmission([['Pb', 0.5], ['Water_Liquid', 10]], 0.662)[0]);
  assert.equal(rows['Transmission of the stack'], await shown(t));
  assert.equal(rows['HVL (1: Pb)'], await shown(0.5500686774834673));
  const [csv] = await Promise.all([page.waitForEvent('download'), panel('atten').getByRole('button', { name: 'Download CSV' }).click()]);
  assert.match(readFileSync(await csv.path(), 'utf8'), new RegExp(`^Transmission of the stack,${t},\\r$`, 'm'));
  await photograph('attenuation');

  await page.getByRole('textbox', { name: 'Layer 2 thickness (cm)' }).fill('-1');
  await panel('atten').getByRole('button', { name: 'Compute' }).click();
  assert.match(await page.locator('#atten-message').textContent(), /layer 2 .*thickness/);
  assert.equal(await page.locator('#atten-table tr').count(), 0);

  // 100 mm of water is the 10 cm above; lead per atom by hand (0.11102293 cm2/g at 662 keV,
  // 207.199997 g/mol); the library's water is a mixture with no atom to count.
  await page.getByRole('textbox', { name: 'Layer 2 thickness (cm)' }).fill('100 mm');
  await page.getByLabel('Coefficients in').selectOption('barn/atom');
  await page.getByLabel('also without coherent').check();
  await panel('atten').getByRole('button', { name: 'Compute' }).click();
  const inUnits = Object.fromEntries((await cells('#atten-table')).map((r) => [r[0], r[1]]));
  assert.equal(inUnits['Transmission of the stack'], await shown(t));
  assert.equal(inUnits['Total coefficient (1: Pb)'], await shown((0.11102293 * 207.199997) / 0.602214076));
  assert.ok(inUnits['Total coefficient without coherent (1: Pb)']);
  assert.match(inUnits['Total coefficient (2: Water_Liquid)'], /mixture by weight/);
  await page.getByLabel('Coefficients in').selectOption('cm2/g');
  await page.getByLabel('also without coherent').uncheck();

  const spectrum = '# keV spectrum from a generator\n30 1\n60 2\n90 1\n';
  await page.getByRole('radio', { name: 'keV' }).check();
  await page.getByLabel('Spectrum file').setInputFiles({ name: 'tube.txt', mimeType: 'text/plain', buffer: Buffer.from(spectrum) });
  await page.getByRole('button', { name: 'Half-value layers' }).click();
  await page.locator('#spectrum-table tbody tr').first().waitFor();
  const hvl = await cells('#spectrum-table');
  const want = await page.evaluate(() => photonxs.spectrum_hvl([0.03, 0.06, 0.09], [1, 2, 1], 'Al'));
  assert.deepEqual(hvl.map((r) => r[1]), await Promise.all([want.first, want.second, want.homogeneity].map(shown)));
  await page.getByRole('radio', { name: 'MeV' }).check();
});

test('builders, files kept in the browser, uploads and downloads', async () => {
  const folder = mkdtempSync(join(tmpdir(), 'photonxs-web-'));
  try {
    await page.getByRole('tab', { name: 'New material' }).click();
    await page.getByRole('textbox', { name: 'Elements' }).fill('H=2 O=1');
    await page.getByLabel('Name', { exact: true }).fill('Heavy water, not');
    await page.getByLabel('Density (g/cm3)', { exact: true }).fill('1.1');
    await page.getByLabel('File name', { exact: true }).fill('Test_Water');
    await page.getByRole('button', { name: 'Build and keep' }).click();
    await page.getByRole('button', { name: 'Download Test_Water.mix3' }).waitFor();
    await photograph('builder');

    // What the page built is byte for byte what photonxs-cli builds.
    mkdirSync(join(folder, 'mix'));
    symlinkSync(join(library, 'ele'), join(folder, 'ele'));
    const args = ['compound', '--name', 'Heavy water, not', '--density', '1.1', '--file', 'Test_Water', 'H=2', 'O=1'];
    assert.equal(runCli(args, folder).status, 0);
    const [download] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: 'Download Test_Water.mix3' }).click()]);
    const built = readFileSync(await download.path());
    assert.deepEqual(built, readFileSync(join(folder, 'mix', 'Test_Water.mix3')));

    await page.reload();
    await page.waitForSelector('html[data-ready=true]');
    assert.equal(await page.evaluate(() => photonxs.material('mix/Test_Water.mix3').name), 'Heavy water, not');

    await page.getByRole('tab', { name: 'New material' }).click();
    await page.getByLabel('Upload material file').setInputFiles({ name: 'Broken.mix2', mimeType: 'text/plain', buffer: Buffer.from('Broken\r\n1.0\r\n5\r\n') });
    await page.locator('#upload-message.bad').waitFor();
    assert.match(await page.locator('#upload-message').textContent(), /Broken\.mix2/);
    await page.getByLabel('Upload material file').setInputFiles({ name: 'Again.mix2', mimeType: 'text/plain', buffer: built });
    await page.getByRole('button', { name: 'Delete Again.mix2' }).waitFor();
    assert.deepEqual(await page.locator('#user-list li span').allTextContents(), ['Again.mix2', 'Test_Water.mix3']);

    for (const file of ['Again.mix2', 'Test_Water.mix3']) {
      await page.getByRole('button', { name: `Delete ${file}` }).click();
      await page.getByRole('button', { name: `Delete ${file}` }).waitFor({ state: 'detached' });
    }
    assert.equal(await page.locator('#user-list li').count(), 0);

    await page.getByRole('tab', { name: 'Plot' }).click();
    await show('Pb');
    const [csv] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: 'Download CSV' }).click()]);
    runCli(['csv', 'Pb', join(folder, 'Pb.csv')]);
    assert.deepEqual(readFileSync(await csv.path()), readFileSync(join(folder, 'Pb.csv')));
    const [png] = await Promise.all([page.waitForEvent('download'), page.getByRole('button', { name: 'Download PNG' }).click()]);
    assert.equal(readFileSync(await png.path()).subarray(1, 4).toString(), 'PNG');
  } finally {
    rmSync(folder, { recursive: true, force: true });
  }
});

test('shielding: a dose behind layers, the thickness for a target rate, and buildup factors', async () => {
  await page.getByRole('radio', { name: 'MeV' }).check();
  await page.getByRole('tab', { name: 'Shielding' }).click();
  const shield = panel('shield');
  await shield.getByLabel('Source').fill('cs137');
  await shield.getByLabel('Activity', { exact: true }).fill('10');
  await shield.getByLabel('Activity unit').selectOption('GBq');
  await shield.getByLabel('Distance', { exact: true }).fill('150');
  await shield.getByLabel('Distance unit').selectOption('cm');
  await shield.getByLabel('Shield layer 1: thickness (cm)').fill('2');
  await shield.getByLabel('Shield layer 2: material').fill('Water_Liquid');
  await shield.getByLabel('Shield layer 2: thickness (cm)').fill('20');
  await shield.getByRole('button', { name: 'Dose rate' }).click();

  const layers = [['Pb', 2], ['Water_Liquid', 20]];
  const want = await page.evaluate((layers) => {
    const r = photonxs.dose_rate('Cs-137', 1e10, 150, { layers });
    return { rate: Array.from(r.rate), buildup: Array.from(r.buildup), total: r.total, lines: photonxs.nuclide('Cs-137').energy.length };
  }, layers);
  const rows = await cells('#shield-table');
  assert.equal(rows.length, want.lines + 1, 'a row for each line and the total');
  assert.deepEqual(rows.slice(0, -1).map((r) => r[5]), await Promise.all(want.rate.map(shown)));
  assert.deepEqual(rows.at(-1).slice(0, 1).concat(rows.at(-1)[5]), ['total', await shown(want.total)]);
  // 1 R is 8.76426 mGy of air kerma.
  const total = await page.locator('#shield-total').textContent();
  assert.ok(total.includes(`${await shown(want.total)} uGy/h = ${await shown(want.total / 8.76426)} mR/h`), total);
  assert.match(total, /Cs-137 \(half-life [^)]+\)/);
  const curves = await coloured('rate-plot');
  assert.ok(curves.blue > 50 && curves.red > 50, `broad and narrow beam drawn: ${JSON.stringify(curves)}`);

  const [csv] = await Promise.all([page.waitForEvent('download'), shield.getByRole('button', { name: 'Download CSV' }).click()]);
  const lines = readFileSync(await csv.path(), 'utf8').trim().split('\r\n');
  assert.equal(lines[0], 'energy_MeV,photons_per_decay,mfp,uncollided_uGy_h,buildup,rate_uGy_h,note');
  assert.deepEqual(lines.slice(1, -1).map((l) => Number(l.split(',')[5])), want.rate);
  const [png] = await Promise.all([page.waitForEvent('download'), shield.getByRole('button', { name: 'Download rate plot PNG' }).click()]);
  assert.equal(readFileSync(await png.path()).subarray(1, 4).toString(), 'PNG');

  // The thickness found brings the rate to the target.
  const plotted = await page.evaluate(() => document.getElementById('rate-plot').toDataURL());
  await shield.getByLabel('Target rate (uGy/h)').fill('0.5');
  await shield.getByRole('button', { name: 'Thickness of the last layer' }).click();
  const answer = await page.locator('#shield-thickness').textContent();
  const found = Number(answer.match(/^([\d.]+) cm of Water_Liquid \(the last layer\) brings the rate to 0\.50000 uGy\/h\.$/)?.[1]);
  assert.ok(found > 20, answer);
  const reached = await page.evaluate((cm) => photonxs.dose_rate('Cs-137', 1e10, 150, { layers: [['Pb', 2], ['Water_Liquid', cm]] }).total, found);
  assert.ok(Math.abs(reached / 0.5 - 1) < 1e-3, `${found} cm gives ${reached} uGy/h`);
  assert.notEqual(await page.evaluate(() => document.getElementById('rate-plot').toDataURL()), plotted, 'the target is drawn');

  await shield.getByLabel('Target rate (uGy/h)').fill('1e9');
  await shield.getByRole('button', { name: 'Thickness of the last layer' }).click();
  assert.match(await page.locator('#shield-thickness').textContent(), /already bring the rate to .* Water_Liquid may be 0 cm/);

  // Uncollided photons only: no buildup.
  await shield.getByLabel('Dose', { exact: true }).selectOption('none');
  await shield.getByRole('button', { name: 'Dose rate' }).click();
  const counted = (await cells('#shield-table')).slice(0, -1).filter((r) => r[6] !== 'beyond 100 mfp');
  assert.equal(counted.length, 1, 'of Cs-137 only the 662 keV line comes through');
  assert.deepEqual(new Set(counted.map((r) => r[4])), new Set(['1.0000']));
  assert.doesNotMatch(await page.locator('#shield-total').textContent(), /^Total air kerma/);

  await shield.getByLabel('Source').fill('Cs13');
  await shield.getByRole('button', { name: 'Dose rate' }).click();
  assert.match(await page.locator('#shield-message').textContent(), /'Cs13' is no nuclide .*did you mean Cs-131, Cs-134 or Cs-137\?/);
  assert.equal(await page.locator('#shield-table tr').count(), 0, 'no stale table beside the message');
  assert.equal(await page.locator('#shield-total').textContent(), '');
  await shield.getByLabel('Source').fill('Co-60');
  await shield.getByLabel('Dose', { exact: true }).selectOption('exposure');

  // Buildup: equivalent Z for concrete, lead's own table.
  await shield.getByLabel('Buildup material').fill('Concrete_Ordinary');
  await shield.getByLabel('Photon energy (MeV)').fill('0.662');
  await shield.getByLabel('Penetrations (mfp)').fill('1 10 60');
  await shield.getByRole('button', { name: 'Buildup factor', exact: true }).click();
  const b = await page.evaluate(() => Array.from(photonxs.buildup('Concrete_Ordinary', 0.662, [1, 10, 60])));
  const table = await cells('#buildup-table');
  assert.deepEqual(table.map((r) => r[1]), await Promise.all(b.map(shown)));
  assert.ok(table.every((r) => Number(r[2]) > 10 && Number(r[2]) < 14), 'Zeq of concrete lies between Na and Si');
  assert.match(await page.locator('#buildup-source').textContent(), /^Equivalent Z of Concrete_Ordinary, .*beyond 40 mfp extrapolated\.$/);
  const buildupCurve = await coloured('buildup-plot');
  assert.ok(buildupCurve.blue > 50 && buildupCurve.orange > 20, `fitted and extrapolated parts drawn: ${JSON.stringify(buildupCurve)}`);
  await shield.getByLabel('Buildup material').fill('Pb');
  await shield.getByRole('button', { name: 'Buildup factor', exact: true }).click();
  assert.deepEqual((await cells('#buildup-table')).map((r) => r[2]), ['', '', '']);
  assert.match(await page.locator('#buildup-source').textContent(), /^Pb: its own table/);
  const [buildupPng] = await Promise.all([page.waitForEvent('download'), shield.getByRole('button', { name: 'Download buildup plot PNG' }).click()]);
  assert.equal(readFileSync(await buildupPng.path()).subarray(1, 4).toString(), 'PNG');

  // Without a layer the dose is the source's alone, and a target asks for a layer.
  await shield.getByRole('button', { name: 'Remove shield layer 2' }).click();
  await shield.getByRole('button', { name: 'Remove shield layer 1' }).click();
  await shield.getByRole('button', { name: 'Dose rate' }).click();
  assert.equal(await page.locator('#shield-message').textContent(), '');
  const bare = await page.evaluate(() => photonxs.dose_rate('Co-60', 1e10, 150).total);
  assert.ok((await page.locator('#shield-total').textContent()).includes(`: ${await shown(bare)} uGy/h`));
  await shield.getByLabel('Target rate (uGy/h)').fill('1');
  await shield.getByRole('button', { name: 'Thickness of the last layer' }).click();
  assert.match(await page.locator('#shield-thickness').textContent(), /^add a shield layer/);
});

test('shielding: an inventory decayed, as H*(10) over a stay, each nuclide\'s share and the rate against time', async () => {
  const shield = panel('shield');
  await shield.getByRole('button', { name: 'Add shield layer' }).click();
  // The editor numbers its layers on: this one is the third made.
  await shield.getByLabel('Shield layer 3: material').fill('Pb');
  await shield.getByLabel('Shield layer 3: thickness (cm)').fill('2');
  await shield.getByLabel('Activity', { exact: true }).fill('1');
  await shield.getByLabel('Distance', { exact: true }).fill('1');
  await shield.getByLabel('Distance unit').selectOption('m');
  await shield.getByRole('button', { name: 'Add nuclide' }).click();
  await shield.getByLabel('Nuclide 2', { exact: true }).fill('Cs-137');
  await shield.getByLabel('Activity 2', { exact: true }).fill('10');
  await shield.getByLabel('Activity 2 unit').selectOption('mCi');
  await shield.getByLabel('Decay time', { exact: true }).fill('1');
  await shield.getByLabel('Decay time unit').selectOption('y');
  await shield.getByLabel('Stay', { exact: true }).fill('8');
  await shield.getByLabel('Quantity').selectOption('h10');
  await shield.getByLabel('Rate unit').selectOption('mSv/h');
  await shield.getByRole('button', { name: 'Dose rate' }).click();
  const cli = cliRows(['dose', 'Co-60=1GBq,Cs-137=10mCi', 'Pb@2', '--distance', '1m', '--decay', '1y', '--stay', '8h', '--quantity', 'h10', '--rate-unit', 'mSv/h']).rows;
  const names = ['Co-60', 'Cs-137', 'total'];
  assert.deepEqual((await cells('#shield-nuclides')).map((r) => [r[0], r[1], r[3]]), await Promise.all(cli.map(async (r, i) => [names[i], await shown(r[1]), await shown(r[2])])));
  const total = await page.locator('#shield-total').textContent();
  assert.ok(total.startsWith(`Total ambient dose equivalent rate H*(10) of the inventory: ${await shown(cli[2][1])} mSv/h; ${await shown(cli[2][2])} mSv over a stay of 8 h`), total);
  assert.deepEqual(new Set((await cells('#shield-table')).map((r) => r[0])), new Set(['Co-60', 'Cs-137', 'all']));
  const curve = await coloured('decay-plot');
  assert.ok(curve.blue > 50 && curve.orange > 20, `the rate and the decay time drawn: ${JSON.stringify(curve)}`);
  await photograph('shielding');

  await shield.getByLabel('Nuclide 2', { exact: true }).fill('Cs-999');
  await shield.getByRole('button', { name: 'Dose rate' }).click();
  assert.match(await page.locator('#shield-message').textContent(), /'Cs-999' is no nuclide/);
  assert.equal(await page.locator('#shield-nuclides tr').count(), 0, 'no stale breakdown beside the message');
  await shield.getByRole('button', { name: 'Remove nuclide 2' }).click();
  await shield.getByLabel('Decay time', { exact: true }).fill('0');
  await shield.getByLabel('Stay', { exact: true }).fill('');
  await shield.getByLabel('Quantity').selectOption('kerma');
  await shield.getByRole('button', { name: 'Remove shield layer 3' }).click();
});

test('keyboard alone, labelled controls, and a phone-wide screen', async () => {
  await page.getByRole('tab', { name: 'Plot' }).focus();
  await page.keyboard.press('ArrowRight');
  assert.equal(await page.getByRole('tab', { name: 'Calculator' }).getAttribute('aria-selected'), 'true');
  await page.getByRole('combobox', { name: 'Material', exact: true }).focus();
  await page.keyboard.press('Control+A');
  await page.keyboard.type('U');
  await page.keyboard.press('Enter');
  assert.match(await page.locator('#status').textContent(), /Uranium/);
  await page.getByRole('tab', { name: 'Plot' }).click();
  await page.locator('#graph').focus();
  await page.keyboard.press('Home');
  await page.keyboard.press('ArrowRight');
  const energies = await page.evaluate(() => Array.from(photonxs.material('U').table.energy));
  const read = Object.fromEntries(await page.locator('#readout tr').evaluateAll((rows) => rows.map((r) => [r.cells[0].textContent, r.cells[1].textContent])));
  assert.equal(read.Row, `2 of ${energies.length}`);
  assert.equal(read['Energy (MeV)'], await shown(energies[1]));
  const unlabelled = await page.evaluate(() =>
    [...document.querySelectorAll('input, select, button, canvas')]
      .filter((e) => !(e.labels?.length || e.getAttribute('aria-label') || e.textContent.trim()))
      .map((e) => e.id || e.outerHTML.slice(0, 60)),
  );
  assert.deepEqual(unlabelled, []);

  await page.setViewportSize({ width: 360, height: 740 });
  for (const tab of ['Plot', 'Calculator', 'Compare', 'Attenuation', 'Shielding', 'New material']) {
    await page.getByRole('tab', { name: tab }).click();
    assert.ok(await page.evaluate(() => document.documentElement.scrollWidth <= 360), `${tab} fits a phone`);
  }
  await page.getByRole('tab', { name: 'Plot' }).click();
  await photograph('phone');
});

// Energies typed in MeV and the same energies in keV, by hand; a text that is no number stays.
const TYPED = [
  ['calc', 'energies', '0.662, 0.1; 1e-4', '662, 100; 1e-1'],
  ['atten', 'atten-energy', ' 0.0005', ' 0.5'],
  ['shield', 'shield-source', 'lines:0.662=0.851,1.25=1', 'lines:662=0.851,1250=1'],
  ['shield', 'shield-cutoff', '0.02', '20'],
  ['shield', 'buildup-energy', '1,5', '1,5'],
];

test('a change of unit converts every typed energy in place, and the results follow it', async () => {
  await page.setViewportSize({ width: 1280, height: 900 });
  await page.getByRole('radio', { name: 'MeV' }).check();
  await show('Pb');
  const tabs = { calc: 'Calculator', atten: 'Attenuation', shield: 'Shielding' };
  for (const [tab, id, mev] of TYPED) {
    await page.getByRole('tab', { name: tabs[tab] }).click();
    await panel(tab).locator(`#${id}`).fill(mev);
  }
  await page.getByRole('tab', { name: 'Calculator' }).click();
  await panel('calc').getByRole('button', { name: 'Coefficients' }).click();
  await page.getByRole('tab', { name: 'Plot' }).click();
  const box = await page.locator('#graph').boundingBox();
  await page.mouse.move(box.x + box.width * 0.3, box.y + box.height * 0.5);
  const before = await cells('#calc-table');
  const boxes = () => page.evaluate((ids) => ids.map((id) => document.getElementById(id).value), TYPED.map((t) => t[1]));

  await page.getByRole('radio', { name: 'keV' }).check();
  assert.deepEqual(await boxes(), TYPED.map((t) => t[3]));
  // Each energy converted reads in keV as the very double its MeV text gave.
  const same = await page.evaluate(([a, b]) => photonxs.page.core().read_number(a, false) === photonxs.page.core().read_number(b, true), ['0.0005', '0.5']);
  assert.equal(same, true);
  const readout = Object.fromEntries(await page.locator('#readout tr').evaluateAll((rows) => rows.map((r) => [r.cells[0].textContent, r.cells[1].textContent])));
  const row = Number(readout.Row.split(' ')[0]) - 1;
  const energy = await page.evaluate((row) => photonxs.material('Pb').table.energy[row], row);
  assert.equal(readout['Energy (keV)'], await shown(energy * 1000));
  const after = await cells('#calc-table');
  assert.deepEqual(after.map((r) => r[0]), ['662.00', '100.00', '0.10000']);
  assert.deepEqual(after.map((r) => r.slice(1)), before.map((r) => r.slice(1)));
  assert.equal(await page.locator('#calc-table th').first().textContent(), 'Energy (keV)');
  await page.getByRole('tab', { name: 'Calculator' }).click();
  await panel('calc').getByRole('button', { name: 'Coefficients' }).click();
  assert.deepEqual(await cells('#calc-table'), after, 'the converted text computes the same');
  await page.getByRole('tab', { name: 'Shielding' }).click();
  await panel('shield').locator('#buildup-energy').fill('1000');
  await panel('shield').getByRole('button', { name: 'Dose rate' }).click();
  await panel('shield').getByRole('button', { name: 'Buildup factor', exact: true }).click();
  assert.equal(await page.locator('#shield-table th').first().textContent(), 'Energy (keV)');
  assert.deepEqual((await cells('#shield-table')).slice(0, 2).map((r) => r[0]), ['662.00', '1250.0']);
  const range = async (unit) => (await page.locator('#buildup-source').textContent()).match(new RegExp(`, ([\\d.]+) to ([\\d.]+) ${unit}[;.]`)).slice(1).map(Number);
  const kev = await range('keV');

  await page.getByRole('radio', { name: 'MeV' }).check();
  assert.deepEqual(await boxes(), [...TYPED.map((t) => t[2]).slice(0, 4), '1']);
  assert.equal(await page.locator('#shield-table th').first().textContent(), 'Energy (MeV)');
  assert.match(await page.locator('#shield-total').textContent(), / of lines:0\.662=0\.851,1\.25=1: /);
  assert.deepEqual((await range('MeV')).map((x) => Math.round(x * 1e6)), kev.map((x) => Math.round(x * 1e3)));
  await photograph('units');
});

test('served by a plain static web server, the page gives the same numbers', async () => {
  const server = createServer((request, response) => {
    response.writeHead(200, { 'content-type': 'text/html' });
    response.end(readFileSync(pagePath));
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  try {
    const served = await openPage(browser, {}, `http://127.0.0.1:${server.address().port}/photonxs.html`);
    const energies = [0.001, 0.0881, 0.662, 15];
    const read = (p) => p.evaluate((e) => Array.from(photonxs.mu_rho('U', e).total), energies);
    assert.deepEqual(await read(served.page), await read(page));
    assert.deepEqual([served.requests, served.errors], [[], []]);
    await served.context.close();
  } finally {
    server.close();
  }
});
