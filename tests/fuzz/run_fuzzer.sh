#!/usr/bin/env bash
# Runs one libFuzzer target for a short budget over its committed seeds; a
# budget of 0 seconds replays each seed once (what the test suite does: the
# long search is bench/fuzz/campaign.sh's).
# The seeds are copied into a scratch corpus, so a run never changes the
# tree; a crash leaves its input in ARTIFACTS and fails the test. The suite
# uses a fixed seed (FUZZ_SEED) so a run repeats what the last one tried;
# the long campaign explores with fresh seeds.
# Usage: run_fuzzer.sh FUZZER SECONDS SEEDS ARTIFACTS [libFuzzer flags...]
set -euo pipefail
fuzzer=${1:?usage: run_fuzzer.sh FUZZER SECONDS SEEDS ARTIFACTS [flags...]}
seconds=${2:?}
seeds=${3:?}
artifacts=${4:?}
shift 4

scratch=$(mktemp -d /dev/shm/zentrix-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
mkdir -p "$scratch/corpus" "$artifacts"
cp -r "$seeds"/. "$scratch/corpus/"
export ZENTRIX_FUZZ_SCRATCH=$scratch
log=$scratch/fuzz.log
name=$(basename "$fuzzer")

budget=(-max_total_time="$seconds")
((seconds > 0)) || budget=(-runs=0)
if ! "$fuzzer" "${budget[@]}" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -seed="${FUZZ_SEED:-1}" -artifact_prefix="$artifacts/" "$@" "$scratch/corpus" >"$log" 2>&1; then
    grep -v '^#[0-9]' "$log" | tail -n 60
    echo "$name: FAIL: the fuzzer found a fault; its input is in $artifacts"
    exit 1
fi
runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
edges=$(grep -o 'cov: [0-9]*' "$log" | tail -n 1 | cut -d' ' -f2)
echo "$name: no fault in ${seconds}s (0: the seeds replayed): ${runs:-0} inputs, ${edges:-0} edges covered"
