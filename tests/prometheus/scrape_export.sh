#!/usr/bin/env bash
# A real Prometheus collects the agent's readings: starts the sampling engine with its export
# (metrics_export_host), adds it as a target of the local Prometheus that the LocalPrometheus
# fixture started, and waits until Prometheus has stored our samples from it.
#   scrape_export.sh <local-prometheus dir> <metrics_export_host>
set -euo pipefail
dir=$1
host_program=$2
url=$(cat "$dir/url")
run="scrape-$$"
scratch=$(mktemp -d)
host_pid=""
cleanup() {
  rm -f "$dir/targets/$run.json"
  if [ -n "$host_pid" ]; then
    kill "$host_pid" 2>/dev/null || true
    wait "$host_pid" 2>/dev/null || true
  fi
  rm -rf "$scratch"
}
trap cleanup EXIT

# The engine with a settings store of its own.
export XDG_CONFIG_HOME="$scratch/config" VANTOR_SETTINGS_SUITE="test.scrape.$$" QT_QPA_PLATFORM=offscreen
"$host_program" 150 >"$scratch/address" 2>"$scratch/host.log" &
host_pid=$!
for _ in $(seq 1 100); do
  [ -s "$scratch/address" ] && break
  kill -0 "$host_pid" 2>/dev/null || { cat "$scratch/host.log" >&2; echo "the export host exited" >&2; exit 1; }
  sleep 0.1
done
address=$(head -n 1 "$scratch/address")
[[ "$address" =~ ^127\.0\.0\.1:[0-9]+$ ]] || { echo "no address from the export host: '$address'" >&2; exit 1; }
echo "export serving at $address"

# What a collector gets from it directly.
curl -fsS -D "$scratch/headers" -o "$scratch/first" "http://$address/metrics"
head -n 3 "$scratch/first"
grep -qi '^Content-Type: application/openmetrics-text; version=1.0.0; charset=utf-8' "$scratch/headers" \
  || { echo "FAILED: not served as OpenMetrics:" >&2; cat "$scratch/headers" >&2; exit 1; }

printf '[{"targets":["%s"],"labels":{"run":"%s"}}]\n' "$address" "$run" >"$dir/targets/$run.json.tmp"
mv "$dir/targets/$run.json.tmp" "$dir/targets/$run.json"

# The first value of an instant query, or nothing.
value() {
  curl -fsS --max-time 3 "$url/api/v1/query" --data-urlencode "query=$1" 2>/dev/null \
    | grep -o '"value":\[[0-9.e+]*,"[^"]*"\]' | head -n 1 | sed 's/.*,"\([^"]*\)"\]/\1/'
}

deadline=$((SECONDS + 90))
until [ "$(value "up{run=\"$run\"}")" = 1 ]; do
  if [ $SECONDS -ge $deadline ]; then
    echo "Prometheus did not collect our endpoint; its view of the target:" >&2
    curl -fsS "$url/api/v1/targets" >&2 || true
    exit 1
  fi
  sleep 1
done
echo "Prometheus collects the export (up = 1)"

failures=0
expect_present() {
  local got
  got=$(value "$1")
  if [ -z "$got" ]; then
    echo "FAILED: no sample for $1" >&2
    failures=$((failures + 1))
  else
    echo "ok: $1 = $got"
  fi
}
for metric in vantor_cpu_usage_ratio vantor_memory_used_bytes vantor_memory_total_bytes vantor_swap_total_bytes \
  vantor_uptime_seconds; do
  expect_present "$metric{run=\"$run\"}"
done
expect_present "count(vantor_cpu_core_usage_ratio{run=\"$run\"})"
expect_present "vantor_load_average{run=\"$run\",minutes=\"1\"}"

# Nothing in our text was dropped by Prometheus's parser.
samples=$(value "scrape_samples_scraped{run=\"$run\"}")
echo "samples per collection: $samples"
[ "${samples:-0}" -ge 20 ] || { echo "FAILED: only '${samples}' samples collected" >&2; failures=$((failures + 1)); }

# The swap size is the same figure node_exporter reads from the kernel.
ours=$(value "vantor_swap_total_bytes{run=\"$run\"}")
theirs=$(value 'node_memory_SwapTotal_bytes{job="node"}')
if [ -n "$theirs" ] && [ "$ours" != "$theirs" ]; then
  echo "FAILED: swap total $ours here, $theirs from node_exporter" >&2
  failures=$((failures + 1))
fi

[ "$failures" -eq 0 ]
