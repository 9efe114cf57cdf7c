// The page's Geometry part: a shielding model in form fields, read and written as the model
// files photonxs-cli reads, its views drawn to scale, and its doses computed in a worker with
// a copy of the core of its own, so that a long map leaves the page responsive.
'use strict';

(function () {
  const px = window.photonxs;
  const $ = (id) => document.getElementById(id);
  const EXAMPLES = JSON.parse($('photonxs-examples').textContent);
  const SIZES = { view: [520, 300], map: [909, 600] };

  // Each shape's dimensions: key, kind (point, length or axis), label, whether it may be left
  // out. Sources take point, line, disk, box, sphere and cylinder; shields slab, box, sphere
  // and cylinder.
  const DIMENSIONS = {
    point: [['at', 'point', 'At']],
    line: [['from', 'point', 'From'], ['to', 'point', 'To']],
    disk: [['center', 'point', 'Centre'], ['axis', 'axis', 'Axis'], ['radius', 'length', 'Radius']],
    box: [['min', 'point', 'Lowest corner'], ['max', 'point', 'Highest corner']],
    sphere: [['center', 'point', 'Centre'], ['radius', 'length', 'Radius'], ['inner_radius', 'length', 'Inner radius', true]],
    cylinder: [['base', 'point', 'Centre of the base'], ['axis', 'axis', 'Axis'], ['length', 'length', 'Length', true], ['radius', 'length', 'Radius'], ['inner_radius', 'length', 'Inner radius', true]],
    slab: [['axis', 'axis', 'Normal'], ['from', 'length', 'From'], ['to', 'length', 'To']],
  };
  const SOURCE_SHAPES = ['point', 'line', 'disk', 'box', 'sphere', 'cylinder'];
  const SHIELD_SHAPES = ['slab', 'box', 'sphere', 'cylinder'];

  // A length as the file holds it: a number of cm, or the text with its unit for the core to
  // read (and to refuse with its own message).
  const NUMBER = /^[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?$/;
  const lengthOf = (text) => (NUMBER.test(text.trim()) ? Number(text.trim()) : text.trim());
  const listOf = (text) => (text.includes(',') ? text.split(',') : text.trim().split(/\s+/)).map((t) => lengthOf(t)).filter((t) => t !== '');
  const shownList = (values) => values.map(String).join(', ');

  let uid = 0;
  function element(tag, attributes = {}, ...children) {
    const e = document.createElement(tag);
    for (const [k, v] of Object.entries(attributes)) e.setAttribute(k, v);
    e.append(...children);
    return e;
  }
  function field(label, control) {
    control.id = `geo-field-${++uid}`;
    control.spellcheck = false;
    return element('span', { class: 'field' }, element('label', { for: control.id }, label), control);
  }
  function select(options, value) {
    const s = element('select');
    for (const o of options) s.append(element('option', {}, o));
    if (value !== undefined) s.value = value;
    return s;
  }

  // A body's fields: its shape, dimensions, material and density; read() gives the file's
  // object, write(object) shows one. The source's also hold its activity.
  function bodyEditor(shapes, what, isSource) {
    const box = element('div', { class: 'body' });
    const shape = select(shapes);
    const dims = element('div', { class: 'row' });
    const material = element('input', { placeholder: isSource ? 'Water_Liquid (empty: void)' : 'Fe, Pb, Concrete_Ordinary' });
    const density = element('input', { placeholder: 'the material\'s' });
    const controls = {};
    function layout(values = {}) {
      dims.replaceChildren();
      for (const k of Object.keys(controls)) delete controls[k];
      for (const [key, kind, label, optional] of DIMENSIONS[shape.value]) {
        const control = kind === 'axis' ? select(['x', 'y', 'z']) : element('input', { placeholder: kind === 'point' ? 'x, y, z' : optional ? 'none' : '' });
        const value = values[key];
        if (kind === 'axis') control.value = value ?? 'z';
        else if (value !== undefined) control.value = Array.isArray(value) ? shownList(value) : String(value);
        controls[key] = [kind, control];
        dims.append(field(`${what} ${label.toLowerCase()}${kind === 'axis' ? '' : ' (cm)'}`, control));
      }
    }
    shape.addEventListener('change', () => layout());
    const head = element('div', { class: 'row' }, field(`${what} shape`, shape), field(`${what} material`, material), field(`${what} density (g/cm3)`, density));
    box.append(head, dims);
    let activity = null;
    let activityKind = null;
    if (isSource) {
      activityKind = select(['nuclides', 'lines']);
      activity = element('textarea', { rows: '3', placeholder: 'Co-60 1 GBq (a nuclide and its activity with a unit)' });
      activityKind.addEventListener('change', () => {
        activity.placeholder = activityKind.value === 'lines' ? '0.662 3.7e10 (MeV and photons/s)' : 'Co-60 1 GBq (a nuclide and its activity with a unit)';
      });
      box.append(element('div', { class: 'row' }, field('Activity given as', activityKind), field('Source nuclides or lines, one a line', activity)));
    }
    layout();
    return {
      box,
      read() {
        const body = { shape: shape.value };
        for (const [key, [kind, control]] of Object.entries(controls)) {
          const text = control.value.trim();
          if (text === '') continue;
          body[key] = kind === 'axis' ? text : kind === 'point' ? listOf(text) : lengthOf(text);
        }
        if (material.value.trim() !== '') body.material = material.value.trim();
        if (density.value.trim() !== '') body.density = lengthOf(density.value);
        if (isSource) {
          const rows = activity.value.split('\n').map((l) => l.trim()).filter((l) => l !== '');
          if (activityKind.value === 'lines') {
            body.lines = rows.map((r) => r.split(/[\s,]+/).map(lengthOf));
          } else {
            body.nuclides = Object.fromEntries(rows.map((r) => {
              const [name, ...rest] = r.split(/\s+/);
              return [name, rest.join(' ')];
            }));
          }
        }
        return body;
      },
      write(body) {
        shape.value = body.shape;
        layout(body);
        material.value = body.material ?? '';
        density.value = body.density ?? '';
        if (isSource) {
          activityKind.value = body.lines ? 'lines' : 'nuclides';
          activity.value = body.lines ? body.lines.map((l) => l.join(' ')).join('\n') : Object.entries(body.nuclides ?? {}).map(([n, a]) => `${n} ${a}`).join('\n');
        }
      },
    };
  }

  const source = bodyEditor(SOURCE_SHAPES, 'Source', true);
  $('geo-source').append(source.box);
  let shields = [];
  function addShield(body) {
    const editor = bodyEditor(SHIELD_SHAPES, `Shield ${shields.length + 1}`, false);
    const remove = element('button', { type: 'button' }, `Remove shield ${shields.length + 1}`);
    remove.addEventListener('click', () => {
      const kept = shields.filter((s) => s !== editor).map((s) => s.read());
      setShields(kept);
    });
    editor.box.append(remove);
    if (body) editor.write(body);
    shields.push(editor);
    $('geo-shield-list').append(editor.box);
  }
  function setShields(bodies) {
    shields = [];
    $('geo-shield-list').replaceChildren();
    bodies.forEach(addShield);
  }
  $('geo-add-shield').addEventListener('click', () => addShield());

  // The form as a model file's object, and back.
  function readForm() {
    const model = { source: source.read(), shields: shields.map((s) => s.read()) };
    if ($('geo-filler').value.trim() !== '') {
      model.filler = { material: $('geo-filler').value.trim() };
      if ($('geo-filler-density').value.trim() !== '') model.filler.density = lengthOf($('geo-filler-density').value);
    }
    model.detectors = $('geo-detectors').value.split('\n').filter((l) => l.trim() !== '').map(listOf);
    if ($('geo-map-plane').value !== '') {
      model.map = {
        plane: $('geo-map-plane').value,
        at: lengthOf($('geo-map-at').value),
        from: listOf($('geo-map-from').value),
        to: listOf($('geo-map-to').value),
        steps: listOf($('geo-map-steps').value),
      };
    }
    const buildup = $('geo-buildup').value;
    if (buildup === 'table') model.buildup = { table: $('geo-table').value.trim() };
    else if (buildup === 'none') model.buildup = 'none';
    if ($('geo-accuracy').value.trim() !== '') model.accuracy = lengthOf($('geo-accuracy').value);
    if ($('geo-quantity').value !== 'kerma') model.quantity = $('geo-quantity').value;
    if ($('geo-decay').value.trim() !== '') model.decay = lengthOf($('geo-decay').value);
    if ($('geo-fresh').checked) model.fresh = true;
    return model;
  }

  function writeForm(model) {
    source.write(model.source);
    setShields(model.shields ?? []);
    $('geo-filler').value = model.filler?.material ?? '';
    $('geo-filler-density').value = model.filler?.density ?? '';
    $('geo-detectors').value = (model.detectors ?? []).map(shownList).join('\n');
    const map = model.map ?? {};
    $('geo-map-plane').value = map.plane ?? '';
    $('geo-map-at').value = map.at ?? '';
    $('geo-map-from').value = shownList(map.from ?? []);
    $('geo-map-to').value = shownList(map.to ?? []);
    $('geo-map-steps').value = shownList(map.steps ?? []);
    const buildup = model.buildup ?? 'broder';
    $('geo-buildup').value = typeof buildup === 'object' ? 'table' : buildup;
    $('geo-table').value = buildup.table ?? '';
    $('geo-accuracy').value = model.accuracy ?? '';
    $('geo-quantity').value = model.quantity ?? 'kerma';
    $('geo-decay').value = model.decay ?? '';
    $('geo-fresh').checked = model.fresh === true;
  }

  function say(text, bad) {
    $('geo-message').textContent = text;
    $('geo-message').classList.toggle('bad', bad);
  }

  // A model file's text shown in the form once the core has read it; its message otherwise.
  function open(text, name) {
    const checked = px.page.core().model_check(text);
    if (checked.error !== undefined) {
      say(`${name}: ${checked.error}`, true);
      return false;
    }
    writeForm(JSON.parse(text));
    say(`Opened ${name}.`, false);
    clearResults();
    drawViews(text);
    return true;
  }

  const contextOf = (canvas, which) => px.page.context(canvas, ...SIZES[which]);

  function drawViews(text) {
    px.page.check(px.page.core().draw_model_view(text, 1, contextOf($('geo-side'), 'view'), ...SIZES.view));
    px.page.check(px.page.core().draw_model_view(text, 2, contextOf($('geo-top'), 'view'), ...SIZES.view));
  }

  // ------------------------------------------------------------------ the worker

  // Runs in the worker, after the core's loader: instantiates the core from the bytes the page
  // sends first, then computes each model it is sent, saying how far it has come.
  function workerMain() {
    let ready = null;
    let root = '';
    let added = [];
    self.onmessage = async (event) => {
      const message = event.data;
      if (message.wasmBinary) {
        root = message.root;
        ready = (async () => {
          // eslint-disable-next-line no-undef
          const core = await createPhotonXSCore({ wasmBinary: message.wasmBinary, print: () => {}, printErr: () => {} });
          const packed = message.library;
          const indexLength = new DataView(packed.buffer, packed.byteOffset).getUint32(0, true);
          const index = JSON.parse(new TextDecoder().decode(packed.subarray(4, 4 + indexLength)));
          let offset = 4 + indexLength;
          for (const [path, size] of index) {
            const full = `${message.root}/${path}`;
            core.FS.mkdirTree(full.slice(0, full.lastIndexOf('/')));
            core.FS.writeFile(full, packed.subarray(offset, offset + size));
            offset += size;
          }
          return core;
        })();
        return;
      }
      const core = await ready;
      // The person's own materials, as the page holds them now.
      for (const name of added) if (!message.files.some(([n]) => n === name)) core.FS.unlink(`${root}/mix/${name}`);
      for (const [name, bytes] of message.files) core.FS.writeFile(`${root}/mix/${name}`, bytes);
      added = message.files.map(([name]) => name);
      const result = core.model_dose(message.text, undefined, (done, total) => self.postMessage({ done, total }));
      self.postMessage({ result });
    };
  }

  // The material files the person added to the page's library: those the shipped one lacks.
  let shipped = null;
  function userFiles() {
    const { FS } = px.page.core();
    if (!shipped) {
      const packed = px.page.bytes().library;
      const length = new DataView(packed.buffer, packed.byteOffset).getUint32(0, true);
      shipped = new Set(JSON.parse(new TextDecoder().decode(packed.subarray(4, 4 + length))).map(([path]) => path));
    }
    const folder = `${px.page.LIBRARY}/mix`;
    return FS.readdir(folder).filter((name) => !name.startsWith('.') && !shipped.has(`mix/${name}`)).map((name) => [name, FS.readFile(`${folder}/${name}`)]);
  }

  let worker = null;
  function startWorker() {
    const code = `${$('photonxs-loader').textContent}\n(${workerMain.toString()})();`;
    const url = URL.createObjectURL(new Blob([code], { type: 'text/javascript' }));
    worker = new Worker(url);
    URL.revokeObjectURL(url);
    const { wasmBinary, library } = px.page.bytes();
    worker.postMessage({ wasmBinary, library, root: px.page.LIBRARY });
    // A worker that fails is replaced at the next computation.
    worker.onerror = (event) => {
      worker = null;
      busy(false);
      say(`The computation failed: ${event.message}`, true);
    };
  }

  function busy(on) {
    $('geo-compute').disabled = on;
    $('geo-stop').disabled = !on;
    $('geo-progress').hidden = !on;
    $('geo-progress').value = 0;
    $('geo-progress-text').textContent = on ? 'Computing…' : '';
  }

  $('geo-stop').addEventListener('click', () => {
    worker?.terminate();
    worker = null;
    busy(false);
    say('Stopped.', false);
  });

  // ------------------------------------------------------------------ results

  const shown = (x) => {
    if (Number.isNaN(x)) return '';
    const size = Math.abs(x);
    return size !== 0 && (size < 1e-3 || size >= 1e6) ? x.toExponential(4) : x.toPrecision(5);
  };
  const headings = (unit) => ['Detector', 'x (cm)', 'y (cm)', 'z (cm)', 'Energy (MeV)', 'Photons/s', `Uncollided (${unit})`, 'Buildup', `Rate (${unit})`, 'Error'];

  function clearResults() {
    $('geo-table-results').tHead.replaceChildren();
    $('geo-table-results').tBodies[0].replaceChildren();
    $('geo-notes').replaceChildren();
    $('geo-map-picture').hidden = true;
    $('geo-description').textContent = '';
    px.page.geometryResult = null;
  }

  function showResults(text, r) {
    px.page.geometryResult = r;
    const lines = r.energies.length;
    const head = element('tr');
    const unit = r.unit.replace('u', 'µ');
    for (const h of headings(unit)) head.append(element('th', { scope: 'col' }, h));
    $('geo-table-results').tHead.replaceChildren(head);
    const body = $('geo-table-results').tBodies[0];
    body.replaceChildren();
    const row = (cells, total) => body.append(element('tr', total ? { class: 'total-row' } : {}, ...cells.map((c) => element('td', {}, c))));
    for (let d = 0; d < r.listed; d++) {
      const at = [0, 1, 2].map((c) => shown(r.detectors[3 * d + c]));
      for (let k = 0; k < lines; k++) {
        const i = d * lines + k;
        row([String(d + 1), ...at, shown(r.energies[k]), shown(r.intensities[k]), shown(r.uncollided[i]), shown(r.buildup[i]), shown(r.rate[i]), ''], false);
      }
      const photons = r.intensities.reduce((a, b) => a + b, 0);
      row([String(d + 1), ...at, 'total', shown(photons), shown(r.uncollided_total[d]), shown(r.total[d] / r.uncollided_total[d]), shown(r.total[d]), shown(r.error[d])], true);
    }
    // The notes the command line gives.
    const notes = new Set(r.notes);
    r.reached.forEach((reached, d) => {
      if (!reached) notes.add(`detector ${d + 1} stopped refining at its limit of rays; its error estimate says how far it got`);
    });
    const points = r.total.length - r.listed;
    if (points > 0) {
      const map = r.total.subarray(r.listed);
      const values = map.filter((v) => !Number.isNaN(v) && v > 0);
      const none = map.filter(Number.isNaN).length;
      notes.add(`Map: ${points} points, ${shown(Math.min(...values))} to ${shown(Math.max(...values))} ${unit}${none ? `; ${none} inside or on the source have no value` : ''}.`);
      px.page.check(px.page.core().draw_dose_map(text, map, contextOf($('geo-map'), 'map'), ...SIZES.map));
      $('geo-map-picture').hidden = false;
    }
    $('geo-notes').replaceChildren(...[...notes].map((n) => element('li', {}, n)));
  }

  $('geo-form').addEventListener('submit', (event) => {
    event.preventDefault();
    clearResults();
    const text = JSON.stringify(readForm(), null, 2);
    const checked = px.page.core().model_check(text);
    if (checked.error !== undefined) {
      say(checked.error, true);
      return;
    }
    say('', false);
    $('geo-description').textContent = checked.description.join('\n');
    drawViews(text);
    if (!worker) startWorker();
    busy(true);
    worker.postMessage({ text, files: userFiles() });
    worker.onmessage = (message) => {
      const { done, total, result } = message.data;
      if (result === undefined) {
        $('geo-progress').max = total;
        $('geo-progress').value = done;
        $('geo-progress-text').textContent = `${done} of ${total} points`;
        return;
      }
      busy(false);
      if (typeof result.error === 'string') say(result.error, true);
      else showResults(text, result);
    };
  });

  // ------------------------------------------------------------------ files

  $('geo-save').addEventListener('click', () => {
    const link = element('a', { download: 'model.json' });
    link.href = URL.createObjectURL(new Blob([`${JSON.stringify(readForm(), null, 2)}\n`], { type: 'application/json' }));
    document.body.append(link);
    link.click();
    link.remove();
    setTimeout(() => URL.revokeObjectURL(link.href), 1000);
  });
  $('geo-open').addEventListener('change', async () => {
    const file = $('geo-open').files[0];
    if (file) open(await file.text(), file.name);
    $('geo-open').value = '';
  });
  $('geo-example-drum').addEventListener('click', () => open(EXAMPLES['drum-behind-wall.json'], 'drum-behind-wall.json'));
  $('geo-example-tank').addEventListener('click', () => open(EXAMPLES['tank-steel-wall.json'], 'tank-steel-wall.json'));

  // The part starts with the drum behind the wall, once the core is there.
  px.ready.then(() => {
    writeForm(JSON.parse(EXAMPLES['drum-behind-wall.json']));
    new MutationObserver(() => {
      if ($('geometry').hidden) return;
      try {
        drawViews(JSON.stringify(readForm()));
      } catch (error) {
        say(error.message, true);
      }
    }).observe($('geometry'), { attributes: true, attributeFilter: ['hidden'] });
  });
})();
