#!/usr/bin/env bash
# The house test ratio: non-blank lines of C++ and Python in every tests folder against those of
# src/, cli/, tools/ and the Python bindings (the folder whose .cpp defines PYBIND11_MODULE).
# The house keeps it at 35% or less; this prints it and does not fail the run.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."

# The project's files (tracked or new, ignored ones left out), or every file outside build
# folders when this is no git checkout.
if git rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    files="$(git ls-files --cached --others --exclude-standard)"
else
    files="$(find . -path './build*' -prune -o -path ./.git -prune -o -type f -print | sed 's|^\./||')"
fi
sources="$(grep -E '\.(cpp|cc|cxx|h|hh|hpp|py)$' <<<"$files" || true)"

is_test='(^|/)tests/'
bindings=""
while IFS= read -r file; do
    [ -n "$file" ] || continue
    if [[ "$file" == *.cpp && ! "$file" =~ $is_test ]] && grep -q 'PYBIND11_MODULE' "$file"; then
        bindings+="$(dirname "$file")/"$'\n'
    fi
done <<<"$sources"

nonblank() { # the files named on standard input, their non-blank lines together
    local total=0 file
    while IFS= read -r file; do
        [ -n "$file" ] || continue
        total=$((total + $(grep -c '[^[:space:]]' "$file" || true)))
    done
    echo "$total"
}

tests="$(grep -E "$is_test" <<<"$sources" | nonblank)"
code="$(grep -vE "$is_test" <<<"$sources" | while IFS= read -r file; do
    case "$file" in
    src/* | cli/* | tools/*) echo "$file" ;;
    *)
        while IFS= read -r folder; do
            if [ -n "$folder" ] && [[ "$file" == "$folder"* ]]; then
                echo "$file"
                break
            fi
        done <<<"$bindings"
        ;;
    esac
done | nonblank)"

if [ "$code" -eq 0 ]; then
    echo "test ratio: no code found"
    exit 0
fi
percent="$(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.1f", 100 * t / c }')"
verdict="within the house limit of 35%"
if awk -v p="$percent" 'BEGIN { exit !(p > 35) }'; then
    verdict="OVER the house limit of 35%"
fi
echo "test ratio: $tests test lines / $code code lines = $percent% ($verdict)"
