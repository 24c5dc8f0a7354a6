#!/usr/bin/env bash
# Builds the Release configuration and runs the benchmarks (all, or those whose names are given).
# Usage: scripts/bench.sh [bench name...] [-- benchmark arguments...]
# VORN_JOBS sets the number of parallel build jobs (default: every core). The private Firebird server
# that the client-side benchmarks attach to is started here and stopped on every way out.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/deps.sh"
build="${VORN_RELEASE_BUILD_DIR:-$here/build/release}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVORN_TESTS=OFF -DVORN_BENCH=ON >/dev/null
cmake --build "$build" -j "${VORN_JOBS:-$(nproc)}"
fbstate="$(mktemp)"
trap 'bash "$here/scripts/fbserver.sh" stop "$fbstate"' EXIT
bash "$here/scripts/fbserver.sh" start "$fbstate"
set -a
# shellcheck disable=SC1090
. "$fbstate"
set +a
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
