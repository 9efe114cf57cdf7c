#!/usr/bin/env bash
# Builds the browser page: the core compiled to WebAssembly with Debian's emscripten, then one
# self-contained HTML file, build-web/photonxs.html (module, scripts, styles and the shipped
# library inlined). Installs what is missing first.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
source tools/ensure-packages.sh
ensure_packages "${PHOTONXS_WEB_PACKAGES[@]}"

# emscripten's optimiser step loads acorn from Debian's Node.js modules.
export NODE_PATH=/usr/share/nodejs
out="$repo/build-web"
mkdir -p "$out"
# emscripten writes the system libraries it builds into its cache; where Debian's is not ours
# to write (not root), a copy of it in the build folder serves.
if [ ! -w /usr/share/emscripten/cache ]; then
    export EM_CACHE="$out/emcache"
    [ -d "$EM_CACHE" ] || cp -R /usr/share/emscripten/cache "$EM_CACHE"
fi

emcmake cmake -S "$repo" -B "$out/wasm" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DWARNINGS_AS_ERRORS=ON >/dev/null
cmake --build "$out/wasm" -j "$(nproc)"
node "$repo/web/pack.mjs" "$out/wasm/bin" "$repo/library" "$out/photonxs.html"
