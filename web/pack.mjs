// Writes the page as one self-contained HTML file: the page's markup, styles and scripts, the
// WebAssembly module and the shipped library, compressed and inlined, so that the file works
// from file:// or any static server and makes no request.
//
//   node web/pack.mjs <folder of photonxs.js and photonxs.wasm> <library folder> <output.html>
import { readFileSync, readdirSync, statSync, writeFileSync, renameSync, rmSync } from 'node:fs';
import { join, relative, sep } from 'node:path';
import { gzipSync } from 'node:zlib';
import { fileURLToPath } from 'node:url';

const here = fileURLToPath(new URL('.', import.meta.url));
const [moduleDir, libraryDir, output] = process.argv.slice(2);
if (!output) {
  console.error('usage: node pack.mjs MODULE_DIR LIBRARY_DIR OUTPUT.html');
  process.exit(2);
}

// The library's data files, by path under the library folder, in a stable order.
function libraryFiles(root) {
  const files = [];
  const walk = (dir) => {
    for (const name of readdirSync(dir).sort()) {
      const full = join(dir, name);
      if (statSync(full).isDirectory()) walk(full);
      else if (!name.startsWith('.')) files.push(relative(root, full).split(sep).join('/'));
    }
  };
  walk(root);
  return files;
}

// A little-endian length of the JSON index, the index of [path, size], then the bytes.
function packLibrary(root) {
  const paths = libraryFiles(root);
  const contents = paths.map((path) => readFileSync(join(root, path)));
  const index = Buffer.from(JSON.stringify(paths.map((path, i) => [path, contents[i].length])));
  const length = Buffer.alloc(4);
  length.writeUInt32LE(index.length, 0);
  return Buffer.concat([length, index, ...contents]);
}

// The worked model examples the Geometry part opens, as their files hold them.
const EXAMPLES = ['drum-behind-wall.json', 'tank-steel-wall.json'];

const packed = (bytes) => gzipSync(bytes, { level: 9 }).toString('base64');
// Inline scripts must not close their element early.
const script = (text) => text.replace(/<\/script/gi, '<\\/script');

const page = readFileSync(join(here, 'page', 'index.html'), 'utf8');
const parts = {
  STYLE: readFileSync(join(here, 'page', 'style.css'), 'utf8'),
  WASM: packed(readFileSync(join(moduleDir, 'photonxs.wasm'))),
  LIBRARY: packed(packLibrary(libraryDir)),
  LOADER: script(readFileSync(join(moduleDir, 'photonxs.js'), 'utf8')),
  API: script(readFileSync(join(here, 'page', 'api.js'), 'utf8')),
  APP: script(readFileSync(join(here, 'page', 'app.js'), 'utf8')),
  GEOMETRY: script(readFileSync(join(here, 'page', 'geometry.js'), 'utf8')),
  EXAMPLES: script(JSON.stringify(Object.fromEntries(EXAMPLES.map((name) => [name, readFileSync(join(here, '..', 'docs', 'examples', name), 'utf8')])))),
};
const html = page.replace(/\/\*@(STYLE|WASM|LIBRARY|LOADER|API|APP|GEOMETRY|EXAMPLES)@\*\//g, (_, key) => parts[key]);

// Written aside, then renamed: a failed write leaves the old page as it was.
const aside = `${output}.part`;
try {
  writeFileSync(aside, html);
  renameSync(aside, output);
} catch (error) {
  rmSync(aside, { force: true });
  throw error;
}
console.log(`${output}: ${(html.length / 1048576).toFixed(2)} MB`);
