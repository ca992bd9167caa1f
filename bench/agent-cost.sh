#!/usr/bin/env bash
# The agent's own cost beside `top -b -d 1` in the same window: processor time per second of wall
# time, resident memory and open descriptors, first with the meters only and then with the cpu
# panel held open. A floor runs in the same window: bench/floor's Qt program that does nothing but
# repaint one small window once a second, i.e. what the toolkit and the X server take for any
# meter that changes every second. Runs on a private X server (Xvfb + openbox),
# a private session bus and throwaway settings, so it needs no desktop and touches none.
#
#   bench/agent-cost.sh [seconds per phase, default 60] [extra idle processes, default 0]
#
# AGENT_COST_AGENT names another agent program (a copy of an older build, for a comparison).
# Needs a built tree (tools/test.sh or tools/run.sh) and xvfb, openbox, xdotool, x11-utils.
set -euo pipefail
cd "$(dirname "$0")/.."

seconds=${1:-60}
extra=${2:-0}
agent=${AGENT_COST_AGENT:-build/Vantor.app/Contents/Library/LoginItems/VantorAgent.app/Contents/MacOS/VantorAgent}
floor=build/bench/qt_floor
[ -x "$agent" ] || { echo "agent-cost: build the tree first ($agent is missing)" >&2; exit 1; }
[ -x "$floor" ] || { echo "agent-cost: build the benchmarks first ($floor is missing)" >&2; exit 1; }
for tool in Xvfb openbox xdotool xwininfo dbus-run-session top; do
  command -v "$tool" >/dev/null || { echo "agent-cost: $tool is missing (tools/install-deps.sh)" >&2; exit 1; }
done

if [ -z "${AGENT_COST_INNER:-}" ]; then
  scratch=$(mktemp -d)
  trap 'kill $(jobs -p) 2>/dev/null || true; rm -rf "$scratch"' EXIT
  mkdir -p "$scratch/config" "$scratch/state" "$scratch/runtime"
  chmod 700 "$scratch/runtime"
  # Xvfb picks a free display itself and names it once it accepts clients.
  Xvfb -displayfd 3 -screen 0 1920x1080x24 -nolisten tcp 3>"$scratch/display" >/dev/null 2>&1 &
  for _ in $(seq 100); do [ -s "$scratch/display" ] && break; sleep 0.1; done
  display=:$(head -n 1 "$scratch/display")
  export XDG_CONFIG_HOME="$scratch/config" XDG_STATE_HOME="$scratch/state" XDG_RUNTIME_DIR="$scratch/runtime"
  export DISPLAY=$display AGENT_COST_INNER=1 QT_QPA_PLATFORM=xcb VANTOR_MENU_BAR_MODE=bar
  unset WAYLAND_DISPLAY
  # Not exec: the X server and the scratch folder are ended and removed when this shell exits.
  dbus-run-session -- bash "$0" "$seconds" "$extra"
  exit
fi

openbox >/dev/null 2>&1 &
sleep 1

# Idle processes, so the scan has as many to read as a busy desktop.
sleepers=()
for ((i = 0; i < extra; i++)); do
  sleep 100000 &
  sleepers+=($!)
done

"$agent" >/dev/null 2>&1 &
agent_pid=$!
top -b -d 1 >/dev/null &
top_pid=$!
"$floor" >/dev/null 2>&1 &
floor_pid=$!
# Start-up (fonts, the first samples, icon lookups) is not the steady cost.
sleep 20

# Processor time of a process in nanoseconds: the scheduler's run time of each of its threads
# (finer than the clock ticks of /proc/<pid>/stat, which are 10 ms here), plus the ticks of
# children it has reaped.
cpu_ns() {
  local threads children
  threads=$(cat /proc/"$1"/task/*/schedstat 2>/dev/null | awk '{ sum += $1 } END { printf "%.0f", sum }')
  children=$(sed 's/.*) //' "/proc/$1/stat" | awk -v hz="$(getconf CLK_TCK)" '{ printf "%.0f", ($14 + $15) * 1e9 / hz }')
  echo $((threads + children))
}
rss_kb() { awk '/^VmRSS:/ { print $2 }' "/proc/$1/status"; }
descriptors() { find "/proc/$1/fd" -mindepth 1 -maxdepth 1 2>/dev/null | wc -l; }

measure() {
  local label=$1 a0 t0 f0 a1 t1 f1 start end
  a0=$(cpu_ns "$agent_pid")
  t0=$(cpu_ns "$top_pid")
  f0=$(cpu_ns "$floor_pid")
  start=$(date +%s.%N)
  sleep "$seconds"
  a1=$(cpu_ns "$agent_pid")
  t1=$(cpu_ns "$top_pid")
  f1=$(cpu_ns "$floor_pid")
  end=$(date +%s.%N)
  awk -v label="$label" -v a="$((a1 - a0))" -v t="$((t1 - t0))" -v f="$((f1 - f0))" -v wall="$start $end" \
    -v rss="$(rss_kb "$agent_pid")" -v fds="$(descriptors "$agent_pid")" -v procs="$(ls -d /proc/[0-9]* | wc -l)" \
    'BEGIN {
       split(wall, w, " "); wall = w[2] - w[1]
       agent = a / 1e6 / wall; top = t / 1e6 / wall; floor = f / 1e6 / wall
       printf "%-16s agent %5.2f ms/s  top -b -d 1 %5.2f ms/s  ratio %4.2f  Qt floor %5.2f ms/s  RSS %6d kB  descriptors %4d  processes %5d\n",
         label, agent, top, (top > 0 ? agent / top : 0), floor, rss, fds, procs
     }'
}

measure "meters only"

# The cpu meter is the rightmost of the agent's bar items in the default order.
cpu_window=""
best_x=-1
for window in $(xdotool search --all --onlyvisible --pid "$agent_pid" 2>/dev/null); do
  geometry=$(xwininfo -id "$window" | awk '/Absolute upper-left X/ { x = $4 } /Width/ { w = $2 } /Height/ { h = $2 } END { print x, w, h }')
  read -r x w h <<<"$geometry"
  if [ "$h" -le 40 ] && [ "$w" -le 200 ] && [ "$x" -gt "$best_x" ]; then
    best_x=$x
    cpu_window=$window
  fi
done
if [ -z "$cpu_window" ]; then
  echo "agent-cost: the agent's bar items were not found" >&2
else
  xdotool mousemove --window "$cpu_window" 10 10 click 1
  sleep 10
  measure "cpu panel open"
fi

# Everything started here ends here (the window manager too).
kill $(jobs -p) 2>/dev/null || true
wait 2>/dev/null || true
