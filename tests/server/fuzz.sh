#!/usr/bin/env bash
# Builds the libFuzzer target of the request decoder and query parser with
# clang (separately from the main build) and runs it for a short budget.
# Skips when clang is not installed.
set -euo pipefail

build_dir=$(realpath "${1:?usage: fuzz.sh BUILD_DIR [SECONDS]}")
seconds=${2:-20}
source_dir=$(cd "$(dirname "$0")/../.." && pwd)
clang=$(command -v clang++ || true)
if [ -z "$clang" ]; then
    echo "fuzz: clang++ is not installed; skipping"
    exit 0
fi

out=$build_dir/fuzz
mkdir -p "$out"
"$clang" -std=c++17 -g -O1 -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
    -I"$source_dir" -DZENTRIX_FUZZ_KEY="\"$build_dir/keys/server_private.pem\"" \
    "$source_dir/server/fuzz/request_fuzzer.cpp" "$source_dir/server/query.cpp" \
    "$source_dir/server/secure.cpp" "$source_dir/server/metrics.cpp" "$source_dir/online/encodings.cpp" \
    "$build_dir/generated/server_public_key.cpp" -lcrypto -o "$out/request_fuzzer"

corpus=$out/corpus
mkdir -p "$corpus"
"$out/request_fuzzer" -max_total_time="$seconds" -max_len=1024 -timeout=10 -print_final_stats=1 \
    "$corpus" "$source_dir/server/fuzz/corpus" >"$out/fuzz.log" 2>&1 ||
    { tail -n 40 "$out/fuzz.log"; echo "fuzz: FAIL: the fuzzer found a crash"; exit 1; }
grep -E "stat::number_of_executed_units" "$out/fuzz.log" || true
echo "fuzz: no crash in ${seconds}s"
