#!/usr/bin/env bash
# Builds the Release configuration and runs the benchmarks (all, or those whose names are given).
# Usage: scripts/bench.sh [bench name...] [-- benchmark arguments...]
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/deps.sh"
build="${VORN_RELEASE_BUILD_DIR:-$here/build/release}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=OFF -DVORN_BENCH=ON >/dev/null
cmake --build "$build" -j "$(nproc)"
names=(); args=()
while [ $# -gt 0 ]; do
  if [ "$1" = "--" ]; then shift; args=("$@"); break; fi
  names+=("$1"); shift
done
if [ ${#names[@]} -eq 0 ]; then
  for b in "$build"/bench/bench_*; do names+=("$(basename "$b" | sed 's/^bench_//')"); done
fi
for n in "${names[@]}"; do
  echo "== $n"
  "$build/bench/bench_$n" "${args[@]}"
done
