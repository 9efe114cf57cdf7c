#!/usr/bin/env bash
# The package as a Python user installs it: pip install of a clone of the checkout's HEAD (its
# commits, not uncommitted changes) into a fresh virtual environment that sees Debian's numpy and
# pytest, the clone then deleted, and the pytest suite run against the installed package from
# another folder, with no PHOTONXS_HOME: the package must answer from the library it carries.
# Usage: venv_test.sh SOURCE_FOLDER BUILD_FOLDER PHOTONXS_CLI
set -euo pipefail
source="$1"
build="$2"
cli="$3"
if ! git -C "$source" rev-parse -q --verify HEAD >/dev/null; then
    echo "SKIP: $source is not a git checkout"
    exit 77
fi
if ! /usr/bin/python3 -c "import ensurepip, setuptools, wheel" 2>/dev/null; then
    echo "SKIP: python3-venv, python3-setuptools or python3-wheel is missing (test.sh adds them)"
    exit 77
fi
# Inside the build folder, so that ccache meets the same relative paths in every run.
scratch="$(mktemp -d "$build/python-package-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT
venv="$scratch/venv"

git clone --quiet "$source" "$scratch/clone"
/usr/bin/python3 -m venv --system-site-packages "$venv"
start="$(date +%s%N)"
"$venv/bin/python" -m pip install --quiet --no-index --no-build-isolation "$scratch/clone"
echo "pip install took $((($(date +%s%N) - start) / 1000000)) ms"
rm -rf "$scratch/clone"

mkdir "$scratch/elsewhere"
cd "$scratch/elsewhere"
unset PYTHONPATH PHOTONXS_HOME
answer="$("$venv/bin/python" -c "import photonxs as p; print(p.__file__, p.mu_rho('Pb', 0.662))")"
echo "$answer"
if [[ "$answer" != "$venv/"* ]]; then
    echo "FAIL: photonxs was not imported from the environment"
    exit 1
fi
PHOTONXS_PACKAGED=1 PHOTONXS_LIBRARY="$source/library" PHOTONXS_CLI="$cli" PYTHONDONTWRITEBYTECODE=1 \
    "$venv/bin/python" -m pytest -q -p no:cacheprovider "$source/python/tests"
