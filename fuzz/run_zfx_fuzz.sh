#!/usr/bin/env bash
# Builds the effect-reader fuzz target with clang's libFuzzer (plus ASan and UBSan) and
# runs it for a bounded time over fuzz/corpus. With --merge, new inputs that reach new
# code are minimised into fuzz/corpus (commit them; the test suite replays the corpus).
# Usage: fuzz/run_zfx_fuzz.sh [seconds=60] [--merge]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
seconds=${1:-60}
out=${ZFX_FUZZ_DIR:-/tmp/strigolo-zfx-fuzz}
mkdir -p "$out/new"

clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" "$here/zfx_fuzz.cpp" "$root/fx/zfx_parser.cpp" "$root/fx/scintix.cpp" -o "$out/zfx_fuzz"

# -max_len: a few kilobytes reach every path of the format; -rss_limit_mb catches any
# input that makes the reader hold far more memory than the input's size.
"$out/zfx_fuzz" "$out/new" "$here/corpus" -max_total_time="$seconds" -max_len=4096 \
  -rss_limit_mb=512 -timeout=5 -print_final_stats=1 2>&1 | tail -n 25

if [ "${2:-}" = "--merge" ]; then
  "$out/zfx_fuzz" -merge=1 "$here/corpus" "$out/new" 2>&1 | tail -n 2
fi
