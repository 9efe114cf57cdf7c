#!/usr/bin/env bash
# Installs what is missing, builds, prepares the working folder and starts PhotonXS.
# The working folder is $PHOTONXS_HOME (default ~/PhotonXS); the shipped library is copied
# there once and files the user already has are never overwritten.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$repo"
source tools/ensure-packages.sh
ensure_packages "${PHOTONXS_BUILD_PACKAGES[@]}"

cmake --preset dev >/dev/null
cmake --build --preset dev

home="${PHOTONXS_HOME:-$HOME/PhotonXS}"
mkdir -p "$home"
cp -Rn "$repo/library/." "$home/"
rm -f "$home/mix/.gitkeep"

cd "$home"
exec "$repo/build/bin/photonxs" "$@"
