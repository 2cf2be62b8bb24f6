#!/usr/bin/env bash
# Headless soak: the bot plays every mode, difficulty and Classic level at
# both skills, SEEDS runs each (16 gives 1,056 levels), in the sanitizer
# build, so a fault, a leak (reported at exit) or a run that never ends
# fails it. Usage: bench/soak/levels.sh BUILD_ASAN_DIR ARCHIVE [SEEDS]
set -euo pipefail
build=$(cd "${1:?usage: levels.sh BUILD_ASAN_DIR ARCHIVE [SEEDS]}" && pwd)
archive=$(realpath "${2:?}")
seeds=${3:-16}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"
start=$SECONDS
"$build/zentrix-balance" --archive "$archive" --seeds "$seeds" | tee table.txt
# The last number of each cell is the count of runs that never ended.
never=$(awk -F'|' 'NR > 4 { for (i = 2; i <= NF; i++) { n = split($i, f, " "); s += f[n] } }
                   END { print s + 0 }' table.txt)
rows=$(awk -F'|' 'NR > 4' table.txt | wc -l)
echo "levels: $((rows * 2 * seeds)) levels in $((SECONDS - start)) s under the sanitizers;" \
    "$never never ended"
[[ $never -eq 0 ]]
