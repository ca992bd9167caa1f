#!/usr/bin/env bash
# A Prometheus server and a node_exporter of this machine, on 127.0.0.1 only, for the tests and
# the pictures of the machines meter. Everything lives in one folder: the scrape configuration,
# the storage, the logs, the process ids and the server's URL.
#
#   tools/local-prometheus.sh start <dir> [host:port]
#       Starts both on free ports, collecting every 2 s: node_exporter as job "node", the optional
#       extra target as job "extra", and whatever target files appear as <dir>/targets/*.json
#       (Prometheus's file discovery format) as job "vantor". Returns once the first collection
#       of node_exporter has landed, prints the server's base URL and writes it to <dir>/url.
#       With LOCAL_PROMETHEUS_WATCH_PARENT=1 both are stopped when the calling process goes away
#       (CTest uses this, so a run that is killed leaves nothing behind).
#   tools/local-prometheus.sh stop <dir>
#       Stops both and removes the storage; safe to run again or without a start.
#
# Needs the Debian packages prometheus, prometheus-node-exporter and curl (tools/install-deps.sh).
set -euo pipefail

usage() {
  echo "usage: $0 start <dir> [host:port] | stop <dir>" >&2
  exit 2
}

[ $# -ge 2 ] || usage
command=$1
dir=$2
extra=${3:-}
[ -n "$dir" ] || usage
[ "$command" = start ] || [ "$command" = stop ] || usage
target_pattern='^[][A-Za-z0-9.:_-]+:[0-9]+$'
if [ -n "$extra" ] && ! [[ "$extra" =~ $target_pattern ]]; then
  echo "$0: the extra target must be host:port, not '$extra'" >&2
  exit 2
fi

mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

# Ends the process in <dir>/<name>.pid if it is still the one we started (a pid can be reused).
stop_one() {
  local name=$1 program=$2 pidfile="$dir/$1.pid" pid
  [ -f "$pidfile" ] || return 0
  pid=$(cat "$pidfile" 2>/dev/null || true)
  rm -f "$pidfile"
  [[ "$pid" =~ ^[0-9]+$ ]] || return 0
  [ "$pid" != "$$" ] || return 0
  if ! tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null | grep -qF -- "$program"; then
    return 0
  fi
  kill -TERM "$pid" 2>/dev/null || return 0
  for _ in $(seq 1 100); do
    kill -0 "$pid" 2>/dev/null || return 0
    sleep 0.1
  done
  echo "$0: $name (pid $pid) did not stop; killing it" >&2
  kill -KILL "$pid" 2>/dev/null || true
}

stop_all() {
  stop_one watchdog "local-prometheus-watchdog"
  stop_one prometheus "$dir/prometheus.yml"
  stop_one node_exporter "prometheus-node-exporter"
  rm -f "$dir/url"
  rm -rf "$dir/data"
}

if [ "$command" = stop ]; then
  stop_all
  exit 0
fi

for program in prometheus prometheus-node-exporter curl; do
  if ! command -v "$program" >/dev/null; then
    echo "$0: $program is not installed (run tools/install-deps.sh)" >&2
    exit 1
  fi
done

# A leftover pair from an earlier start in the same folder goes first.
stop_all

# A port nobody answers on. Prometheus and node_exporter refuse to start on a port taken in the
# meantime, which the start below reports.
used_ports=" "
free_port() {
  local port
  for _ in $(seq 1 200); do
    port=$((20000 + RANDOM % 40000))
    case "$used_ports" in *" $port "*) continue ;; esac
    if ! (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null; then
      used_ports="$used_ports$port "
      echo "$port"
      return 0
    fi
  done
  echo "$0: no free port found" >&2
  return 1
}

node_port=$(free_port)
used_ports=" $node_port "
prometheus_port=$(free_port)
url="http://127.0.0.1:$prometheus_port"

mkdir -p "$dir/targets" "$dir/data"
{
  echo "global:"
  echo "  scrape_interval: 2s"
  echo "  scrape_timeout: 2s"
  echo "  evaluation_interval: 2s"
  echo "scrape_configs:"
  echo "  - job_name: node"
  echo "    static_configs:"
  echo "      - targets: ['127.0.0.1:$node_port']"
  if [ -n "$extra" ]; then
    echo "  - job_name: extra"
    echo "    static_configs:"
    echo "      - targets: ['$extra']"
  fi
  echo "  - job_name: vantor"
  echo "    file_sd_configs:"
  echo "      - files: ['$dir/targets/*.json']"
  echo "        refresh_interval: 2s"
} >"$dir/prometheus.yml"

failed() {
  echo "$0: $1" >&2
  for log in node_exporter prometheus; do
    if [ -s "$dir/$log.log" ]; then
      echo "--- last lines of $dir/$log.log" >&2
      tail -n 15 "$dir/$log.log" >&2
    fi
  done
  stop_all
  exit 1
}

# Both run in sessions of their own with every stream on a file: the caller (CTest waits for the
# streams of what it started to close) returns at once and a terminal's signals do not reach them.
setsid prometheus-node-exporter --web.listen-address="127.0.0.1:$node_port" \
  </dev/null >"$dir/node_exporter.log" 2>&1 &
echo $! >"$dir/node_exporter.pid"
setsid prometheus --config.file="$dir/prometheus.yml" --storage.tsdb.path="$dir/data" \
  --web.listen-address="127.0.0.1:$prometheus_port" --storage.tsdb.retention.time=1d \
  </dev/null >"$dir/prometheus.log" 2>&1 &
echo $! >"$dir/prometheus.pid"

if [ "${LOCAL_PROMETHEUS_WATCH_PARENT:-}" = 1 ]; then
  owner=$PPID
  # The script text names this folder, which stop_one checks before it ends the watchdog.
  setsid bash -c 'while kill -0 "$1" 2>/dev/null; do sleep 2; done; exec "$2" stop "$3"' \
    local-prometheus-watchdog "$owner" "$(readlink -f "$0")" "$dir" </dev/null >/dev/null 2>&1 &
  echo $! >"$dir/watchdog.pid"
fi

# Ready once Prometheus has stored a successful collection of node_exporter.
deadline=$((SECONDS + ${LOCAL_PROMETHEUS_TIMEOUT:-120}))
query="$url/api/v1/query?query=up%7Bjob%3D%22node%22%7D"
while :; do
  for name in node_exporter prometheus; do
    kill -0 "$(cat "$dir/$name.pid")" 2>/dev/null || failed "$name exited at start"
  done
  if answer=$(curl -fsS --max-time 2 "$query" 2>/dev/null) \
    && printf '%s' "$answer" | grep -q '"value":\[[0-9.e+]*,"1"\]'; then
    break
  fi
  [ $SECONDS -lt $deadline ] || failed "no collection of node_exporter landed in time"
  sleep 0.5
done

echo "$url" >"$dir/url"
echo "$url"
