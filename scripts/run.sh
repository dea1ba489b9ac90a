#!/usr/bin/env bash
# Builds the program and the controller simulator, starts the simulator on 127.0.0.1:2501 in the
# background, runs the program against it and stops the simulator when the program ends.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

cmake -S . -B build -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_TESTS=OFF >/dev/null
cmake --build build -j "$(nproc)"

./build/bin/controller-sim --bind 127.0.0.1 --port 2501 &
sim=$!
trap 'kill $sim 2>/dev/null || true; wait $sim 2>/dev/null || true' EXIT
if [[ -z "${DISPLAY:-}" && -z "${WAYLAND_DISPLAY:-}" && -z "${QT_QPA_PLATFORM:-}" ]]; then
  # A machine without a screen (a server, a container): the window opens on a virtual one.
  echo "No display is available (neither DISPLAY nor WAYLAND_DISPLAY is set): running on a virtual one (Xvfb)." >&2
  xvfb-run -a ./build/bin/OrvControlClient
else
  ./build/bin/OrvControlClient
fi
