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

// Counts values that differ; fails on any beyond `allowed` ULP (1 unless a case says why) or a
// share of them above 1 %.
function compare(tally, label, expected, actual, allowed = 1) {
  const apart = ulps(expected, actual);
  tally.values += 1;
  if (apart === 0) return;
  assert.ok(apart <= allowed, `${label}: CLI ${expected}, page ${actual} (${apart} ULP apart, ${allowed} allowed)`);
  tally.differ += 1;
  tally.most = Math.max(tally.most ?? 0, apart);
}

function report(tally, what) {
  console.log(`${what}: ${tally.differ} of ${tally.values} values differ, by at most ${tally.most ?? 0} ULP`);
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

test('energies typed in MeV and converted to keV give the CLI the same numbers, and convert back', async () => {
  const mev = energies(5, 40).flatMap((e) => [String(e), e.toExponential(3), e.toFixed(5)]).filter((t) => Number(t) > 0);
  const convert = (texts, toKeV) => page.evaluate(([t, k]) => photonxs.page.core().energies_in_other_unit(t, k, true).split(', '), [texts.join(', '), toKeV]);
  const kev = await convert(mev, true);
  assert.deepEqual((await convert(kev, false)).map(Number), mev.map(Number));
  const column = (rows) => rows.map((r) => r.slice(1));
  assert.deepEqual(column(cliRows(['--energy-unit', 'keV', 'at', 'Pb', ...kev]).rows), column(cliRows(['at', 'Pb', ...mev]).rows));
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

// Dose rates: each case as the CLI's arguments after `dose` and as dose_rate's.
const DOSES = [
  ['Co-60 behind lead and concrete, Broder', ['Co-60', 'Pb@5', 'Concrete_Ordinary@30'], ['Co-60', [['Pb', 5], ['Concrete_Ordinary', 30]], {}]],
  ['energy absorption in the last layer', ['Co-60', 'Pb@5', 'Concrete_Ordinary@30', '--kind', 'absorption'], ['Co-60', [['Pb', 5], ['Concrete_Ordinary', 30]], { kind: 'absorption' }]],
  ['uncollided only', ['Co-60', 'Pb@5', 'Concrete_Ordinary@30', '--kind', 'none'], ['Co-60', [['Pb', 5], ['Concrete_Ordinary', 30]], { kind: 'none' }]],
  ['the last layer rule', ['Cs-137', 'Water_Liquid@20', 'Fe@4', '--rule', 'last'], ['Cs-137', [['Water_Liquid', 20], ['Fe', 4]], { rule: 'last' }]],
  ['one named table for the stack', ['Ir-192', 'Pb@1', 'Water_Liquid@10', '--table', 'concrete'], ['Ir-192', [['Pb', 1], ['Water_Liquid', 10]], { table: 'concrete' }]],
  ['lines with a layer of given density', ['lines:0.662=0.851,1.25=1,0.08=0.3', 'Fe@3@7.5'], ['lines:0.662=0.851,1.25=1,0.08=0.3', [['Fe', 3, 7.5]], {}]],
  ['lines as pairs, equivalent Z', ['lines:0.3=0.5,2.5=0.2', 'formula:CaCO3@12@2.7'], [[[0.3, 0.5], [2.5, 0.2]], [['formula:CaCO3', 12, 2.7]], {}]],
  ['a cut-off, no layer', ['I-131', '--cutoff', '0.1'], ['I-131', [], { cutoff: 0.1 }]],
  ['deep penetration, extrapolated', ['Cs-137', 'Pb@12'], ['Cs-137', [['Pb', 12]], {}]],
];

// A penetration of x mean free paths multiplies a last-bit difference of the libraries' exp,
// pow or tanh (in exp(-x) and in the G-P form's K^x) by about x, so values behind x mfp may lie
// up to 1 + 2x ULP apart; a fault in the computation moves them by far more.
const behind = (mfp) => 1 + Math.ceil(2 * mfp);

test('coefficients in other units and thicknesses with units equal the CLI', async () => {
  const e = [0.001, 0.0151, 0.088, 0.662, 1.5, 30, 200000];
  const names = [...COLUMNS, 'total_without_coherent'];
  const tally = { values: 0, differ: 0 };
  for (const [m, unit, density] of [['Pb', 'barn/atom'], ['formula:CaSO4·2H2O', 'b/atom'], ['Pb', '1/cm'], ['Si', 'µm'], ['Water_Liquid', 'm'], ['formula:H2O', '1/cm', 0.998]]) {
    const more = density === undefined ? [] : ['--density', String(density)];
    const out = runCli(['--digits', '17', '--format', 'csv', 'at', m, '--unit', unit, '--without-coherent', ...more, ...e.map(String)]).stdout;
    const got = await page.evaluate(([m_, x, u, d]) => photonxs.mu_rho(m_, x, { unit: u, density: d, without_coherent: true }), [m, e, unit, density]);
    out.trim().split('\n').slice(1).forEach((line, r) => line.split(',').slice(1).forEach((field, k) => {
      const want = field === 'Inf' ? Infinity : /^[-+.\dE]+$/.test(field) ? Number(field) : NaN;
      if (want === Infinity) assert.equal(got[names[k]][r], Infinity);
      else compare(tally, `${m} ${names[k]} in ${unit} at ${e[r]}`, want, got[names[k]][r]);
    }));
  }
  report(tally, 'mu_rho in units');
  const through = await page.evaluate(() => [[['Pb', '5 mm']], [['Pb', 0.5]], [['Pb', '2 g/cm2', 4]], [['Pb', 0.5, 4]]].map((s) => photonxs.transmission(s, 0.662)[0]));
  assert.deepEqual([through[0], through[2]], [through[1], through[3]]);
  const message = await page.evaluate(() => {
    try {
      return photonxs.mu_rho('Water_Liquid', 1, { unit: 'barn/atom' });
    } catch (error) {
      return error.message;
    }
  });
  assert.ok(runCli(['at', 'Water_Liquid', '1', '--unit', 'barn/atom']).stderr.includes(message), message);
});

test('shielding functions equal the CLI', async () => {
  const tally = { values: 0, differ: 0 };
  const doses = await page.evaluate(
    (cases) => cases.map(([, , [source, layers, options]]) => {
      const r = photonxs.dose_rate(source, 1e12, 200, { layers, ...options });
      return { ...Object.fromEntries(['energy', 'intensity', 'mfp', 'uncollided', 'buildup', 'rate'].map((k) => [k, Array.from(r[k])])), total: r.total, notes: r.notes };
    }),
    DOSES,
  );
  DOSES.forEach(([label, args], k) => {
    const cli = cliRows(['dose', ...args, '--activity', '1TBq', '--distance', '2m']);
    const lines = cli.rows.slice(0, -1);
    assert.equal(doses[k].energy.length, lines.length, `${label}: lines`);
    assert.ok(lines.length > 0, label);
    const mfp = doses[k].mfp;
    lines.forEach((row, i) => ['energy', 'intensity', 'uncollided', 'buildup', 'rate'].forEach((c, j) => compare(tally, `${label} ${c} ${i + 1}`, row[j], doses[k][c][i], behind(mfp[i]))));
    compare(tally, `${label} total`, cli.rows.at(-1)[4], doses[k].total, behind(Math.max(0, ...mfp.filter((x) => x <= 100))));
    const noted = runCli(['dose', ...args, '--activity', '1TBq', '--distance', '2m']).stderr.split('\n').filter((l) => /^(photonxs-cli: )?note:/.test(l)).length;
    assert.equal(doses[k].notes.filter((n) => n !== '').length, noted, `${label}: notes`);
  });
  assert.ok(doses[8].notes.includes('extrapolated') || doses[8].notes.includes('beyond 100 mfp'), 'deep lead notes its lines');

  // Buildup: tables of their own, equivalent Z and a named table, several energies and depths.
  const mfps = [0, 0.5, 1, 7, 20, 40, 55, 100];
  const buildups = [
    ['Pb', ['0.1', '0.5', '1.1', '3', '10'], 'exposure', ''],
    ['Pb', ['0.088', '0.089', '0.6'], 'absorption', ''],
    ['Water_Liquid', ['0.03', '0.662', '15'], 'exposure', ''],
    ['Concrete_Ordinary', ['0.05', '0.3', '1.25', '6'], 'exposure', ''],
    ['formula:H2O', ['0.2', '2'], 'absorption', ''],
    ['Bone_Cortical', ['0.08', '1'], 'exposure', 'iron'],
  ];
  for (const [material, energyWords, kind, table] of buildups) {
    const args = ['buildup', material, ...energyWords, '--mfp', mfps.join(','), '--kind', kind, ...(table ? ['--table', table] : [])];
    const cli = cliRows(args);
    const e = cli.rows.map((r) => r[0]);
    const x = cli.rows.map((r) => r[1]);
    const got = await page.evaluate(([m, e, x, kind, table]) => {
      const core = photonxs.page.core();
      const found = core.buildup(m, kind, table, Float64Array.from(e), Float64Array.from(x));
      return { b: Array.from(photonxs.buildup(m, e, x, { kind, table: table || undefined })), zeq: found.zeq && Array.from(found.zeq) };
    }, [material, e, x, kind, table]);
    assert.equal(cli.rows.length, energyWords.length * mfps.length, `${args.join(' ')}`);
    cli.rows.forEach((row, i) => {
      compare(tally, `${material} ${kind} B at ${e[i]} MeV, ${x[i]} mfp`, row[2], got.b[i], behind(x[i]));
      if (got.zeq) compare(tally, `${material} Zeq at ${e[i]}`, row[3], got.zeq[i]);
      else assert.ok(Number.isNaN(row[3]), `${material} has a table of its own: no Zeq`);
    });
  }

  // Kerma-rate constants, with the default cut-off and another.
  for (const [nuclide, cutoff] of [['Cs-137'], ['Co-60'], ['Tc-99m'], ['Am-241', 0.01], ['I-125', 0]]) {
    const cli = cliRows(['kerma-constant', nuclide, ...(cutoff === undefined ? [] : ['--cutoff', String(cutoff)])]);
    const got = await page.evaluate(([n, c]) => photonxs.kerma_constant(n, c === null ? {} : { cutoff: c }), [nuclide, cutoff ?? null]);
    compare(tally, `${nuclide} kerma constant`, cli.rows[0][2], got);
  }

  // The last layer's thickness for a target rate.
  for (const [args, target, options] of [
    [['Co-60', 'Pb@5', 'Concrete_Ordinary@30'], 10, {}],
    [['Cs-137', 'Water_Liquid@5', 'Pb@1'], 2.5, { kind: 'none' }],
  ]) {
    const cli = cliRows(['dose', ...args, '--activity', '1TBq', '--distance', '2m', '--thickness-for', String(target), ...(options.kind ? ['--kind', options.kind] : [])]);
    const layers = args.slice(1).map((l) => [l.split('@')[0], Number(l.split('@')[1])]);
    const got = await page.evaluate(([s, l, t, o]) => photonxs.thickness_for(s, '1 TBq', '2 m', t, { layers: l, ...o }), [args[0], layers, target, options]);
    compare(tally, `thickness of ${args.at(-1)} for ${target} uGy/h`, cli.rows[0][0], got);
  }
  report(tally, 'shielding');

  const named = await page.evaluate(() => {
    const n = photonxs.nuclide('cs137');
    return { name: n.name, energy: Array.from(n.energy), intensity: Array.from(n.intensity), kind: n.kind, all: photonxs.nuclides() };
  });
  const lines = cliRows(['nuclides', 'Cs-137']).rows;
  assert.equal(named.name, 'Cs-137');
  assert.deepEqual([named.energy, named.intensity], [lines.map((r) => r[0]), lines.map((r) => r[1])]);
  assert.deepEqual(named.all, runCli(['--format', 'csv', 'nuclides']).stdout.trim().split('\n').slice(1).map((l) => l.split(',')[0]));
  assert.equal(await page.evaluate(() => photonxs.buildup('Pb', 1, 101)), NaN);
  assert.equal(await page.evaluate(() => photonxs.buildup('Pb', 0.005, 1)), NaN);
});

// Inventories decayed, as H*(10) and exposure, over a stay, and the chains' activities.
test('inventories that decay equal the CLI', async () => {
  const tally = { values: 0, differ: 0 };
  const year = 365.25 * 86400;
  const got = await page.evaluate((year) => {
    const lines = photonxs.dose_rate({ 'Co-60': '1 GBq', 'Cs-137': '10 mCi' }, null, 100, { layers: [['Pb', 2]], decay_s: year, quantity: 'h10' });
    const stay = photonxs.dose_rate([['Mo-99', 1e9]], null, 100, { layers: [['Fe', 1]], decay_s: 23 * 3600, stay_s: 8 * 3600, fresh: true, quantity: 'exposure' });
    return {
      lines: { ...Object.fromEntries(['energy', 'intensity', 'uncollided', 'rate'].map((k) => [k, Array.from(lines[k])])), nuclides: lines.nuclides, total: lines.total },
      stay: [stay.total, stay.stay_dose],
      decayed: photonxs.decay([['Mo-99', 1]], 23 * 3600, { fresh: true }),
    };
  }, year);
  const cli = runCli(['--digits', '17', '--format', 'csv', 'dose', 'Co-60=1GBq,Cs-137=10mCi', 'Pb@2', '--distance', '1m', '--decay', '1y', '--quantity', 'h10']).stdout;
  const lines = cli.trim().split('\n').slice(1).map((l) => l.split(',')).filter((f) => f[1] !== 'total');
  assert.deepEqual(got.lines.nuclides, lines.map((f) => f[0]));
  const fields = { energy: 1, intensity: 2, uncollided: 3, rate: 5 };
  lines.forEach((f, i) => Object.entries(fields).forEach(([k, j]) => compare(tally, `${f[0]} ${k} ${i}`, Number(f[j]), got.lines[k][i], 5)));
  compare(tally, 'total', cliRows(['dose', 'Co-60=1GBq,Cs-137=10mCi', 'Pb@2', '--distance', '1m', '--decay', '1y', '--quantity', 'h10']).rows.at(-1)[5], got.lines.total, 5);
  const stay = cliRows(['dose', 'Mo-99=1GBq', 'Fe@1', '--distance', '1m', '--decay', '23h', '--fresh', '--stay', '8h', '--quantity', 'exposure']).rows.at(-1);
  compare(tally, 'rate at the stay', stay[1], got.stay[0], 5);
  compare(tally, 'dose over the stay', stay[2], got.stay[1], 5);
  const chain = cliRows(['nuclides', 'Mo-99', '--decay', '23h', '--fresh']);
  const names = runCli(['--format', 'csv', 'nuclides', 'Mo-99', '--decay', '23h', '--fresh']).stdout.trim().split('\n').slice(1).map((l) => l.split(',')[0]);
  assert.deepEqual(Object.keys(got.decayed), names);
  names.forEach((name, i) => compare(tally, `${name} activity`, chain.rows[i][2], got.decayed[name]));
  report(tally, 'inventories');
});

test('bad shielding input gives the CLI message', async () => {
  const dose = ['--activity', '1TBq', '--distance', '2m'];
  const cases = [
    ['activity without a unit', ['Co-60', '1', '2 m', {}], ['dose', 'Co-60', '--activity', '1', '--distance', '2m']],
    ['distance without a unit', ['Co-60', '1 GBq', '2', {}], ['dose', 'Co-60', '--activity', '1GBq', '--distance', '2']],
    ['a nuclide misspelt', ['Cs13', 1e9, 100, {}], ['dose', 'Cs13', ...dose]],
    ['an unknown table', ['Co-60', 1e9, 100, { layers: [['Pb', 1]], table: 'cheese' }], ['dose', 'Co-60', 'Pb@1', ...dose, '--table', 'cheese']],
  ];
  for (const [label, args, cli] of cases) {
    const thrown = await page.evaluate((args) => {
      try {
        photonxs.dose_rate(...args);
        return null;
      } catch (error) {
        return error.message;
      }
    }, args);
    assert.equal(thrown, runCli(cli).stderr.split('\n')[0], label);
  }
  const nuclide = await page.evaluate(() => {
    try {
      return photonxs.nuclide('Cs13');
    } catch (error) {
      return error.message;
    }
  });
  assert.equal(nuclide, runCli(['nuclides', 'Cs13']).stderr);
  assert.match(nuclide, /did you mean Cs-131, Cs-134 or Cs-137\?$/);
  const refused = await page.evaluate(() =>
    [
      () => photonxs.buildup('Pb', [1, 2], [1, 2, 3]),
      () => photonxs.buildup('Pb', 1, 1, { kind: 'dose' }),
      () => photonxs.dose_rate('Co-60', 1e9, 0),
      () => photonxs.dose_rate('Co-60', 1e9, 100, { rule: 'sum' }),
      () => photonxs.thickness_for('Co-60', 1e9, 100, 1),
    ].map((f) => {
      try {
        f();
        return 'no error';
      } catch (error) {
        return error.message;
      }
    }),
  );
  assert.match(refused[0], /one length/);
  assert.match(refused[1], /kind takes 'exposure' or 'absorption'/);
  assert.match(refused[2], /distance .* above 0/);
  assert.match(refused[3], /rule takes 'broder' or 'last'/);
  assert.match(refused[4], /at least one layer/);
});

test('names as typed: formulas, aliases and compendium names give the doubles and the note of the CLI', async () => {
  const names = ['H2O', 'H₂O', 'SiO2', 'CsI', 'Kapton', 'NaI', 'SS304', 'lead glass', 'steel stainless 304', 'compendium:Water, Liquid'];
  const tally = { values: 0, differ: 0 };
  for (const name of names) {
    const cli = cliRows(['at', name, '0.03', '0.662', '5']);
    const got = await page.evaluate(([n]) => ({ note: photonxs.material(n).note, total: Array.from(photonxs.mu_rho(n, [0.03, 0.662, 5]).total) }), [name]);
    cli.rows.forEach((row, r) => compare(tally, `${name} at ${row[0]}`, row[6], got.total[r], 0));
    assert.equal(runCli(['at', name, '1']).stderr, got.note ? `note: ${got.note}` : '');
  }
  report(tally, 'names');
  for (const name of ['soil', 'stainless steel', 'Watr', 'Kaptn', 'CO']) {
    const message = await page.evaluate((n) => {
      try {
        return photonxs.material(n).name;
      } catch (error) {
        return error.message;
      }
    }, name);
    assert.equal(message, runCli(['at', name, '1']).stderr);
  }
  const offered = await page.evaluate(() => photonxs.compendium_names());
  assert.equal(offered.filter((o) => o.kind === 'material').length, 411);
  assert.deepEqual(offered.find((o) => o.name === 'Kapton'), { name: 'Kapton', material: 'Kapton Polyimide Film', density: 1.42, kind: 'alias' });
});
