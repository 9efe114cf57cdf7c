// window.photonxs: the computing core for scripts in the browser console and for the page
// itself. Energies in MeV, coefficients in cm2/g (or the unit asked for), thicknesses in cm (or
// texts with their unit), densities in g/cm3, as on the command line. Bad input throws an Error
// with the command line's message.
'use strict';

(function () {
  const LIBRARY = '/library';
  const COLUMNS = ['coherent', 'incoherent', 'photo_electric', 'pair_nuclear', 'pair_electron', 'total'];
  let core = null;

  // Unpacks a base64 text of gzip data inlined in the page (no request is made).
  async function inflate(base64) {
    const bytes = Uint8Array.from(atob(base64), (c) => c.charCodeAt(0));
    const stream = new Blob([bytes]).stream().pipeThrough(new DecompressionStream('gzip'));
    return new Uint8Array(await new Response(stream).arrayBuffer());
  }

  function inlined(id) {
    return document.getElementById(id).textContent.trim();
  }

  // The shipped library: a JSON index of [path, size] and the files' bytes one after another.
  function writeLibrary(FS, packed) {
    const indexLength = new DataView(packed.buffer).getUint32(0, true);
    const index = JSON.parse(new TextDecoder().decode(packed.subarray(4, 4 + indexLength)));
    let offset = 4 + indexLength;
    for (const [path, size] of index) {
      const full = `${LIBRARY}/${path}`;
      FS.mkdirTree(full.slice(0, full.lastIndexOf('/')));
      FS.writeFile(full, packed.subarray(offset, offset + size));
      offset += size;
    }
  }

  function check(result) {
    if (result !== null && typeof result === 'object' && typeof result.error === 'string') {
      throw new Error(result.error);
    }
    return result;
  }

  function text(value, what) {
    if (typeof value !== 'string') {
      throw new TypeError(`${what} must be a text, not ${typeof value}`);
    }
    return value;
  }

  // Energies or totals as a Float64Array: a number, an array or a typed array of numbers.
  function values(input, what) {
    if (typeof input === 'number') return Float64Array.of(input);
    if (input instanceof Float64Array) return input;
    if (Array.isArray(input) || ArrayBuffer.isView(input)) {
      const out = new Float64Array(input.length);
      for (let i = 0; i < input.length; i++) {
        const v = input[i];
        if (typeof v !== 'number') throw new TypeError(`${what}: item ${i + 1} is not a number`);
        out[i] = v;
      }
      return out;
    }
    throw new TypeError(`${what} must be a number or an array of numbers`);
  }

  // Runs a per-value call over pieces of the values, so that the module's memory holds one
  // piece at a time however long the input; the pieces' results are joined in order.
  const PIECE = 1 << 16;
  function inPieces(call, input) {
    if (input.length <= PIECE) return check(call(input));
    let joined = null;
    for (let start = 0; start < input.length; start += PIECE) {
      const part = check(call(input.subarray(start, start + PIECE)));
      if (joined === null) {
        const make = () => new Float64Array(input.length);
        joined = part instanceof Float64Array ? make(part) : Object.fromEntries(Object.keys(part).map((k) => [k, make(part[k])]));
      }
      if (part instanceof Float64Array) joined.set(part, start);
      else for (const key of Object.keys(part)) joined[key].set(part[key], start);
    }
    return joined;
  }

  // For a single number, each array of the result becomes its one value.
  function unwrap(result, single) {
    if (!single) return result;
    const one = {};
    for (const [key, column] of Object.entries(result)) one[key] = column[0];
    return one;
  }

  // A spectrum's energies (MeV) and photons per bin as the text of a spectrum file.
  function spectrumText(energies, weights) {
    const e = values(energies, 'energies');
    const w = values(weights, 'weights');
    if (e.length !== w.length) {
      throw new Error('a spectrum is two arrays of one length: energies and photons per bin');
    }
    let spectrum = '';
    for (let i = 0; i < e.length; i++) spectrum += `${e[i]} ${w[i]}\n`;
    return spectrum;
  }

  function need() {
    if (core === null) throw new Error('PhotonXS is still loading: await photonxs.ready first');
    return core;
  }

  const api = {
    /** The shipped and the user's data files: {path, name, category, density}. */
    materials: () => need().materials(),
    /** The compendium's materials, aliases and common names: {name, material, density, kind}
     *  with kind "material", "alias" or "common name" (a name of several materials). */
    compendium_names: () => need().compendium_names(),
    /** {name, path, density, note, composition, table} of an element, a library material, a
     *  compendium material, a formula or a "mix:..." expression; note says which material a
     *  name was taken for where it could be read otherwise ("" where it is plain). */
    material: (expr) => check(need().material(text(expr, 'material'))),
    /** The six coefficients (cm2/g) at each energy (MeV): an object of Float64Arrays named
     *  coherent, incoherent, photo_electric, pair_nuclear, pair_electron, total; NaN out of
     *  range. Options, as the command line's --unit and --without-coherent: {unit: 'barn/atom'
     *  (an element or a formula), '1/cm' (with the material's density or {density}), or a
     *  length ('nm', 'um', 'mm', 'cm', 'm') for the attenuation length 1/mu; without_coherent:
     *  true adds total_without_coherent}. */
    mu_rho(material, energies, options = {}) {
      const name = text(material, 'material');
      const input = values(energies, 'energies');
      const scaled = options.unit !== undefined || options.density !== undefined || options.without_coherent;
      const unit = options.unit === undefined ? 'cm2/g' : text(options.unit, 'unit');
      const density = options.density ?? null;
      if (density !== null && typeof density !== 'number') throw new TypeError('density must be a number');
      const names = options.without_coherent ? [...COLUMNS, 'total_without_coherent'] : COLUMNS;
      const width = scaled ? 7 : 6;
      const n = input.length;
      const columns = new Float64Array(width * n);
      const module = need();
      const inAt = module._malloc(8 * PIECE * (width + 1));
      const outAt = inAt + 8 * PIECE;
      try {
        for (let start = 0; start === 0 || start < n; start += PIECE) {
          const count = Math.min(PIECE, n - start);
          module.HEAPF64.set(input.subarray(start, start + count), inAt / 8);
          check(scaled ? module.mu_rho_unit_into(name, inAt, outAt, count, unit, density) : module.mu_rho_into(name, inAt, outAt, count));
          for (let c = 0; c < width; c++) {
            const from = outAt / 8 + c * count;
            columns.set(module.HEAPF64.subarray(from, from + count), c * n + start);
          }
        }
      } finally {
        module._free(inAt);
      }
      return Object.fromEntries(names.map((name_, c) => [name_, columns.subarray(c * n, (c + 1) * n)]));
    },
    /** The energy (MeV) at which the total takes each value, with the six coefficients there;
     *  with {all: true} every such energy, one object per total (an array of them for an
     *  array of totals). */
    energy_at(material, mu, options = {}) {
      const totals = values(mu, 'mu');
      const name = text(material, 'material');
      if (options.all) {
        const found = check(need().energy_at_all(name, totals));
        return typeof mu === 'number' ? found[0] : found;
      }
      return inPieces((t) => need().energy_at(name, t), totals);
    },
    /** mu_en/rho (cm2/g) at each energy, a Float64Array. */
    mu_en_rho: (material, energies) =>
      inPieces((e) => need().mu_en_rho(text(material, 'material'), e), values(energies, 'energies')),
    /** mu/rho, mu_en/rho and the kerma ratios to dry air and to water at each energy. */
    absorption: (material, energies) =>
      inPieces((e) => need().absorption(text(material, 'material'), e), values(energies, 'energies')),
    /** {mu (1/cm), hvl, tvl, mfp (cm)} at an energy (numbers) or energies (Float64Arrays);
     *  density in g/cm3, the material's own when left out. */
    hvl: (material, energy, density) =>
      unwrap(
        inPieces((e) => need().hvl(text(material, 'material'), e, density ?? null), values(energy, 'energy')),
        typeof energy === 'number',
      ),
    /** Transmission of a stack [[material, cm], [material, cm, density], ...] at each energy;
     *  a thickness may be a text with its unit ('5 mm', '250 um', '2 g/cm2'). */
    transmission(layers, energies) {
      if (!Array.isArray(layers)) throw new TypeError('layers must be an array of layers');
      return inPieces((e) => need().transmission(layers, e), values(energies, 'energies'));
    },
    /** What each layer does to a narrow beam at each energy: {interacted, photo_absorbed,
     *  deposited, transmitted}, each an array of one Float64Array per layer (shape layers x
     *  energies). Options: {angle_deg} from the normal, 0 up to 90 (not included). */
    layer_shares(layers, energies, options = {}) {
      if (!Array.isArray(layers)) throw new TypeError('layers must be an array of layers');
      return check(need().layer_shares(layers, values(energies, 'energies'), options.angle_deg ?? 0));
    },
    /** The same over a spectrum (energies in MeV, photons per bin): one value per layer in
     *  each of the four; {received, passed}, the photons of each bin that reach and leave each
     *  layer; and bins, the four of each bin (one Float64Array per layer). Options: {angle_deg}. */
    spectrum_layer_shares(energies, weights, layers, options = {}) {
      return api.spectrum_file_layer_shares(spectrumText(energies, weights), layers, options);
    },
    /** The same for the text of a spectrum file. Options: {angle_deg, unit: 'keV'}. */
    spectrum_file_layer_shares(spectrum, layers, options = {}) {
      if (!Array.isArray(layers)) throw new TypeError('layers must be an array of layers');
      return check(need().spectrum_layer_shares_text(text(spectrum, 'spectrum'), layers, options.angle_deg ?? 0, options.unit === 'keV'));
    },
    /** {interacted, photo_absorbed} of layer `sensor` (0 for the first) at each energy, after
     *  the layers before it. Options: {angle_deg}. */
    sensor_efficiency(layers, energies, sensor, options = {}) {
      if (!Array.isArray(layers)) throw new TypeError('layers must be an array of layers');
      return inPieces((e) => need().sensor_efficiency(layers, e, sensor, options.angle_deg ?? 0), values(energies, 'energies'));
    },
    /** The thickness (cm) of layer `sensor` that takes `fraction` of the photons at each energy;
     *  NaN where none does. Options: {angle_deg, by: 'interacted' (the default) or 'photo'}. */
    sensor_thickness(layers, energies, sensor, fraction, options = {}) {
      if (!Array.isArray(layers)) throw new TypeError('layers must be an array of layers');
      return inPieces(
        (e) => need().sensor_thickness(layers, e, sensor, fraction, options.angle_deg ?? 0, options.by ?? 'interacted'),
        values(energies, 'energies'),
      );
    },
    /** The thickness (cm) of the reference (lead unless {reference}) that transmits what the
     *  stack does at each energy, narrow beam. Options: {reference, density}. */
    equivalent_thickness(layers, energies, options = {}) {
      if (!Array.isArray(layers)) throw new TypeError('layers must be an array of layers');
      return inPieces(
        (e) => need().equivalent_thickness(layers, e, text(options.reference ?? 'Pb', 'reference'), options.density ?? null),
        values(energies, 'energies'),
      );
    },
    /** {air_kerma_transmission, thickness}: the stack's air kerma transmission for a spectrum
     *  and the thickness (cm) of the reference with the same. Options: {reference, density}. */
    spectrum_equivalent_thickness(energies, weights, layers, options = {}) {
      return api.spectrum_file_equivalent_thickness(spectrumText(energies, weights), layers, options);
    },
    /** The same for the text of a spectrum file. Options: {reference, density, unit: 'keV'}. */
    spectrum_file_equivalent_thickness(spectrum, layers, options = {}) {
      if (!Array.isArray(layers)) throw new TypeError('layers must be an array of layers');
      return check(
        need().spectrum_equivalent_text(text(spectrum, 'spectrum'), layers, text(options.reference ?? 'Pb', 'reference'), options.density ?? null, options.unit === 'keV'),
      );
    },
    /** {zeff, neff} at each energy. */
    zeff: (material, energies) =>
      inPieces((e) => need().zeff(text(material, 'material'), e), values(energies, 'energies')),
    /** {first, second, homogeneity} half-value layers (cm) of a spectrum of photons per bin
     *  (energies in MeV), for the air kerma behind the material. */
    spectrum_hvl(energies, weights, material, density) {
      const e = values(energies, 'energies');
      const w = values(weights, 'weights');
      if (e.length !== w.length) {
        throw new Error('a spectrum is two arrays of one length: energies and photons per bin');
      }
      let spectrum = '';
      for (let i = 0; i < e.length; i++) spectrum += `${e[i]} ${w[i]}\n`;
      return api.spectrum_file_hvl(spectrum, material, density);
    },
    /** The same for the text of a spectrum file (lines of "energy photons", read as the command
     *  line reads one; energies in keV with {unit: 'keV'}). */
    spectrum_file_hvl: (spectrum, material, density, options = {}) =>
      check(
        need().spectrum_hvl_text(
          text(spectrum, 'spectrum'),
          text(material, 'material'),
          density ?? null,
          options.unit === 'keV',
        ),
      ),
    /** The absorption edges of a material's elements: {element, shell, energy, jump}. */
    edges: (material) => check(need().edges(text(material, 'material'))),
    /** Atoms of each element of a chemical formula. */
    parse_formula: (formula) => check(need().parse_formula(text(formula, 'formula'))),
    /** The material's table as the program's CSV export writes it. */
    csv: (material) => check(need().csv_text(text(material, 'material'))).text,
    /** Broad-beam buildup factors by the G-P fits at energies (MeV) and penetrations (mean
     *  free paths without coherent scattering): numbers or arrays of one length, a number or a
     *  one-value array going with every value of the other. {kind: 'exposure' | 'absorption',
     *  table: a table's name for all}. A number for two numbers, else a Float64Array; NaN
     *  outside the table's energies or beyond 100 mfp. */
    buildup(material, energy, mfp, options = {}) {
      const e = values(energy, 'energy');
      const x = values(mfp, 'mfp');
      const n = Math.max(e.length, x.length);
      if (e.length !== x.length && e.length !== 1 && x.length !== 1) {
        throw new Error(`energy (${e.length} values) and mfp (${x.length}) must be of one length, or one of them a single value`);
      }
      const spread = (v) => (v.length === n ? v : new Float64Array(n).fill(v[0]));
      const [energies, depths] = [spread(e), spread(x)];
      const name = text(material, 'material');
      // In pieces, so that the module's memory holds one piece at a time.
      const found = new Float64Array(n);
      for (let start = 0; start === 0 || start < n; start += PIECE) {
        const end = Math.min(n, start + PIECE);
        const part = need().buildup(name, options.kind ?? 'exposure', options.table ?? '', energies.subarray(start, end), depths.subarray(start, end));
        found.set(check(part).buildup, start);
      }
      return typeof energy === 'number' && typeof mfp === 'number' ? found[0] : found;
    },
    /** The rate of an isotropic point source at distance_cm behind layers ([[material, cm],
     *  [material, cm, density], ...]). source: a nuclide ("Co-60", "cs137"), "lines:E=Y,...",
     *  [[energy MeV, photons per decay], ...], or an inventory ({"Co-60": 1e9, "Cs-137": "10
     *  mCi"} or [[nuclide, activity], ...]) with activity_bq null; activity_bq and distance_cm
     *  numbers, or texts with their units ("1 TBq", "2 m"). {kind: 'exposure' | 'absorption' |
     *  'none', rule: 'broder' | 'last', table, cutoff (MeV), quantity: 'kerma' (uGy/h) |
     *  'exposure' (mR/h) | 'h10' (uSv/h, ICRU 47), decay_s, stay_s, fresh}: nuclides decay for
     *  decay_s seconds, daughters growing in, from their line tables' equilibrium or, with
     *  fresh, alone; stay_s gives the dose (uGy, mR, uSv) over a stay that starts then. Returns
     *  {total, energy, intensity, mfp, uncollided, buildup, rate, notes, nuclides, stay_dose},
     *  the arrays one value a line above the cut-off, nuclides each line's nuclide. */
    dose_rate(source, activity_bq, distance_cm, options = {}) {
      const r = doseRate(doseOrder(source, activity_bq, distance_cm, options));
      const { total, energy, intensity, mfp, uncollided, buildup, rate, notes, nuclide, stay_dose } = r;
      return { total, energy, intensity, mfp, uncollided, buildup, rate, notes, nuclides: nuclide, stay_dose };
    },
    /** The activity (Bq) of every radioactive member of an inventory's chains time_s seconds
     *  later, by name in the chains' order. inventory: {nuclide: Bq} or [[nuclide, Bq], ...];
     *  each nuclide starts with the members its line table holds in equilibrium, or alone with
     *  {fresh: true}. */
    decay: (inventory, time_s, options = {}) => check(need().decay(inventory, time_s, options.fresh === true)),
    /** The thickness (cm) of the last layer that brings dose_rate's total to target (in the
     *  quantity's unit: uGy/h, mR/h, uSv/h); 0 when the other layers alone do. Arguments and
     *  options as dose_rate's. */
    thickness_for: (source, activity_bq, distance_cm, target, options = {}) =>
      check(need().thickness_for(doseOrder(source, activity_bq, distance_cm, options), target)),
    /** The air-kerma-rate constant, uGy m2/(GBq h), of a nuclide's lines (or a source as
     *  dose_rate takes one) above {cutoff} MeV, 0.02 when not given. */
    kerma_constant: (nuclide, options = {}) => check(need().kerma_constant(nuclide, false, options.cutoff ?? 0.02)),
    /** {name, element, half_life, energy, intensity, kind, emitter} of the nuclide a name
     *  means ("Co-60", "co60", "Cobalt-60"); an Error with the closest names when none does. */
    nuclide: (name) => check(need().nuclide(text(name, 'nuclide'))),
    /** The dose rates of a shielding model (docs/geometry.md): a model file's text or an object
     *  laid out as one; {accuracy} overrides the model's own. Returns {detectors: [[x, y, z],
     *  ...] (cm), total, error (one a detector: the rate in the unit of the model's quantity,
     *  uGy/h of air kerma by default, and its relative error), energies (MeV), and one
     *  array a detector of its lines' uncollided, buildup, rate}: the listed detectors, then the
     *  map's points; NaN where a point has no value. Computes on this thread. */
    model_dose(model, options = {}) {
      const json = typeof model === 'string' ? model : JSON.stringify(model);
      return modelResult(check(need().model_dose(json, options.accuracy, undefined)));
    },
    /** The names of the library's radionuclides. */
    nuclides: () => check(need().nuclide_list()).map((n) => n.name),
  };

  // The core's dose, its columns named and each line's note in words.
  const NOTES = ['', 'extrapolated', 'no buildup data', 'beyond 100 mfp'];
  const DOSE_COLUMNS = ['energy', 'intensity', 'mfp', 'uncollided', 'buildup', 'rate'];
  function doseRate(order) {
    const { columns, ...r } = check(need().dose_rate(order));
    const n = columns.length / 7;
    DOSE_COLUMNS.forEach((name, c) => {
      r[name] = columns.subarray(c * n, (c + 1) * n);
    });
    r.notes = Array.from(columns.subarray(6 * n), (code) => NOTES[code]);
    return r;
  }

  // The core's model doses, flat arrays cut into one row a detector.
  function modelResult(r) {
    const lines = r.energies.length;
    const rows = (flat, width) => Array.from({ length: r.total.length }, (_, i) => flat.subarray(i * width, (i + 1) * width));
    return {
      detectors: rows(r.detectors, 3),
      total: r.total,
      error: r.error,
      energies: r.energies,
      uncollided: rows(r.uncollided, lines),
      buildup: rows(r.buildup, lines),
      rate: rows(r.rate, lines),
    };
  }

  function doseOrder(source, activity, distance, options) {
    if (options.layers !== undefined && !Array.isArray(options.layers)) {
      throw new TypeError('layers must be an array of layers');
    }
    const { decay_s: decay, stay_s: stay, ...rest } = options;
    return { source, activity, distance, ...rest, decay, stay };
  }

  // For the page: pictures, the read-out, builders and the files kept in the browser.
  const page = {
    LIBRARY,
    core: () => need(),
    check,
    // A picture's context at the display's pixel ratio (at most 2); the core draws in the
    // picture's own pixels, width x height.
    context(canvas, width, height) {
      const ratio = Math.min(window.devicePixelRatio || 1, 2);
      if (canvas.width !== Math.round(width * ratio)) {
        canvas.width = Math.round(width * ratio);
        canvas.height = Math.round(height * ratio);
      }
      const context = canvas.getContext('2d');
      context.setTransform(ratio, 0, 0, ratio, 0, 0);
      return context;
    },
    // A material file's text checked by the program's reader and put into the library;
    // "" on success, else the reader's message.
    addMaterialFile(fileName, bytes) {
      const message = need().check_material_file(fileName, bytes);
      if (message !== '') return message;
      core.FS.writeFile(`${LIBRARY}/mix/${fileName}`, bytes);
      core.forget();
      return '';
    },
    removeMaterialFile(fileName) {
      core.FS.unlink(`${LIBRARY}/mix/${fileName}`);
      core.forget();
    },
    readMaterialFile: (path) => core.FS.readFile(`${LIBRARY}/${path}`),
    // The dose of the page's order ({source, keV, activity, distance, layers, kind, rule,
    // cutoff, quantity, unit, decay, stay}): {total, mR_h, name, half_life, unit, dose_unit,
    // decays, nuclide, nuclides, stay_dose} and the lines' arrays with their notes.
    doseRate: (order) => doseRate(order),
    // The module's and the library's bytes, for a worker's own copy of the core.
    bytes: () => bytes,
  };

  let bytes = null;
  api.ready = (async () => {
    const [wasmBinary, library] = await Promise.all([
      inflate(inlined('photonxs-wasm')),
      inflate(inlined('photonxs-library')),
    ]);
    bytes = { wasmBinary, library };
    // eslint-disable-next-line no-undef
    const module = await createPhotonXSCore({ wasmBinary, print: () => {}, printErr: () => {} });
    writeLibrary(module.FS, library);
    core = module;
    return api;
  })();

  Object.defineProperty(api, 'page', { value: page, enumerable: false });
  window.photonxs = api;
})();
