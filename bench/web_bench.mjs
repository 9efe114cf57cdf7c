// The browser page's benchmarks, in headless Chromium: time to ready after opening the file,
// one material's two plots, mu_rho over a million energies, the page's memory after every
// library file has been plotted once, the dose rate of every library nuclide behind three
// layers, buildup factors over a million (energy, penetration) pairs and a water tank's dose
// rate integrated over its volume. Prints a Markdown table with each target.
//
//   node bench/web_bench.mjs PAGE.html [NATIVE_NS_PER_VALUE] [--native-shielding D,P,C]
//        [--native-geometry T3,T6] [--out FILE]
// NATIVE_NS_PER_VALUE is the native one-thread CoefficientsAtEnergy figure (bench/run.sh
// passes the suite's median) for the ratio of the million-energy look-up; D, P and C are the
// native Shielding cases' medians in ms (a sweep of every nuclide, a million pairs of lead's own
// table, a million pairs of water by equivalent Z) for the shielding ratios; T3 and T6 the
// native Geometry tank cases' medians in ms (accuracy 1e-3 and 1e-6).
import { writeFileSync } from 'node:fs';
import { pathToFileURL } from 'node:url';
import { chromium } from '../web/node_modules/playwright-core/index.mjs';

const args = process.argv.slice(2);
const outAt = args.indexOf('--out');
const out = outAt >= 0 ? args.splice(outAt, 2)[1] : null;
const shieldingAt = args.indexOf('--native-shielding');
const nativeShielding = shieldingAt >= 0 ? args.splice(shieldingAt, 2)[1].split(',').map(Number) : null;
const geometryAt = args.indexOf('--native-geometry');
const nativeGeometry = geometryAt >= 0 ? args.splice(geometryAt, 2)[1].split(',').map(Number) : null;
const [pagePath, nativeText] = args;
const native = nativeText ? Number(nativeText) : null;
const url = pathToFileURL(pagePath).href;

const browser = await chromium.launch({
  executablePath: process.env.PHOTONXS_CHROMIUM || '/usr/bin/chromium',
  args: ['--no-sandbox', '--disable-gpu', '--disable-background-networking', '--disable-component-update', '--disable-sync', '--no-first-run', '--enable-precise-memory-info', '--js-flags=--expose-gc'],
});
const median = (xs) => [...xs].sort((a, b) => a - b)[Math.floor(xs.length / 2)];
const spread = (xs) => ({ median: median(xs), min: Math.min(...xs), max: Math.max(...xs) });

async function freshPage() {
  const context = await browser.newContext();
  const page = await context.newPage();
  const opened = performance.now();
  await page.goto(url);
  await page.waitForSelector('html[data-ready=true]', { timeout: 30000 });
  return { context, page, ms: performance.now() - opened };
}

const ready = [];
for (let i = 0; i < 7; i++) {
  const { context, ms } = await freshPage();
  ready.push(ms);
  await context.close();
}

const { page } = await freshPage();
const plots = await page.evaluate(() => {
  const core = photonxs.page.core();
  const canvas = (w, h) => Object.assign(document.createElement('canvas'), { width: w, height: h }).getContext('2d');
  const graph = canvas(661, 629);
  const fraction = canvas(661, 277);
  const times = [];
  for (const { path } of photonxs.materials()) {
    const start = performance.now();
    core.draw_plot(path, 'graph', graph, 661, 629);
    core.draw_plot(path, 'fraction', fraction, 661, 277);
    times.push(performance.now() - start);
  }
  globalThis.gc?.();
  const heap = performance.memory.usedJSHeapSize;
  const wasm = core.HEAP8.buffer.byteLength;
  const slowest = times.indexOf(Math.max(...times));
  return { times, heap, wasm, slowest: `${photonxs.materials()[slowest].path} (#${slowest + 1})` };
});

const lookups = await page.evaluate(() => {
  let state = 20240601;
  const energies = new Float64Array(1000000);
  for (let i = 0; i < energies.length; i++) {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    energies[i] = 10 ** (-3 + (state / 2 ** 32) * 8);
  }
  photonxs.mu_rho('Pb', energies);
  const times = [];
  for (let i = 0; i < 7; i++) {
    const start = performance.now();
    photonxs.mu_rho('Pb', energies);
    times.push(performance.now() - start);
  }
  return times;
});
// Shielding, as the native Shielding cases do it: every nuclide, 1 GBq at 1 m behind 1 cm of
// lead, 2 cm of iron and 20 cm of ordinary concrete (each its own table or equivalent Z,
// Broder's rule), and B at a million pairs, energies log-uniform over 30 keV..15 MeV and
// penetrations log-uniform over 0.01..40 mfp, for lead's own table and for water made from its
// formula (equivalent Z): 15 sweeps and 7 runs of the pairs after warming up.
const shielding = await page.evaluate(() => {
  const layers = [['Pb', 1], ['Fe', 2], ['Concrete_Ordinary', 20]];
  const names = photonxs.nuclides();
  const sweep = () => {
    let lines = 0;
    for (const name of names) lines += photonxs.dose_rate(name, 1e9, 100, { layers }).energy.length;
    return lines;
  };
  // Several sweeps first: the browser runs new WebAssembly code through its baseline compiler
  // until the optimised code is ready.
  let lines = 0;
  for (let i = 0; i < 30; i++) lines = sweep();
  const doses = [];
  for (let i = 0; i < 15; i++) {
    const start = performance.now();
    sweep();
    doses.push(performance.now() - start);
  }
  let state = 19910101;
  const logUniform = (low, high) => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    return low * (high / low) ** (state / 2 ** 32);
  };
  const energies = new Float64Array(1000000);
  const depths = new Float64Array(1000000);
  for (let i = 0; i < energies.length; i++) {
    energies[i] = logUniform(0.03, 15);
    depths[i] = logUniform(0.01, 40);
  }
  const pairs = {};
  for (const material of ['Pb', 'formula:H2O']) {
    for (let i = 0; i < 2; i++) photonxs.buildup(material, energies, depths);
    pairs[material] = [];
    for (let i = 0; i < 7; i++) {
      const start = performance.now();
      photonxs.buildup(material, energies, depths);
      pairs[material].push(performance.now() - start);
    }
  }
  return { nuclides: names.length, lines, doses, pairs };
});

