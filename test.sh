#!/usr/bin/env bash
# Installs what is missing, then builds and runs the whole test suite twice: a normal build
# with warnings as errors, and a build with AddressSanitizer and UndefinedBehaviorSanitizer.
# Fails on any clang-format difference. Ends by printing the house test ratio.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
cd "$repo"
source tools/ensure-packages.sh
ensure_packages "${PHOTONXS_BUILD_PACKAGES[@]}" clang-format clang libclang-rt-14-dev \
    "${PHOTONXS_PACKAGING_PACKAGES[@]}" "${PHOTONXS_WEB_PACKAGES[@]}" \
    "${PHOTONXS_PYTHON_PACKAGE_PACKAGES[@]}"

export QT_QPA_PLATFORM=offscreen
jobs="$(nproc)"

echo "== format check"
git ls-files -- '*.cpp' '*.h' | xargs -r clang-format --dry-run --Werror

echo "== browser page"
web/build.sh
# playwright-core and puppeteer-core, at the versions the lock file pins; they drive Debian's
# Chromium and firefox-esr, and download no browser.
(cd web && PUPPETEER_SKIP_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)

echo "== build and test"
cmake --preset dev -DPHOTONXS_WEB_PAGE="$repo/build-web/photonxs.html"
cmake --build --preset dev -j "$jobs"
ctest --preset dev -j "$jobs"

echo "== sanitizer build and test"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=1"
export LSAN_OPTIONS="suppressions=$repo/tests/lsan.supp:print_suppressions=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
cmake --preset asan
cmake --build --preset asan -j "$jobs"
ctest --preset asan -j "$jobs"

if [ -x fuzz/run.sh ]; then
    echo "== bounded fuzzing"
    fuzz/run.sh
fi
tools/test-ratio.sh
echo "All checks passed."
