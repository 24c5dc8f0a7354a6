#!/usr/bin/env bash
# Builds every library and test with AddressSanitizer and UndefinedBehaviorSanitizer and runs all tests.
# Usage: scripts/test.sh [ctest arguments...]   e.g. scripts/test.sh -L rtl
# VORN_JOBS sets the number of parallel build and test jobs (default: every core).
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$here/scripts/deps.sh"

build="${VORN_TEST_BUILD_DIR:-$here/build/test}"
jobs="${VORN_JOBS:-$(nproc)}"
cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Asan -DVORN_WERROR=ON >/dev/null
cmake --build "$build" -j "$jobs"

export ASAN_OPTIONS="${ASAN_OPTIONS:-detect_leaks=1:abort_on_error=0:strict_string_checks=1}"
export UBSAN_OPTIONS="${UBSAN_OPTIONS:-print_stacktrace=1:halt_on_error=1}"
# The private Firebird server for the tests of remote paths and the private X server for the X11 backend;
# both stopped on every way out of this script.
fbstate="$(mktemp)"
# shellcheck source=scripts/xvfb.sh
. "$here/scripts/xvfb.sh"
cleanup() {
  xvfb_stop
  bash "$here/scripts/fbserver.sh" stop "$fbstate"
}
trap cleanup EXIT
bash "$here/scripts/fbserver.sh" start "$fbstate"
xvfb_start
set -a
# shellcheck disable=SC1090
. "$fbstate"
set +a

cd "$build"
ctest --output-on-failure -j "$jobs" --timeout 600 "$@"
