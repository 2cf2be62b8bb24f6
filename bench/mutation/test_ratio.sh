#!/usr/bin/env bash
# The size of the test suite against the code it tests, in non-blank lines of
# the files git tracks at REVISION (default HEAD): tests are tests/ (C++,
# shell, Python, C; the fuzz corpora are data and not counted); code is every
# floor's C++ plus dev/, server/ and tools/. bench/ counts on neither side.
# Usage: bench/mutation/test_ratio.sh [REVISION]
set -euo pipefail
cd "$(dirname "$0")/../.."
revision=${1:-HEAD}
lines() {
  git ls-tree -r --name-only "$revision" -- "$@" |
    grep -E '\.(cpp|h|c|sh|bash|py)$' | grep -v '^tests/fuzz/corpus/' |
    while IFS= read -r file; do git show "$revision:$file"; done | grep -cv '^[[:space:]]*$'
}
tests=$(lines tests)
code=$(lines platform base archive protocol settings engine sound game online screens shell dev server tools)
echo "test lines: $tests; code lines: $code; ratio $(awk -v t="$tests" -v c="$code" 'BEGIN { printf "%.2f", t / c }')"
