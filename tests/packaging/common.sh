# shellcheck shell=bash
# Sourced by the packaging tests: a scratch folder removed on exit, and failure reports.
set -euo pipefail
scratch="$(mktemp -d "${TMPDIR:-/tmp}/photonxs-packaging-XXXXXX")"
trap 'rm -rf "$scratch"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

# Skips the test (ctest shows it skipped) when a tool it needs is not installed.
need_tools() {
    local tool
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null; then
            echo "SKIP: $tool is not installed (test.sh installs it)"
            exit 77
        fi
    done
}

# Runs an installed photonxs-cli as a user would: no PHOTONXS_HOME, HOME in the scratch folder.
user_cli() {
    local cli="$1"
    shift
    env -u PHOTONXS_HOME HOME="$scratch/home" "$cli" "$@"
}

# The files of a library folder, relative to it, sorted.
library_files() {
    (cd "$1" && find . -type f ! -name '.git*' | sort)
}
