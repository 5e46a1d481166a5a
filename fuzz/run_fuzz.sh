#!/usr/bin/env bash
# Builds one fuzz target of fuzz/targets.txt with clang's libFuzzer (plus ASan and UBSan)
# and runs it for a bounded time over its corpus. With --merge, new inputs that reach
# new code are minimised into fuzz/corpus_NAME (commit them; the suite replays them).
# Usage: fuzz/run_fuzz.sh NAME [seconds=60] [--merge]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(dirname "$here")
name=${1:?usage: run_fuzz.sh NAME [seconds] [--merge]}
seconds=${2:-60}
out=${FUZZ_DIR:-/tmp/strigolo-fuzz}/$name
mkdir -p "$out/new"

line=$(grep -E "^$name[[:space:]]" "$here/targets.txt") || { echo "run_fuzz: no target $name" >&2; exit 2; }
sources=() flags=()
for item in ${line#"$name"}; do
  case $item in
    pkg:*) read -ra pkg <<<"$(pkg-config --cflags --libs "${item#pkg:}")"; flags+=("${pkg[@]}") ;;
    -*) flags+=("$item") ;;
    *) sources+=("$root/$item") ;;
  esac
done
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=undefined \
  -I"$root" "$here/${name}_fuzz.cpp" "${sources[@]}" "${flags[@]}" -o "$out/fuzz"

# -max_len: a few kilobytes reach every path of these formats; -rss_limit_mb catches an
# input that makes a reader hold far more memory than the input's size.
"$out/fuzz" "$out/new" "$here/corpus_$name" -max_total_time="$seconds" -max_len=4096 \
  -rss_limit_mb=512 -timeout=5 -print_final_stats=1 2>&1 | tail -n 25

if [ "${3:-}" = "--merge" ]; then
  "$out/fuzz" -merge=1 "$here/corpus_$name" "$out/new" 2>&1 | tail -n 2
fi
