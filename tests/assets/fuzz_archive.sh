#!/usr/bin/env bash
# Builds the archive index fuzzer with clang (libFuzzer + AddressSanitizer)
# in its own folder and runs it for a short budget. Usage: fuzz_archive.sh DIR [SECONDS]
set -euo pipefail
source_dir="$(cd "$(dirname "$0")/../.." && pwd)"
build_dir="${1:?usage: fuzz_archive.sh BUILD_DIR [SECONDS]}"
seconds="${2:-30}"
mkdir -p "$build_dir/corpus"

clang++ -std=c++17 -g -O1 -fsanitize=fuzzer,address -I"$source_dir" \
  "$source_dir/tests/assets/fuzz/archive_index_fuzzer.cpp" \
  "$source_dir/engine/asset_archive.cpp" "$source_dir/shell/console_log.cpp" \
  -lz -o "$build_dir/archive_index_fuzzer"

# Seeds: a well-formed plain archive with two entries, and its gzip.
seed="$build_dir/corpus/two_entries"
printf '\x01\x00\x00\x00h\x02\x00\x00\x00\x01\x00\x00\x00a\x23\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00b\x24\x00\x00\x00\x01\x00\x00\x00xy' >"$seed"
gzip -n -c "$seed" >"$build_dir/corpus/two_entries.gz"

scratch=$(mktemp -d /dev/shm/zentrix-fuzz.XXXXXX 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export ZENTRIX_FUZZ_SCRATCH="$scratch/archive.ass"
"$build_dir/archive_index_fuzzer" -max_total_time="$seconds" -max_len=4096 -rss_limit_mb=1024 \
  -timeout=10 "$build_dir/corpus"
