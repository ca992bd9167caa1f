#!/usr/bin/env bash
# Builds the fuzz targets (clang, libFuzzer, AddressSanitizer + UndefinedBehaviorSanitizer) in
# build-fuzz/ and runs each one for a bounded time, starting from its seed corpus.
#   tools/fuzz.sh            each target for 10 seconds (what CI runs)
#   tools/fuzz.sh 600        each target for ten minutes
#   tools/fuzz.sh 60 Name    only <Name>Fuzz
# New inputs are kept in build-fuzz/corpus/<Name>Fuzz (the seeds in tests/fuzz/corpus stay small);
# a crashing input is saved in build-fuzz/artifacts/ and fails the run. Prints executions and
# coverage per target.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-10}
only=${2:-}
build=build-fuzz

bash tools/install-deps.sh

launcher=()
if command -v ccache >/dev/null; then
  launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  # Relative paths let a fresh clone in another folder reuse the cache.
  export CCACHE_BASEDIR="$PWD" CCACHE_NOHASHDIR=1
fi
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER=clang++ "${launcher[@]}" >/dev/null

targets=()
for source in tests/fuzz/*Fuzz.cpp; do
  name=$(basename "$source" .cpp)
  if [ -z "$only" ] || [ "$name" = "$only" ] || [ "$name" = "${only}Fuzz" ]; then targets+=("$name"); fi
done
[ "${#targets[@]}" -gt 0 ] || { echo "no fuzz target matches '$only'" >&2; exit 1; }
cmake --build "$build" -j "$(nproc)" --target "${targets[@]}"

# Qt's global objects live until exit; a leak report for them would be noise, not a finding.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:allocator_may_return_null=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export QT_QPA_PLATFORM=offscreen

mkdir -p "$build/artifacts" "$build/logs"
status=0
passed=0
failed=0
printf '%-22s %12s %8s %8s %s\n' target executions cov ft result
for name in "${targets[@]}"; do
  corpus="$build/corpus/$name"
  mkdir -p "$corpus"
  seeds=tests/fuzz/corpus/$name
  [ -d "$seeds" ] || seeds=""
  log="$build/logs/$name.log"
  result=ok
  # -rss_limit_mb and -timeout turn a runaway allocation or a hang into a finding too.
  if ! "$build/$name" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -max_len=65536 \
      -artifact_prefix="$build/artifacts/$name-" -print_final_stats=1 "$corpus" $seeds >"$log" 2>&1; then
    result="FAILED (see $log)"
    status=1
  fi
  if [ "$result" = ok ]; then passed=$((passed + 1)); else failed=$((failed + 1)); fi
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log" | tail -1)
  cov=$(grep -o 'cov: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  ft=$(grep -o 'ft: [0-9]*' "$log" | tail -1 | cut -d' ' -f2)
  printf '%-22s %12s %8s %8s %s\n' "$name" "${runs:-?}" "${cov:-?}" "${ft:-?}" "$result"
done
echo "fuzz: $passed passed, $failed failed"
exit $status
