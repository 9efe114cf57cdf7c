#!/usr/bin/env bash
# Builds the optimised build with the benchmark suite and runs every case once, repetitions in
# random order so that a change of load on the machine falls on all cases alike.
#
#   bench/run.sh [OUTPUT_FOLDER] [Google Benchmark flags...]
#
# Writes OUTPUT_FOLDER/results.json (Google Benchmark's JSON, the machine's description at its
# head), OUTPUT_FOLDER/summary.md (median, min and max of each case, the peer ratio and whether
# each target holds) and OUTPUT_FOLDER/machine.txt. The default folder is
# build-release/bench-results; PHOTONXS_BENCH_BUILD names another build folder. Then the Python
# module against xraylib's Python bindings (bench/python_bench.py), into OUTPUT_FOLDER/python.md.
set -euo pipefail
repo="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$repo"
source tools/ensure-packages.sh
ensure_packages "${PHOTONXS_BUILD_PACKAGES[@]}" libbenchmark-dev libxrl-dev pkg-config \
    python3-xraylib

build="${PHOTONXS_BENCH_BUILD:-$repo/build-release}"
cmake --preset release -B "$build" >/dev/null
cmake --build "$build" --target photonxs-bench photonxs_python -j "$(nproc)"

output="${1:-$build/bench-results}"
shift || true
mkdir -p "$output"
{
    uname -srm
    lscpu 2>/dev/null | grep -E '^(Model name|CPU\(s\)|Thread|Core|Socket|CPU max MHz|L[123])' || true
    grep -E '^MemTotal' /proc/meminfo 2>/dev/null || true
    echo "load average before the run: $(cut -d' ' -f1-3 /proc/loadavg 2>/dev/null)"
} >"$output/machine.txt"

export QT_QPA_PLATFORM=offscreen
"$build/bin/photonxs-bench" \
    --benchmark_enable_random_interleaving=true \
    --benchmark_out="$output/results.json" --benchmark_out_format=json \
    --summary_out="$output/summary.md" "$@"
PYTHONPATH="$build/python" PHOTONXS_HOME="$repo/library" /usr/bin/python3 \
    "$repo/bench/python_bench.py" --out "$output/python.md"
# The browser page against the native one-thread look-up just measured, where the page and its
# test driver are built (web/build.sh, npm ci in web/).
if [ -f "$repo/build-web/photonxs.html" ] && [ -d "$repo/web/node_modules/playwright-core" ]; then
    median() {
        /usr/bin/python3 -c 'import json, statistics, sys
# A case run with repetitions is named NAME/repeats:N.
runs = [b["cpu_time"] for b in json.load(open(sys.argv[1]))["benchmarks"]
        if b.get("run_name", "").split("/repeats:")[0] == sys.argv[2]
        and b.get("run_type") == "iteration"]
print(statistics.median(runs) if runs else "")' "$output/results.json" "$1"
    }
    native="$(median CoefficientsAtEnergy)"
    shielding="$(median Shielding/dose_every_nuclide_3_layers),$(median Shielding/buildup_1e6_pairs_own_table),$(median Shielding/buildup_1e6_pairs_equivalent_z)"
    # The shielding ratios where the suite has all three shielding cases.
    shieldingArgs=()
    if [[ "$shielding" =~ ^[^,]+,[^,]+,[^,]+$ ]]; then
        shieldingArgs=(--native-shielding "$shielding")
    fi
    geometry="$(median Geometry/tank_0.8MeV_accuracy_1e-3),$(median Geometry/tank_0.8MeV_accuracy_1e-6)"
    geometryArgs=()
    if [[ "$geometry" =~ ^[^,]+,[^,]+$ ]]; then
        geometryArgs=(--native-geometry "$geometry")
    fi
    node "$repo/bench/web_bench.mjs" "$repo/build-web/photonxs.html" "$native" \
        "${shieldingArgs[@]}" "${geometryArgs[@]}" --out "$output/web.md"
fi
echo "Results: $output/results.json, $output/summary.md, $output/python.md, $output/web.md"
