#!/usr/bin/env bash
# Installs whatever is missing, builds Vantor and starts the settings app, which starts the
# menu bar agent.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/install-deps.sh
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DVANTOR_BUILD_TESTS=OFF -DVANTOR_BUILD_BENCH=OFF
cmake --build build-release -j "$(nproc)"

app=build-release/Vantor.app/Contents/MacOS/Vantor
command=("$app")
# The two programs talk over the session bus; a bare root shell may not have one.
if [ -z "${DBUS_SESSION_BUS_ADDRESS:-}" ]; then
  command=(dbus-run-session -- "${command[@]}")
fi
# Without a desktop there is nothing to draw on: run on a virtual display instead.
if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
  echo "No display found; starting Vantor on a virtual X display (xvfb-run)." >&2
  command=(xvfb-run -a -s "-screen 0 1440x900x24" "${command[@]}")
fi
exec "${command[@]}"
