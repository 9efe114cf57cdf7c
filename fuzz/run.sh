#!/usr/bin/env bash
# Builds the fuzz targets with clang (libFuzzer, AddressSanitizer, UndefinedBehaviorSanitizer)
# and runs each for a bounded time from its seed corpus. Exits non-zero on the first finding.
#
#   fuzz/run.sh                      every target, 20 s each
#   FUZZ_SECONDS=3600 fuzz/run.sh material_file    one target for an hour
#
# Environment: FUZZ_SECONDS (default 20), FUZZ_BUILD (default build-fuzz beside fuzz/),
# FUZZ_CXX (default clang++), FUZZ_ARGS (extra libFuzzer options).
set -euo pipefail
fuzz="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
repo="$(dirname "$fuzz")"
build="${FUZZ_BUILD:-$repo/build-fuzz}"
seconds="${FUZZ_SECONDS:-20}"
cxx="${FUZZ_CXX:-clang++}"

all_targets=(numeric_text number_masks material_file xcom_reader element_reader formula spectrum)
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=("${all_targets[@]}")

# Sources each target tests, besides its own file: the data files and tables in full, and what
# each target adds to them.
data_sources=()
for source in "$repo"/src/data/*.cpp; do
    data_sources+=("src/data/$(basename "$source")")
done
sources_of() {
    case "$1" in
    numeric_text) echo src/data/NumericText.cpp src/data/CharConv.cpp ;;
    formula) echo src/material/Formula.cpp src/data/CharConv.cpp ;;
    spectrum)
        echo "${data_sources[@]}" src/calc/Interpolation.cpp src/attenuation/Attenuation.cpp \
            src/attenuation/Compositions.cpp src/attenuation/EnergyAbsorption.cpp \
            src/attenuation/Spectrum.cpp src/attenuation/TextLines.cpp ;;
    number_masks) echo src/data/NumericText.cpp src/data/NumberMask.cpp src/data/CharConv.cpp ;;
    material_file) echo "${data_sources[@]}" ;;
    xcom_reader) echo "${data_sources[@]}" tools/xcom_reader.cpp tools/element_library.cpp ;;
    element_reader)
        echo "${data_sources[@]}" src/newdata/Builder.cpp src/newdata/MaterialWriter.cpp \
            src/attenuation/Compositions.cpp src/attenuation/TextLines.cpp ;;
    *) echo "unknown fuzz target: $1" >&2; return 1 ;;
    esac
}
# Longest input tried: a full table fits; longer inputs only slow the search down.
max_len_of() {
    case "$1" in
    numeric_text | number_masks | formula | spectrum) echo 1024 ;;
    xcom_reader) echo 8192 ;;
    *) echo 4096 ;;
    esac
}

sanitizers="-fsanitize=address,undefined,float-cast-overflow -fno-sanitize-recover=all"
flags=(-std=c++20 -O1 -g -fno-omit-frame-pointer -Wall -Wextra -Wpedantic -Wconversion -Wshadow
       -Werror -I "$repo/src" -I "$repo/tools" $sanitizers)

mkdir -p "$build/obj"
# The code under test carries libFuzzer's coverage instrumentation; the harness does not, so
# its own checks neither slow the search nor count as new coverage.
compile_tested() {
    local source="$1" object="$build/obj/$(echo "$1" | tr / _).o"
    if [ ! -f "$object" ] || [ "$object" -ot "$repo/$source" ] || [ -n "$(find "$repo/src" "$repo/tools" "$fuzz/coverage-ignore.txt" \( -name '*.h' -o -name '*.txt' \) -newer "$object" -print -quit)" ]; then
        "$cxx" "${flags[@]}" -fsanitize=fuzzer-no-link \
            -fsanitize-coverage-ignorelist="$fuzz/coverage-ignore.txt" -c "$repo/$source" -o "$object"
    fi
    echo "$object"
}

status=0
for target in "${targets[@]}"; do
    objects=()
    for source in $(sources_of "$target"); do
        objects+=("$(compile_tested "$source")")
    done
    binary="$build/fuzz_$target"
    echo "== fuzz $target: build"
    "$cxx" "${flags[@]}" -c "$fuzz/fuzz_$target.cpp" -o "$build/obj/fuzz_$target.o"
    "$cxx" $sanitizers -fsanitize=fuzzer "$build/obj/fuzz_$target.o" "${objects[@]}" -o "$binary"

    # New inputs go to a working corpus in the build folder; the committed seeds stay as they are.
    work="$build/corpus/$target"
    artifacts="$build/artifacts/$target"
    mkdir -p "$work" "$artifacts"
    echo "== fuzz $target: ${seconds} s"
    # shellcheck disable=SC2086
    if ! UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
        ASAN_OPTIONS="detect_leaks=1:abort_on_error=1" \
        "$binary" -max_total_time="$seconds" -max_len="$(max_len_of "$target")" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 -dict="$fuzz/dict/$target.dict" \
        -artifact_prefix="$artifacts/" ${FUZZ_ARGS:-} "$work" "$fuzz/corpus/$target" \
        >"$build/$target.log" 2>&1; then
        tail -n 60 "$build/$target.log"
        echo "fuzz $target: FINDING; the input is in $artifacts/" >&2
        status=1
        break
    fi
    grep -E '^(Done|stat::number_of_executed_units)' "$build/$target.log" || true
done
exit $status
