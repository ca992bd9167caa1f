#!/usr/bin/env bash
# Installs whatever is missing, builds everything and runs the whole test suite.
#   tools/test.sh             the normal build (warnings are errors)
#   tools/test.sh --sanitize  the same under AddressSanitizer and UndefinedBehaviorSanitizer
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh

build=build
options=(-DVANTOR_WERROR=ON)
if [ "${1:-}" = "--sanitize" ]; then
  build=build-sanitize
  # Unoptimised: the sanitizers find the same faults, and the build takes far less time.
  options+=(-DVANTOR_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug -DVANTOR_BUILD_BENCH=OFF -DVANTOR_BUILD_TOOLS=OFF)
  export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
  export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
fi

# A compiler cache keeps rebuilds of unchanged sources cheap, across checkouts of the same machine too.
if command -v ccache >/dev/null; then
  options+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi

cmake -S . -B "$build" -G Ninja "${options[@]}"
cmake --build "$build" -j "$(nproc)"

# The tests never touch the user's own settings, and windows go to Qt's offscreen platform.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
export XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state" XDG_RUNTIME_DIR="$scratch/runtime" QT_QPA_PLATFORM=offscreen
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

cd "$build"
# A private session bus for the tests that talk across processes.
dbus-run-session -- ctest --output-on-failure -j "$(nproc)"
