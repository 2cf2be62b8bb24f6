#!/usr/bin/env bash
# A fuzzing campaign: every target of the sanitizer build in turn (one at a
# time, so it shares the machine), each for SECONDS over a corpus that grows
# in WORK/corpus/<target> from run to run, starting from the committed seeds.
# Prints a table: target, executions, edges covered, faults found; each
# fault's input stays in WORK/artifacts/<target>.
# Usage: bench/fuzz/campaign.sh BUILD_ASAN_DIR WORK [SECONDS] [target...]
set -uo pipefail
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:?usage: campaign.sh BUILD_ASAN_DIR WORK [SECONDS] [target...]}" && pwd)
work=${2:?}
seconds=${3:-600}
shift 3 2>/dev/null || shift $#
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then
    for fuzzer in "$build"/*_fuzzer; do targets+=("$(basename "$fuzzer" _fuzzer)"); done
fi
declare -A dictionary=([request]=endpoints)

mkdir -p "$work"
printf '| target | seconds | executions | edges | faults |\n|---|---|---|---|---|\n' >"$work/table.md"
for target in "${targets[@]}"; do
    corpus=$work/corpus/$target artifacts=$work/artifacts/$target
    mkdir -p "$corpus" "$artifacts" "$work/scratch"
    cp -rn "$source_dir/tests/fuzz/corpus/$target"/. "$corpus/"
    dict=$source_dir/tests/fuzz/${dictionary[$target]:-$target}.dict
    flags=()
    [[ -f $dict ]] && flags+=("-dict=$dict")
    ZENTRIX_FUZZ_SCRATCH=$work/scratch "$build/${target}_fuzzer" -max_total_time="$seconds" \
        -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -max_len=8192 \
        -artifact_prefix="$artifacts/" "${flags[@]}" "$corpus" >"$work/$target.log" 2>&1
    runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/$target.log")
    edges=$(grep -o 'cov: [0-9]*' "$work/$target.log" | tail -n 1 | cut -d' ' -f2)
    faults=$(find "$artifacts" -type f | wc -l)
    printf '| %s | %s | %s | %s | %s |\n' "$target" "$seconds" "${runs:-?}" "${edges:-?}" \
        "$faults" | tee -a "$work/table.md"
done
