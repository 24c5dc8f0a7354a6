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
# shellcheck source=scripts/xvfb.sh
. "$here/scripts/xvfb.sh"
trap 'xvfb_stop; bash "$here/scripts/fbserver.sh" stop "$fbstate"' EXIT
xvfb_start
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
# A benchmark that stops with an error still exits 0 itself: its report line says so, and the run fails.
failed=()
out="$(mktemp)"
for n in "${names[@]}"; do
  echo "== $n"
  if ! "$build/bench/bench_$n" "${args[@]}" 2>&1 | tee "$out" || grep -q "ERROR OCCURRED" "$out"; then
    failed+=("$n")
  fi
done
rm -f "$out"
if [ ${#failed[@]} -gt 0 ]; then
  echo "benchmarks failed: ${failed[*]}" >&2
  exit 1
fi