// The native Geometry tank: 1.83 m in radius, 10.7 m tall, 0.8 MeV in its water, in air, the
// detector 6 m from its axis; the whole model each time, as the page computes it (the native
// case times the integration alone, so the ratio overstates the page's share).
const geometry = await page.evaluate(() => {
  const tank = {
    source: { shape: 'cylinder', base: [0, 0, 0], axis: 'z', length: '10.7 m', radius: '1.83 m',
              material: 'Water_Liquid', lines: [[0.8, 1e12]] },
    filler: { material: 'Air_Dry' },
    detectors: [[600, 0, 535]],
  };
  const times = {};
  for (const accuracy of [1e-3, 1e-6]) {
    for (let i = 0; i < 3; i++) photonxs.model_dose(tank, { accuracy });
    times[accuracy] = [];
    for (let i = 0; i < 7; i++) {
      const start = performance.now();
      photonxs.model_dose(tank, { accuracy });
      times[accuracy].push(performance.now() - start);
    }
  }
  return times;
});
await browser.close();

const ms = (x) => `${x.toFixed(1)} ms`;
const mb = (x) => `${(x / 1048576).toFixed(1)} MB`;
const r = spread(ready);
const p = spread(plots.times);
const l = spread(lookups);
const perValue = (l.median * 1e6) / 1e6;
const rows = [
  ['Page ready after opening the file (7 fresh pages)', ms(r.median), ms(r.min), ms(r.max), '≤ 1000 ms', r.median <= 1000],
  [`Graph and fraction plot of one material (each of ${plots.times.length} files)`, ms(p.median), ms(p.min), ms(p.max), '≤ 50 ms', p.max <= 50],
  [
    'mu_rho of lead, 10^6 energies (7 runs)',
    ms(l.median),
    ms(l.min),
    ms(l.max),
    native ? `≤ 2 × native (${native.toFixed(1)} ns/value)` : '≤ 2 × native',
    native ? perValue <= 2 * native : '-',
  ],
  ['Memory after plotting every file: JS heap + wasm', mb(plots.heap + plots.wasm), mb(plots.heap), mb(plots.wasm), '≤ 64 MB', plots.heap + plots.wasm <= 64 * 1048576],
  [
    `Dose rate of each of the ${shielding.nuclides} nuclides (${shielding.lines} lines) behind 1 cm Pb, 2 cm Fe, 20 cm concrete (15 runs)`,
    ms(spread(shielding.doses).median),
    ms(spread(shielding.doses).min),
    ms(spread(shielding.doses).max),
    nativeShielding ? `≤ 2 × native (${nativeShielding[0].toFixed(2)} ms)` : '≤ 2 × native',
    nativeShielding ? median(shielding.doses) <= 2 * nativeShielding[0] : '-',
  ],
  ...[1e-3, 1e-6].map((accuracy, k) => {
    const t = spread(geometry[accuracy]);
    const native_ = nativeGeometry?.[k];
    return [
      `Water tank integrated at accuracy ${accuracy} (7 runs)`,
      ms(t.median),
      ms(t.min),
      ms(t.max),
      native_ ? `≤ 2 × native (${native_.toFixed(1)} ms)` : '≤ 2 × native',
      native_ ? t.median <= 2 * native_ : '-',
    ];
  }),
  ...Object.entries(shielding.pairs).map(([material, times], k) => {
    const t = spread(times);
    const native_ = nativeShielding?.[k + 1];
    return [
      `buildup of ${material}, 10^6 (E, mfp) pairs (7 runs)`,
      ms(t.median),
      ms(t.min),
      ms(t.max),
      native_ ? `≤ 2 × native (${native_.toFixed(1)} ms)` : '≤ 2 × native',
      native_ ? t.median <= 2 * native_ : '-',
    ];
  }),
];
let table = '| Case | Median | Min | Max | Target | Holds |\n|---|---:|---:|---:|---|:---:|\n';
for (const [name, a, b, c, target, holds] of rows) {
  table += `| ${name} | ${a} | ${b} | ${c} | ${target} | ${holds === '-' ? '-' : holds ? 'yes' : 'no'} |\n`;
}
table += `\nmu_rho: ${perValue.toFixed(1)} ns a value${native ? `, ${(perValue / native).toFixed(2)} × native` : ''}. Memory columns: total, JS heap, wasm memory. Slowest plot: ${plots.slowest}.\nShielding: ${(median(shielding.doses) / shielding.nuclides).toFixed(3)} ms a nuclide${nativeShielding ? `, ${(median(shielding.doses) / nativeShielding[0]).toFixed(2)} × native` : ''}; buildup ${Object.entries(shielding.pairs)
  .map(([m, t], k) => `${m} ${median(t).toFixed(1)} ns a pair${nativeShielding ? ` (${(median(t) / nativeShielding[k + 1]).toFixed(2)} × native)` : ''}`)
  .join(', ')}.\n`;
process.stdout.write(table);
if (out) writeFileSync(out, table);
