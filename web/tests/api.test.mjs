// window.photonxs against photonxs-cli --digits 17: every library file at random energies, the
// attenuation functions on a spread of materials, and the messages of bad input.
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

// Seeded, so that a failure can be run again: log-uniform energies over the tables and beyond.
function energies(seed, count) {
  let state = seed;
  const next = () => {
    state = (Math.imul(state, 1664525) + 1013904223) >>> 0;
    return state / 2 ** 32;
  };
  return Array.from({ length: count }, () => 10 ** (-3.2 + next() * 8.5));
}

// Counts values that differ; fails on any beyond 1 ULP or a share of them above 1 %.
function compare(tally, label, expected, actual) {
  const apart = ulps(expected, actual);
  tally.values += 1;
  if (apart === 0) return;
  assert.ok(apart <= 1, `${label}: CLI ${expected}, page ${actual} (${apart} ULP apart)`);
  tally.differ += 1;
}

function report(tally, what) {
  console.log(`${what}: ${tally.differ} of ${tally.values} values differ by 1 ULP`);
  assert.ok(tally.values > 0);
  assert.ok(tally.differ <= tally.values / 100, `${tally.differ} of ${tally.values} values differ`);
}

const COLUMNS = ['coherent', 'incoherent', 'photo_electric', 'pair_nuclear', 'pair_electron', 'total'];

test('mu_rho equals the CLI for every library file', async () => {
  const files = runCli(['--format', 'csv', 'list']).stdout.trim().split('\n').slice(1).map((l) => l.split(',')[0]);
  assert.deepEqual(files, await page.evaluate(() => photonxs.materials().map((m) => m.path)));
  const tally = { values: 0, differ: 0 };
  for (const [i, file] of files.entries()) {
    const e = energies(i + 1, 24);
    const cli = cliRows(['at', file, ...e.map(String)]);
    const page_ = await page.evaluate(([f, x]) => photonxs.mu_rho(f, x), [file, e]);
    cli.rows.forEach((row, r) => {
      assert.equal(row[0], e[r]);
      COLUMNS.forEach((c, k) => compare(tally, `${file} ${c} at ${e[r]}`, row[k + 1], page_[c][r]));
    });
  }
  report(tally, 'mu_rho');
});

test('attenuation, inverse look-ups and expressions equal the CLI', async () => {
  const tally = { values: 0, differ: 0 };
  const e = energies(99, 12);
  const materials = ['Pb', 'ele/001_H.ele', 'U', 'Water_Liquid', 'Bone_Cortical', 'Air_Dry', 'formula:CaCO3', 'mix:H2O=0.7,C2H5OH=0.3'];
  for (const m of materials) {
    const got = await page.evaluate(
      ([m, e]) => {
        const pick = (o) => Object.fromEntries(Object.entries(o).map(([k, v]) => [k, Array.from(v)]));
        const safe = (f) => {
          try {
            return f();
          } catch (error) {
            return { error: error.message };
          }
        };
        return {
          hvl: safe(() => pick(photonxs.hvl(m, e, 2.5))),
          absorption: safe(() => pick(photonxs.absorption(m, e))),
          zeff: safe(() => pick(photonxs.zeff(m, e))),
          through: Array.from(photonxs.transmission([[m, 0.3, 2.5], ['Water_Liquid', 2]], e)),
          energy: pick(photonxs.energy_at(m, [0.05, 1, 30])),
        };
      },
      [m, e],
    );
    const check = (args, names, result) => {
      const cli = cliRows(args);
      if (result.error !== undefined) {
        assert.equal(result.error, runCli(args).stderr.split('\n')[0], `${m}: ${args[0]}`);
        return;
      }
      cli.rows.forEach((row, r) => names.forEach((n, k) => compare(tally, `${m} ${args[0]} ${n}`, row[k + 1], result[n][r])));
    };
    check(['hvl', '--density', '2.5', m, ...e.map(String)], ['mu', 'hvl', 'tvl', 'mfp'], got.hvl);
    check(['absorption', m, ...e.map(String)], ['mu_rho', 'mu_en_rho', 'kerma_air', 'kerma_water'], got.absorption);
    check(['zeff', m, ...e.map(String)], ['zeff', 'neff'], got.zeff);
    const stack = cliRows(['attenuate', `${m}@0.3@2.5`, 'Water_Liquid@2', '--energy', ...e.map(String)]);
    stack.rows.forEach((row, r) => compare(tally, `${m} attenuate`, row[2], got.through[r]));
    const inverse = cliRows(['energy', m, '0.05', '1', '30']);
    inverse.rows.forEach((row, r) => ['energy', ...COLUMNS].forEach((n, k) => compare(tally, `${m} energy ${n}`, row[k], got.energy[n][r])));
  }
  report(tally, 'attenuation');
});

test('bad input throws the CLI message and the page keeps answering', async () => {
  const cases = [
    ['mu_rho', ['formula:H2Q', 1], ['at', 'formula:H2Q', '1']],
    ['mu_rho', ['Unobtainium', 1], ['at', 'Unobtainium', '1']],
    ['material', ['mix:H2O=0.7,Pb='], ['at', 'mix:H2O=0.7,Pb=', '1']],
  ];
  for (const [name, args, cli] of cases) {
    const thrown = await page.evaluate(([name, args]) => {
      try {
        photonxs[name](...args);
        return null;
      } catch (error) {
        return { error: error instanceof Error, message: error.message };
      }
    }, [name, args]);
    assert.deepEqual(thrown, { error: true, message: runCli(cli).stderr.split('\n')[0] }, `${name} ${args}`);
  }
  const refused = await page.evaluate(() => {
    const messages = [];
    for (const f of [() => photonxs.transmission([['Pb', -1]], 1), () => photonxs.hvl('Pb', 1, 0), () => photonxs.mu_rho('Pb', 'one')]) {
      try {
        f();
      } catch (error) {
        messages.push(error.message);
      }
    }
    return messages;
  });
  assert.equal(refused.length, 3);
  assert.match(refused[0], /thickness/);
  assert.equal(await page.evaluate(() => photonxs.mu_rho('Pb', 0.662).total[0]), cliRows(['at', 'Pb', '0.662']).rows[0][6]);
});
