// The page: search, plots with the read-out, the calculator, the comparison, attenuation, the
// builders and the materials kept in this browser. Every number comes from window.photonxs.
'use strict';

(function () {
  const px = window.photonxs;
  const $ = (id) => document.getElementById(id);
  const MAX_VALUES = 10000;
  const COLUMNS = ['coherent', 'incoherent', 'photo_electric', 'pair_nuclear', 'pair_electron', 'total'];
  const HEADINGS = ['Coherent', 'Incoherent', 'Photo-electric', 'Pair (nuclear)', 'Pair (electron)', 'Total'];
  const SIZES = {
    graph: [661, 629],
    fraction: [661, 277],
    enlarged: [909, 861],
    transmission: [520, 300],
    efficiency: [520, 300],
    equivalence: [520, 300],
    rate: [520, 320],
    decay: [520, 320],
    buildup: [520, 320],
  };

  let current = null; // {expr, info}
  let readRow = null; // the tabulated row the read-out shows
  const scales = {}; // each plot's user coordinate system, as the core set it
  const compared = [];

  // ------------------------------------------------------------------ numbers and units

  const store = (() => {
    try {
      return window.localStorage;
    } catch {
      return null;
    }
  })();
  let unit = store?.getItem('photonxs.unit') === 'keV' ? 'keV' : 'MeV';

  function showUnit() {
    for (const radio of document.querySelectorAll('input[name=unit]')) radio.checked = radio.value === unit;
    for (const label of document.querySelectorAll('.unit-label')) {
      label.textContent = `${label.dataset.text} (${unit})`;
    }
  }

  // A typed number read as the command line reads one; an energy in keV becomes MeV with the
  // decimal point moved in the text, so that 662 keV is the very double of 0.662 MeV.
  function readNumber(word, what, keV = false) {
    const value = px.page.core().read_number(word, keV);
    if (value === null) throw new Error(`${what}: '${word.slice(0, 40)}' is not a number`);
    return value;
  }
  const energyOf = (word) => readNumber(word, 'energy', unit === 'keV');

  function wordsOf(text, what) {
    const words = text.split(/[\s,;]+/).filter((w) => w !== '');
    if (words.length === 0) throw new Error(`type one or more ${what}`);
    if (words.length > MAX_VALUES) {
      throw new Error(`${words.length} ${what} are too many: at most ${MAX_VALUES} at once`);
    }
    return words;
  }

  const energiesOf = (text) => Float64Array.from(wordsOf(text, 'energies'), energyOf);

  const numberOf = (word, what) => readNumber(word, what);

  // Five significant digits; powers of ten for the very small and the very large.
  function shown(x) {
    if (!Number.isFinite(x)) return '—';
    const size = Math.abs(x);
    return size !== 0 && (size < 1e-3 || size >= 1e6) ? x.toExponential(4) : x.toPrecision(5);
  }
  const shownEnergy = (mev) => shown(unit === 'keV' ? mev * 1000 : mev);

  // What is on the screen in the energy unit: each result shown registers how to show itself
  // again, so that a change of unit redraws it, and forgets that when it is cleared.
  const unitViews = new Map();
  function showInUnit(name, draw) {
    unitViews.set(name, draw);
    draw();
  }

  // The boxes that hold typed energies: a change of unit converts what is typed in them (and
  // their examples), each energy read in the new unit as the same double; in a list (energies,
  // lines) each energy, in the others the whole text.
  const ENERGY_BOXES = { energies: true, 'shield-source': true, 'atten-energy': false, 'shield-cutoff': false, 'buildup-energy': false };
  const inOtherUnit = (text, toKeV, list) => px.page.core().energies_in_other_unit(text, toKeV, list);
  function convertEnergies(toKeV) {
    for (const [id, list] of Object.entries(ENERGY_BOXES)) {
      const box = $(id);
      if (box.value !== '') box.value = inOtherUnit(box.value, toKeV, list);
      if (box.placeholder !== '') box.placeholder = inOtherUnit(box.placeholder, toKeV, list);
    }
  }

  // The boxes' texts are kept for the tab with the unit they are in, and put back on a reload
  // by the page itself, converted only when the unit changed meanwhile: what the browser puts
  // back of its own accord cannot say which unit it was typed in, so it is replaced.
  const session = (() => {
    try {
      return window.sessionStorage;
    } catch {
      return null;
    }
  })();
  const KEPT_ENERGIES = 'photonxs.energies';
  function keepEnergies() {
    if (document.documentElement.dataset.ready !== 'true') return;
    const texts = Object.fromEntries(Object.keys(ENERGY_BOXES).map((id) => [id, $(id).value]));
    session?.setItem(KEPT_ENERGIES, JSON.stringify({ unit, texts }));
  }
  function restoreEnergies() {
    let kept = null;
    try {
      kept = JSON.parse(session?.getItem(KEPT_ENERGIES) ?? 'null');
    } catch {
      kept = null;
    }
    for (const [id, list] of Object.entries(ENERGY_BOXES)) {
      const box = $(id);
      const own = typeof kept?.texts?.[id] === 'string';
      // The page's own examples are in MeV.
      const [text, from] = own ? [kept.texts[id], kept.unit === 'keV' ? 'keV' : 'MeV'] : [box.defaultValue, 'MeV'];
      box.value = from === unit || text === '' ? text : inOtherUnit(text, unit === 'keV', list);
      if (box.placeholder !== '' && unit === 'keV') box.placeholder = inOtherUnit(box.placeholder, true, list);
      box.addEventListener('input', keepEnergies);
    }
  }

  // ------------------------------------------------------------------ small helpers

  function say(element, message, bad = true) {
    element.textContent = message;
    element.classList.toggle('bad', bad);
  }

  function fillTable(table, headings, rows) {
    table.replaceChildren();
    const head = table.createTHead().insertRow();
    for (const heading of headings) {
      const th = document.createElement('th');
      th.scope = 'col';
      th.textContent = heading;
      head.append(th);
    }
    const body = table.createTBody();
    for (const row of rows) {
      const tr = body.insertRow();
      for (const cell of row) tr.insertCell().textContent = cell;
    }
  }

  function download(name, blob) {
    const link = document.createElement('a');
    link.href = URL.createObjectURL(blob);
    link.download = name;
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  }

  const csvField = (text) => (/[",\r\n]/.test(text) ? `"${text.replace(/"/g, '""')}"` : text);
  const csvOf = (headings, rows) =>
    [headings, ...rows].map((row) => row.map((x) => csvField(String(x))).join(',')).join('\r\n') + '\r\n';

  const fileBase = (expr) => expr.replace(/^.*\//, '').replace(/\.[a-z0-9]+$/i, '').replace(/[^\w.-]+/g, '_') || 'material';

  // A picture's context at the display's pixel ratio; the core draws in picture pixels.
  const contextOf = (canvas, which) => px.page.context(canvas, ...SIZES[which]);

  // ------------------------------------------------------------------ tabs

  const tabs = [...document.querySelectorAll('[role=tab]')];
  function select(tab) {
    for (const other of tabs) {
      const on = other === tab;
      other.setAttribute('aria-selected', String(on));
      other.tabIndex = on ? 0 : -1;
      $(other.getAttribute('aria-controls')).hidden = !on;
    }
    if (tab.id === 'tab-shield') startShielding();
  }
  for (const tab of tabs) {
    tab.addEventListener('click', () => select(tab));
    tab.addEventListener('keydown', (event) => {
      const step = { ArrowRight: 1, ArrowLeft: -1 }[event.key];
      if (step) {
        const next = tabs[(tabs.indexOf(tab) + step + tabs.length) % tabs.length];
        select(next);
        next.focus();
      }
    });
  }

  // ------------------------------------------------------------------ the material

  function describe(info) {
    const density = info.density === null ? '' : `, ${info.density} g/cm3`;
    const from = info.path === null ? '' : ` (${info.path})`;
    return `${info.name}${from}${density}`;
  }

  function showMaterial(expr) {
    const info = px.material(expr);
    current = { expr, info };
    $('plot-title').textContent = describe(info);
    drawPlots();
    say($('status'), `Showing ${describe(info)}.${info.note ? ` Note: ${info.note}.` : ''}`, false);
  }

  function drawPlots() {
    if (!current) return;
    for (const which of ['graph', 'fraction']) {
      const canvas = $(which);
      const scale = px.page.check(
        px.page.core().draw_plot(current.expr, which, contextOf(canvas, which), ...SIZES[which]),
      );
      scales[which] = scale;
    }
    readRow = null;
    hideReadout();
  }

  $('find').addEventListener('submit', (event) => {
    event.preventDefault();
    const expr = $('material').value.trim();
    try {
      if (expr === '') throw new Error('type an element, a material, formula:... or mix:...');
      showMaterial(expr);
    } catch (error) {
      say($('status'), error.message);
    }
  });

  // ------------------------------------------------------------------ read-out

  let shownRow = null; // the row on the screen now, null while the read-out is hidden

  function hideReadout() {
    shownRow = null;
    unitViews.delete('readout');
    $('graph-cross').hidden = true;
    $('fraction-cross').hidden = true;
  }

  function showRow(row) {
    if (row === null) {
      hideReadout();
      return;
    }
    readRow = row.row;
    // The pointer moves over one row for many events: the read-out changes only with the row.
    if (shownRow === row.row) return;
    shownRow = row.row;
    showInUnit('readout', () => drawRow(row));
  }

  function drawRow(row) {
    const scale = scales.graph;
    for (const name of ['graph', 'fraction']) {
      const cross = $(`${name}-cross`);
      cross.className = 'cross v';
      cross.style.left = `${((row.x - scale.left) / scale.width) * 100}%`;
      cross.hidden = false;
    }
    $('readout-hint').hidden = true;
    const table = $('readout');
    table.hidden = false;
    const body = table.tBodies[0];
    body.replaceChildren();
    const line = (label, value) => {
      const tr = body.insertRow();
      const th = document.createElement('th');
      th.scope = 'row';
      th.textContent = label;
      tr.append(th);
      tr.insertCell().textContent = value;
    };
    line(`Energy (${unit})`, shownEnergy(row.energy));
    COLUMNS.forEach((column, k) => line(`${HEADINGS[k]} (cm2/g)`, shown(row[column])));
    line('Row', `${row.row} of ${row.rows}`);
  }

  function readAt(which, event) {
    if (!current) return;
    const canvas = $(which);
    const box = canvas.getBoundingClientRect();
    const scale = scales[which];
    const x = scale.left + ((event.clientX - box.left) / box.width) * scale.width;
    const y = scale.top + ((event.clientY - box.top) / box.height) * scale.height;
    showRow(px.page.core().readout(current.expr, which, x, y));
  }

  for (const which of ['graph', 'fraction']) {
    $(which).addEventListener('pointermove', (event) => readAt(which, event));
    $(which).addEventListener('pointerdown', (event) => readAt(which, event));
    // The keyboard moves the read-out from row to row.
    $(which).addEventListener('keydown', (event) => {
      const step = { ArrowRight: 1, ArrowLeft: -1, Home: -1e9, End: 1e9 }[event.key];
      if (!current || step === undefined) return;
      event.preventDefault();
      showRow(px.page.core().readout_row(current.expr, (readRow ?? 0) + step));
    });
  }

  $('csv').addEventListener('click', () => {
    if (!current) return say($('status'), 'show a material first');
    download(`${fileBase(current.expr)}.csv`, new Blob([px.csv(current.expr)], { type: 'text/csv' }));
  });

  function savePicture(canvas, name) {
    canvas.toBlob((blob) => download(name, blob), 'image/png');
  }
  $('png').addEventListener('click', () => {
    if (!current) return say($('status'), 'show a material first');
    savePicture($('graph'), `${fileBase(current.expr)}.png`);
  });

  // ------------------------------------------------------------------ calculator

  let calcRows = null; // energies in MeV and the six coefficients
  const calcHeadings = () => [energyHeading(), ...coefficientHeadings()];
  function showCalc(rows) {
    showInUnit('calc', () => fillTable($('calc-table'), calcHeadings(), rows.map((r) => r.map((x, i) => (i === 0 ? shownEnergy(x) : shown(x))))));
    calcRows = rows;
    $('calc-csv').disabled = false;
  }

  function clearCalc() {
    $('calc-table').replaceChildren();
    calcRows = null;
    unitViews.delete('calc');
    $('calc-csv').disabled = true;
  }

  function needMaterial() {
    if (!current) throw new Error('show a material first');
    return current.expr;
  }

  // Runs a form's action; a failure's message replaces the last result, which is cleared.
  function guarded(message, action, clear = () => {}) {
    return (event) => {
      event?.preventDefault();
      say(message, '');
      clear();
      try {
        action();
      } catch (error) {
        say(message, error.message);
      }
    };
  }

  const energyHeading = () => `Energy (${unit})`;
  const coefficientHeadings = () => HEADINGS.map((h) => `${h} (cm2/g)`);

  $('at-energy').addEventListener(
    'submit',
    guarded($('calc-message'), () => {
      const expr = needMaterial();
      const energies = energiesOf($('energies').value);
      const result = px.mu_rho(expr, energies);
      const rows = [...energies].map((e, i) => [e, ...COLUMNS.map((c) => result[c][i])]);
      showCalc(rows);
      const outside = rows.filter((r) => Number.isNaN(r[1])).length;
      if (outside > 0) say($('calc-message'), `${outside} of ${rows.length} energies lie outside the table (1 keV to 100 GeV)`);
    }, clearCalc),
  );

  $('at-total').addEventListener(
    'submit',
    guarded($('calc-message'), () => {
      const expr = needMaterial();
      const totals = wordsOf($('total').value, 'totals').map((w) => numberOf(w, 'total'));
      const found = px.energy_at(expr, totals, { all: true });
      const rows = [];
      totals.forEach((total, i) => {
        const roots = found[i];
        for (let k = 0; k < roots.energy.length; k++) rows.push([roots.energy[k], ...COLUMNS.map((c) => roots[c][k])]);
      });
      showCalc(rows);
      if (rows.length === 0) say($('calc-message'), 'the total takes none of these values between 1 keV and 100 GeV');
    }, clearCalc),
  );

  $('calc-csv').addEventListener('click', () => {
    if (!calcRows) return;
    const rows = calcRows.map((r) => r.map((x, i) => (i === 0 && unit === 'keV' ? x * 1000 : x)));
    download(`${fileBase(current.expr)}-calculator.csv`, new Blob([csvOf(calcHeadings(), rows)], { type: 'text/csv' }));
  });

  // ------------------------------------------------------------------ comparison

  function drawComparison() {
    const canvas = $('enlarged');
    px.page.check(px.page.core().draw_enlarged(compared, contextOf(canvas, 'enlarged'), ...SIZES.enlarged));
    const list = $('compare-list');
    list.replaceChildren();
    compared.forEach((expr, i) => {
      const item = document.createElement('li');
      item.textContent = expr;
      const remove = document.createElement('button');
      remove.type = 'button';
      remove.textContent = 'Remove';
      remove.setAttribute('aria-label', `Remove ${expr}`);
      remove.addEventListener('click', () => {
        compared.splice(i, 1);
        drawComparison();
      });
      item.append(remove);
      list.append(item);
    });
  }

  $('add-compare').addEventListener('click', () => {
    if (!current) return say($('status'), 'show a material first');
    if (!compared.includes(current.expr)) compared.push(current.expr);
    drawComparison();
    say($('status'), `${compared.length} material${compared.length === 1 ? '' : 's'} in the comparison.`, false);
  });
  $('compare-clear').addEventListener('click', () => {
    compared.length = 0;
    drawComparison();
  });
  $('compare-png').addEventListener('click', () => savePicture($('enlarged'), 'comparison.png'));

  // ------------------------------------------------------------------ attenuation

  // An editor of layers (material, thickness, optional density) in a container; `name` and
  // `gap` make each control's label ("Layer 1 material", "Shield layer 1: material"), so that no
  // label of one editor holds another's.
  function layerEditor(container, name, gap = ' ') {
    let count = 0;
    function add(material = '', thickness = '') {
      count += 1;
      const n = count;
      const row = document.createElement('div');
      row.className = 'layer';
      const field = (label, value, extra = {}) => {
        const input = document.createElement('input');
        input.setAttribute('aria-label', label);
        input.placeholder = extra.placeholder ?? '';
        input.value = value;
        input.spellcheck = false;
        if (extra.list) input.setAttribute('list', extra.list);
        row.append(input);
        return input;
      };
      field(`${name} ${n}${gap}material`, material, { list: 'material-list', placeholder: 'material' });
      field(`${name} ${n}${gap}thickness (cm)`, thickness, { placeholder: 'cm, or 5 mm, 2 g/cm2' });
      field(`${name} ${n}${gap}density (g/cm3)`, '', { placeholder: 'density (its own)' });
      const remove = document.createElement('button');
      remove.type = 'button';
      remove.textContent = 'Remove';
      remove.setAttribute('aria-label', `Remove ${name.toLowerCase()} ${n}`);
      remove.addEventListener('click', () => row.remove());
      row.append(remove);
      container.append(row);
    }
    // [[material, cm], [material, cm, density], ...]; empty when `required` is false.
    function read(required = true) {
      const layers = [];
      for (const row of container.children) {
        const [material, thickness, density] = [...row.querySelectorAll('input')].map((i) => i.value.trim());
        const n = layers.length + 1;
        if (material === '') throw new Error(`layer ${n}: give a material`);
        // A plain number is cm; a thickness with its unit ("5 mm", "2 g/cm2") goes to the core
        // as typed, which reads it as every face does.
        const withUnit = /[a-zA-Zµμ]/.test(thickness) && px.page.core().read_number(thickness, false) === null;
        const cm = withUnit ? thickness : numberOf(thickness, `layer ${n} thickness`);
        if (cm < 0) throw new Error(`layer ${n} ('${material}'): the thickness is not a number of cm, 0 or more`);
        layers.push(density === '' ? [material, cm] : [material, cm, numberOf(density, `layer ${n} density`)]);
      }
      if (required && layers.length === 0) throw new Error('add a layer first');
      return layers;
    }
    return { add, read };
  }

  const stackEditor = layerEditor($('layers'), 'Layer');
  $('add-layer').addEventListener('click', () => stackEditor.add());
  const layersOf = () => stackEditor.read();

  let attenRows = null;
  function clearAttenuation() {
    $('atten-table').replaceChildren();
    attenRows = null;
    $('atten-csv').disabled = true;
    $('atten-png').disabled = true;
    const note = 'No transmission to show: the layers or the energy have a problem (see above).';
    px.page.core().draw_no_transmission(note, contextOf($('transmission'), 'transmission'), ...SIZES.transmission);
  }

  $('stack').addEventListener('submit', (event) => {
    event.preventDefault();
    say($('atten-message'), '');
    try {
      const layers = layersOf();
      const energy = energyOf($('atten-energy').value.trim());
      const t = px.transmission(layers, energy)[0];
      if (Number.isNaN(t)) throw new Error(`${shownEnergy(energy)} ${unit} lies outside the tables`);
      const rows = [['Transmission of the stack', t, '']];
      rows.push(['Attenuation, mu x', -Math.log(t), '']);
      for (const [i, layer] of layers.entries()) {
        const [material, , density] = layer;
        const h = px.hvl(material, energy, density);
        const of = ` (${i + 1}: ${material})`;
        rows.push([`mu${of}`, h.mu, '1/cm'], [`HVL${of}`, h.hvl, 'cm'], [`TVL${of}`, h.tvl, 'cm'], [`MFP${of}`, h.mfp, 'cm']);
        // The total in the unit chosen, and without coherent scattering when asked for; the
        // default (cm2/g, no box ticked) adds nothing.
        const coefficientUnit = $('atten-coefficient-unit').value;
        const withoutCoherent = $('atten-without-coherent').checked;
        if (coefficientUnit !== 'cm2/g' || withoutCoherent) {
          const length = !['cm2/g', 'barn/atom', '1/cm'].includes(coefficientUnit);
          const what = length ? 'Attenuation length' : 'Total coefficient';
          try {
            const c = px.mu_rho(material, energy, { unit: coefficientUnit, density, without_coherent: withoutCoherent });
            rows.push([`${what}${of}`, c.total[0], coefficientUnit]);
            if (withoutCoherent) rows.push([`${what} without coherent${of}`, c.total_without_coherent[0], coefficientUnit]);
          } catch (error) {
            rows.push([`${what}${of}`, error.message, '']);
          }
        }
        try {
          const a = px.absorption(material, energy);
          rows.push([`mu_en/rho${of}`, a.mu_en_rho[0], 'cm2/g'], [`Kerma ratio to air${of}`, a.kerma_air[0], ''], [`Kerma ratio to water${of}`, a.kerma_water[0], '']);
          const z = px.zeff(material, energy);
          rows.push([`Zeff${of}`, z.zeff[0], ''], [`Neff${of}`, z.neff[0], 'electrons/g']);
        } catch (error) {
          rows.push([`Energy absorption${of}`, error.message, '']);
        }
      }
      fillTable($('atten-table'), ['Quantity', 'Value', 'Unit'], rows.map(([q, v, u]) => [q, typeof v === 'number' ? shown(v) : v, u]));
      attenRows = rows;
      $('atten-csv').disabled = false;
      $('atten-png').disabled = false;
      px.page.check(px.page.core().draw_transmission(layers, contextOf($('transmission'), 'transmission'), ...SIZES.transmission));
    } catch (error) {
      say($('atten-message'), error.message);
      clearAttenuation();
    }
  });

  $('atten-csv').addEventListener('click', () => {
    if (attenRows) download('attenuation.csv', new Blob([csvOf(['quantity', 'value', 'unit'], attenRows)], { type: 'text/csv' }));
  });
  $('atten-png').addEventListener('click', () => savePicture($('transmission'), 'transmission.png'));

  // Each layer's shares at the stack's energy and angle, the stack's equivalent in the
  // reference material, and the sensor layer's efficiency and the equivalence against energy.
  $('layer-form').addEventListener('submit', (event) => {
    event.preventDefault();
    say($('layer-message'), '');
    $('layer-table').replaceChildren();
    $('layer-equivalent').textContent = '';
    try {
      const layers = layersOf();
      const energy = energyOf($('atten-energy').value.trim());
      const angle = numberOf($('layer-angle').value.trim(), 'angle');
      const sensorWord = $('layer-sensor').value.trim();
      const sensor = sensorWord === '' ? layers.length : numberOf(sensorWord, 'sensor layer');
      if (!Number.isInteger(sensor) || sensor < 1 || sensor > layers.length) {
        throw new Error(`sensor layer ${sensorWord}: give a layer from 1 to ${layers.length}`);
      }
      const s = px.layer_shares(layers, energy, { angle_deg: angle });
      if (Number.isNaN(s.transmitted[0][0])) throw new Error(`${shownEnergy(energy)} ${unit} lies outside the tables`);
      fillTable(
        $('layer-table'),
        ['Layer', 'Interacted', 'Photo-absorbed', 'Energy deposited', 'Transmitted'],
        layers.map((layer, i) => [`${i + 1}: ${layer[0]}`, ...['interacted', 'photo_absorbed', 'deposited', 'transmitted'].map((k) => shown(s[k][i][0]))]),
      );
      const reference = $('layer-reference').value.trim() || 'Pb';
      const t = px.equivalent_thickness(layers, energy, { reference })[0];
      $('layer-equivalent').textContent = `The stack transmits at ${shownEnergy(energy)} ${unit} what ${shown(t)} cm of ${reference} transmit (narrow beam).`;
      px.page.check(px.page.core().draw_efficiency(layers, sensor - 1, angle, contextOf($('efficiency'), 'efficiency'), ...SIZES.efficiency));
      px.page.check(px.page.core().draw_equivalence(layers, reference, null, contextOf($('equivalence'), 'equivalence'), ...SIZES.equivalence));
    } catch (error) {
      say($('layer-message'), error.message);
      px.page.core().draw_no_transmission('No efficiency to show: see the message above.', contextOf($('efficiency'), 'efficiency'), ...SIZES.efficiency);
      px.page.core().draw_no_transmission('No equivalence to show: see the message above.', contextOf($('equivalence'), 'equivalence'), ...SIZES.equivalence);
    }
  });

  $('spectrum').addEventListener('submit', async (event) => {
    event.preventDefault();
    say($('spectrum-message'), '');
    $('spectrum-table').replaceChildren();
    try {
      const file = $('spectrum-file').files[0];
      if (!file) throw new Error('choose a spectrum file');
      if (file.size > 4 * 1024 * 1024) throw new Error(`${file.name} is larger than 4 MB`);
      const material = $('spectrum-material').value.trim();
      const r = px.spectrum_file_hvl(await file.text(), material, undefined, { unit });
      fillTable($('spectrum-table'), ['Quantity', 'Value', 'Unit'], [
        ['First HVL', shown(r.first), 'cm'],
        ['Second HVL', shown(r.second), 'cm'],
        ['Homogeneity coefficient', shown(r.homogeneity), ''],
      ]);
    } catch (error) {
      say($('spectrum-message'), error.message);
    }
  });

  // ------------------------------------------------------------------ shielding

  const shieldEditor = layerEditor($('shield-layers'), 'Shield layer', ': ');

  // The first time the part is shown, the dose and the buildup of the example filled in.
  let shieldStarted = false;
  function startShielding() {
    if (shieldStarted || document.documentElement.dataset.ready !== 'true') return;
    shieldStarted = true;
    fillRateUnits();
    $('dose').requestSubmit();
    $('buildup-form').requestSubmit();
  }
  $('shield-add-layer').addEventListener('click', () => shieldEditor.add());

  // The inventory: the source and activity above are its first row, these rows the others.
  const ACTIVITY_UNITS = ['Bq', 'kBq', 'MBq', 'GBq', 'TBq', 'uCi', 'mCi', 'Ci'];
  function addNuclide(name = '', activity = '', activityUnit = 'GBq') {
    const rows = $('shield-inventory');
    const row = document.createElement('div');
    row.className = 'row';
    const field = (label, control) => {
      const span = document.createElement('span');
      span.className = 'field';
      if (label) {
        const l = document.createElement('label');
        l.textContent = label;
        span.append(l);
      }
      span.append(control);
      return span;
    };
    const nameBox = Object.assign(document.createElement('input'), { value: name, spellcheck: false });
    nameBox.setAttribute('list', 'nuclide-list');
    const activityBox = Object.assign(document.createElement('input'), { value: activity, inputMode: 'decimal', spellcheck: false });
    const unitBox = document.createElement('select');
    unitBox.append(...ACTIVITY_UNITS.map((u) => new Option(u, u, false, u === activityUnit)));
    const remove = Object.assign(document.createElement('button'), { type: 'button' });
    row.append(field('', nameBox), field('', activityBox), unitBox, remove);
    remove.addEventListener('click', () => {
      row.remove();
      nameRows();
    });
    rows.append(row);
    nameRows();
  }
  // Each row's controls named by its place: "Nuclide 2", "Activity 2", "Activity 2 unit".
  function nameRows() {
    [...$('shield-inventory').children].forEach((row, i) => {
      const n = i + 2;
      const [nameField, activityField, unitBox, remove] = row.children;
      const [nameBox] = nameField.getElementsByTagName('input');
      const [activityBox] = activityField.getElementsByTagName('input');
      nameBox.id = `shield-nuclide-${n}`;
      nameBox.setAttribute('aria-label', `Nuclide ${n}`);
      activityBox.setAttribute('aria-label', `Activity ${n}`);
      unitBox.setAttribute('aria-label', `Activity ${n} unit`);
      remove.textContent = `Remove nuclide ${n}`;
    });
  }
  $('shield-add-nuclide').addEventListener('click', () => addNuclide());

  // The rate units of the quantity chosen, its base unit first.
  function fillRateUnits() {
    const units = px.page.check(px.page.core().rate_units($('shield-quantity').value));
    $('shield-unit').replaceChildren(...units.map((u) => new Option(u, u)));
    $('shield-target-rate').labels[0].textContent = `Target rate (${units[0]})`;
  }
  $('shield-quantity').addEventListener('change', fillRateUnits);
  $('shield-unit').addEventListener('change', () => {
    $('shield-target-rate').labels[0].textContent = `Target rate (${$('shield-unit').value})`;
  });

  const KIND_TEXT = { exposure: 'air kerma rate', absorption: 'kerma rate in the last layer', none: 'uncollided air kerma rate' };
  const QUANTITY_TEXT = { exposure: 'exposure rate', h10: 'ambient dose equivalent rate H*(10)' };
  let doseShown = null; // {order, result}: the last dose computed, for the CSV and the target

  // What the core needs for a dose: the form read as the user typed it.
  function doseOrderOf() {
    const source = $('shield-source').value.trim();
    if (source === '') throw new Error('type a nuclide (Co-60), or lines:E=Y,... in the energy unit');
    const core = px.page.core();
    const quantity = (input, select, activity) => {
      const word = $(input).value.trim();
      if (word === '') throw new Error(`give the ${activity ? 'activity' : 'distance'}`);
      return px.page.check(core.read_quantity(`${word} ${$(select).value}`, activity));
    };
    const cutoff = $('shield-cutoff').value.trim();
    const time = (input, select) => {
      const word = $(input).value.trim();
      return word === '' ? 0 : `${word} ${$(select).value}`;
    };
    // Further rows make an inventory of [nuclide, activity with its unit] pairs.
    const more = [...$('shield-inventory').children]
      .map((row) => [...row.querySelectorAll('input, select')].map((c) => c.value.trim()))
      .filter(([name, activity]) => name !== '' || activity !== '');
    const activityText = `${$('shield-activity').value.trim()} ${$('shield-activity-unit').value}`;
    return {
      source: more.length === 0 ? source : [[source, activityText], ...more.map(([name, activity, u]) => [name, `${activity} ${u}`])],
      keV: unit === 'keV',
      activity: more.length === 0 ? quantity('shield-activity', 'shield-activity-unit', true) : null,
      distance: quantity('shield-distance', 'shield-distance-unit', false),
      layers: shieldEditor.read(false),
      kind: $('shield-kind').value,
      rule: $('shield-rule').value,
      cutoff: cutoff === '' ? 0 : energyOf(cutoff),
      quantity: $('shield-quantity').value,
      unit: $('shield-unit').value,
      decay: time('shield-decay', 'shield-decay-unit'),
      stay: time('shield-stay', 'shield-stay-unit'),
    };
  }

  function drawRate(order, target) {
    const canvas = $('rate-plot');
    px.page.check(px.page.core().draw_rate_plot(order, target, contextOf(canvas, 'rate'), ...SIZES.rate));
    $('shield-png').disabled = false;
  }

  // The rate against time, where the source is of the library's nuclides.
  function drawDecay(order, r) {
    const context = contextOf($('decay-plot'), 'decay');
    if (!r.decays) context.clearRect(0, 0, ...SIZES.decay);
    else px.page.check(px.page.core().draw_decay_plot(order, context, ...SIZES.decay));
  }

  function clearDose() {
    doseShown = null;
    $('shield-table').replaceChildren();
    $('shield-nuclides').replaceChildren();
    contextOf($('decay-plot'), 'decay').clearRect(0, 0, ...SIZES.decay);
    unitViews.delete('dose');
    $('shield-total').textContent = '';
    say($('shield-thickness'), '', false);
    $('shield-csv').disabled = true;
    $('shield-png').disabled = true;
    const context = contextOf($('rate-plot'), 'rate');
    context.clearRect(0, 0, ...SIZES.rate);
  }

  // The per-line rows as the CSV and the table hold them, with the CLI's total row; a nuclide
  // column first where an inventory has several.
  const several = (r) => r.nuclides.length > 1;
  function doseRows(r) {
    const rows = [...r.energy].map((e, i) => [e, r.intensity[i], r.mfp[i], r.uncollided[i], r.buildup[i], r.rate[i], r.notes[i]]);
    const photons = several(r) ? '' : r.intensity.reduce((a, b) => a + b, 0);
    const uncollided = r.uncollided.reduce((a, b) => a + b, 0);
    const total = ['total', photons, '', uncollided, uncollided > 0 ? r.total / uncollided : NaN, r.total, ''];
    if (!several(r)) return { rows, total };
    return { rows: rows.map((row, i) => [r.nuclide[i], ...row]), total: ['all', ...total] };
  }
  const doseHeadings = (r) => [
    ...(several(r) ? ['Nuclide'] : []),
    energyHeading(), 'Photons per decay', 'Penetration (mfp)', `Uncollided (${r.unit})`, 'Buildup', `Rate (${r.unit})`, 'Note'];

  $('dose').addEventListener(
    'submit',
    guarded($('shield-message'), () => {
      const order = doseOrderOf();
      const r = px.page.doseRate(order);
      const { rows, total } = doseRows(r);
      const energyColumn = several(r) ? 1 : 0;
      const cell = (x, i) => (typeof x !== 'number' ? x : i === energyColumn ? shownEnergy(x) : shown(x));
      const what = QUANTITY_TEXT[order.quantity] ?? KIND_TEXT[order.kind];
      const exposure = order.kind === 'absorption' || r.mR_h === null ? '' : ` = ${shown(r.mR_h)} mR/h`;
      const stay = order.stay === 0 ? '' : `; ${shown(r.stay_dose)} ${r.dose_unit} over a stay of ${order.stay}`;
      const nuclideHeadings = ['Nuclide', `Rate (${r.unit})`, 'Share (%)', ...(stay ? [`Dose over the stay (${r.dose_unit})`] : [])];
      const nuclideRows = [...r.nuclides, { name: 'total', rate: r.total, dose: r.stay_dose }].map((n) =>
        [n.name, shown(n.rate), r.total > 0 ? (100 * n.rate / r.total).toFixed(2) : '-', ...(stay ? [shown(n.dose)] : [])]);
      fillTable($('shield-nuclides'), nuclideHeadings, nuclideRows);
      showInUnit('dose', () => {
        fillTable($('shield-table'), doseHeadings(r), [...rows, total].map((row) => row.map(cell)));
        // Lines typed are named by their text, which then speaks the unit chosen.
        const keV = unit === 'keV';
        const name = order.keV === keV ? r.name : px.page.core().energies_in_other_unit(r.name, keV, true);
        const of = several(r) ? 'the inventory' : r.half_life === null ? name : `${name} (half-life ${r.half_life})`;
        $('shield-total').textContent = `Total ${what} of ${of}: ${shown(r.total)} ${r.unit}${exposure}${stay}`;
      });
      doseShown = { order, result: r };
      $('shield-csv').disabled = false;
      drawDecay(order, r);
      // The plot is of the last layer's thickness: without a layer there is none to draw.
      if (order.layers.length === 0) {
        contextOf($('rate-plot'), 'rate').clearRect(0, 0, ...SIZES.rate);
        $('shield-png').disabled = true;
        return;
      }
      const target = Number($('shield-target-rate').value.trim() || '0');
      drawRate(order, target > 0 ? target : 0);
    }, clearDose),
  );

  $('shield-target').addEventListener(
    'submit',
    guarded($('shield-thickness'), () => {
      // The dose of the form as it is now, whatever was computed before.
      $('dose').requestSubmit();
      if (!doseShown) throw new Error('the dose rate above has a problem: see its message');
      const target = numberOf($('shield-target-rate').value.trim(), 'target rate');
      const { order } = doseShown;
      if (order.layers.length === 0) throw new Error('add a shield layer: the answer is the last layer\'s thickness');
      const last = order.layers[order.layers.length - 1][0];
      const cm = px.page.check(px.page.core().thickness_for(order, target));
      const answer =
        cm === 0
          ? `The layers before ${last} already bring the rate to ${shown(target)} ${order.unit} or below: ${last} may be 0 cm.`
          : `${shown(cm)} cm of ${last} (the last layer) brings the rate to ${shown(target)} ${order.unit}.`;
      say($('shield-thickness'), answer, false);
      drawRate(order, target);
    }),
  );

  $('shield-csv').addEventListener('click', () => {
    if (!doseShown) return;
    const r = doseShown.result;
    const { rows, total } = doseRows(r);
    const energyColumn = several(r) ? 1 : 0;
    const kev = (row) => row.map((x, i) => (i === energyColumn && unit === 'keV' && typeof x === 'number' ? x * 1000 : x));
    const rate = r.unit.replace('/', '_');
    const headings = [...(several(r) ? ['nuclide'] : []), `energy_${unit}`, 'photons_per_decay', 'mfp', `uncollided_${rate}`, 'buildup', `rate_${rate}`, 'note'];
    const name = fileBase(doseShown.result.name);
    download(`${name}-dose.csv`, new Blob([csvOf(headings, [...rows.map(kev), total])], { type: 'text/csv' }));
  });
  $('shield-png').addEventListener('click', () => savePicture($('rate-plot'), 'dose-rate.png'));

  $('buildup-form').addEventListener(
    'submit',
    guarded($('buildup-message'), () => {
      const material = $('buildup-material').value.trim();
      if (material === '') throw new Error('type a material');
      const energy = energyOf($('buildup-energy').value.trim());
      const mfp = wordsOf($('buildup-mfp').value, 'penetrations').map((w) => numberOf(w, 'penetration'));
      const kind = $('buildup-kind').value;
      const found = px.page.check(px.page.core().buildup(material, kind, '', Float64Array.from(mfp, () => energy), Float64Array.from(mfp)));
      const rows = mfp.map((x, i) => [shown(x), shown(found.buildup[i]), found.zeq === null ? '' : shown(found.zeq[i])]);
      fillTable($('buildup-table'), ['Penetration (mfp)', 'Buildup factor', 'Zeq'], rows);
      const range = () => `${shownEnergy(found.lowest)} to ${shownEnergy(found.highest)} ${unit}`;
      showInUnit('buildup', () => {
        $('buildup-source').textContent =
          (found.table === null ? `Equivalent Z of ${material}` : `${material}: its own table (${found.table})`) +
          `, ${range()}${found.extrapolated ? '; beyond 40 mfp extrapolated' : ''}.`;
        if (found.buildup.some(Number.isNaN)) say($('buildup-message'), `no value outside ${range()} or beyond 100 mfp`);
      });
      const most = Math.min(100, Math.max(40, ...mfp.filter((x) => x <= 100)));
      px.page.check(px.page.core().draw_buildup_plot(material, kind, '', energy, most, contextOf($('buildup-plot'), 'buildup'), ...SIZES.buildup));
      $('buildup-png').disabled = false;
    }, () => {
      $('buildup-table').replaceChildren();
      $('buildup-source').textContent = '';
      unitViews.delete('buildup');
      $('buildup-png').disabled = true;
    }),
  );
  $('buildup-png').addEventListener('click', () => savePicture($('buildup-plot'), 'buildup.png'));

  // ------------------------------------------------------------------ materials kept here

  const DB = { name: 'photonxs', store: 'materials' };
  function database() {
    return new Promise((resolve, reject) => {
      const request = indexedDB.open(DB.name, 1);
      request.onupgradeneeded = () => request.result.createObjectStore(DB.store, { keyPath: 'file' });
      request.onsuccess = () => resolve(request.result);
      request.onerror = () => reject(request.error);
    });
  }
  async function transaction(mode, work) {
    const db = await database();
    return new Promise((resolve, reject) => {
      const tx = db.transaction(DB.store, mode);
      const result = work(tx.objectStore(DB.store));
      tx.oncomplete = () => resolve(result.result);
      tx.onerror = () => reject(tx.error);
    });
  }
  const keptFiles = () => transaction('readonly', (s) => s.getAll()).catch(() => []);
  const keep = (file, bytes) => transaction('readwrite', (s) => s.put({ file, bytes }));
  const unkeep = (file) => transaction('readwrite', (s) => s.delete(file));

  const userFiles = new Set();
  function listUserFiles() {
    const list = $('user-list');
    list.replaceChildren();
    for (const file of [...userFiles].sort()) {
      const item = document.createElement('li');
      const name = document.createElement('span');
      name.textContent = file;
      item.append(name);
      const button = (text, action) => {
        const b = document.createElement('button');
        b.type = 'button';
        b.textContent = text;
        b.setAttribute('aria-label', `${text} ${file}`);
        b.addEventListener('click', action);
        item.append(b);
      };
      button('Show', () => {
        $('material').value = `mix/${file}`;
        select($('tab-plot'));
        $('find').requestSubmit();
      });
      button('Download', () => download(file, new Blob([px.page.readMaterialFile(`mix/${file}`)])));
      button('Delete', async () => {
        px.page.removeMaterialFile(file);
        userFiles.delete(file);
        await unkeep(file);
        listUserFiles();
        fillCompletion();
      });
      list.append(item);
    }
  }

  async function addUserFile(file, bytes, message) {
    if (!/^[^/\\]+\.mix[123]$/.test(file)) {
      throw new Error(`${file}: a material file is named NAME.mix1, NAME.mix2 or NAME.mix3`);
    }
    const problem = px.page.addMaterialFile(file, bytes);
    if (problem !== '') throw new Error(problem);
    userFiles.add(file);
    try {
      await keep(file, bytes);
      say(message, `${file} is kept in this browser.`, false);
    } catch {
      say(message, `${file} is in the list for now, but this browser does not let the page keep it.`);
    }
    listUserFiles();
    fillCompletion();
  }

  $('upload').addEventListener('change', async () => {
    const message = $('upload-message');
    say(message, '');
    const file = $('upload').files[0];
    if (!file) return;
    try {
      if (file.size > 1024 * 1024) throw new Error(`${file.name} is larger than a material file can be`);
      await addUserFile(file.name, new Uint8Array(await file.arrayBuffer()), message);
    } catch (error) {
      say(message, error.message);
    }
    $('upload').value = '';
  });

  // Elements as "H=2 O=1", "H 2, O 1" or "H:2; O:1".
  function partsOf(text) {
    const parts = [];
    const words = text.trim().split(/[\s,;]+/).filter((w) => w !== '');
    for (let i = 0; i < words.length; i++) {
      let [element, amount] = words[i].split(/[=:]/);
      if (amount === undefined || amount === '') amount = words[++i];
      if (amount === undefined) throw new Error(`'${element}' has no amount: write ELEMENT=AMOUNT`);
      parts.push([element, numberOf(amount, element)]);
    }
    if (parts.length === 0) throw new Error('give the elements, such as H=2 O=1');
    return parts;
  }

  $('builder').addEventListener('submit', async (event) => {
    event.preventDefault();
    const message = $('builder-message');
    say(message, '');
    try {
      const kind = document.querySelector('input[name=kind]:checked').value;
      const density = numberOf($('builder-density').value.trim(), 'density');
      const built = px.page.check(
        px.page.core().build_material({
          kind,
          name: $('builder-name').value.trim(),
          density,
          category: $('builder-category').value,
          file: $('builder-file').value.trim(),
          parts: partsOf($('builder-formula').value),
        }),
      );
      const file = built.path.slice('mix/'.length);
      await addUserFile(file, px.page.readMaterialFile(built.path), message);
    } catch (error) {
      say(message, error.message);
    }
  });

  // ------------------------------------------------------------------ completion

  function fillCompletion() {
    const list = $('material-list');
    list.replaceChildren();
    for (const entry of px.materials()) {
      const option = document.createElement('option');
      const base = entry.path.replace(/^.*\//, '').replace(/\.[^.]*$/, '');
      option.value = entry.category === 'element' ? base.replace(/^\d+_/, '') : base;
      option.label = entry.name;
      list.append(option);
    }
    // The compendium by name and alias: the browser's completion finds them by any part.
    for (const entry of px.compendium_names()) {
      const option = document.createElement('option');
      option.value = entry.name;
      option.label = entry.kind === 'common name' ? `one of several, such as ${entry.material}`
        : `${entry.kind === 'alias' ? `${entry.material}, ` : ''}${entry.density} g/cm3, compendium`;
      list.append(option);
    }
  }

  // ------------------------------------------------------------------ start

  for (const radio of document.querySelectorAll('input[name=unit]')) {
    radio.addEventListener('change', () => {
      if (radio.value === unit) return;
      unit = radio.value;
      store?.setItem('photonxs.unit', unit);
      if (document.documentElement.dataset.ready === 'true') convertEnergies(unit === 'keV');
      keepEnergies();
      showUnit();
      for (const draw of unitViews.values()) draw();
    });
  }
  showUnit();
  stackEditor.add('Pb', '0.5');
  shieldEditor.add('Pb', '5');
  shieldEditor.add('Concrete_Ordinary', '30');

  px.ready
    .then(async () => {
      for (const { file, bytes } of await keptFiles()) {
        if (px.page.addMaterialFile(file, bytes) === '') userFiles.add(file);
      }
      listUserFiles();
      fillCompletion();
      restoreEnergies();
      for (const n of px.page.check(px.page.core().nuclide_list())) {
        const option = document.createElement('option');
        option.value = n.name;
        option.label = `${n.element}, ${n.half_life}`;
        $('nuclide-list').append(option);
      }
      $('material').disabled = false;
      $('find').querySelector('button').disabled = false;
      $('material').value = 'Pb';
      showMaterial('Pb');
      drawComparison();
      document.documentElement.dataset.ready = 'true';
      keepEnergies();
    })
    .catch((error) => say($('status'), `PhotonXS could not start: ${error.message}`));
})();
