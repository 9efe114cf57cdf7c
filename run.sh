#!/usr/bin/env bash
# Installs what is missing, builds, prepares the working folder and starts PhotonXS.
# The working folder is $PHOTONXS_HOME (default ~/PhotonXS); the shipped library is copied
# there once and files the user already has are never overwritten.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$repo"
source tools/ensure-packages.sh

# ./run.sh --web: the browser page instead, built and opened in the default browser.
if [ "${1:-}" = "--web" ]; then
    web/build.sh
    page="$repo/build-web/photonxs.html"
    if command -v xdg-open >/dev/null 2>&1 && [ -n "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        exec xdg-open "$page"
    fi
    echo "Open $page in a browser."
    exit 0
fi

ensure_packages "${PHOTONXS_BUILD_PACKAGES[@]}"

cmake --preset dev >/dev/null
cmake --build --preset dev

home="${PHOTONXS_HOME:-$HOME/PhotonXS}"
mkdir -p "$home"
cp -Rn "$repo/library/." "$home/"
rm -f "$home/mix/.gitkeep"

cd "$home"
exec "$repo/build/bin/photonxs" "$@"
