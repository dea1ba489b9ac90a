#!/usr/bin/env bash
# Builds the screenshot tool and writes the README's pictures into docs/, offscreen.
# BUILD_DIR picks another build folder (default: build, the one scripts/run.sh uses).
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

build=${BUILD_DIR:-build}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DORV_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j "$(nproc)" --target screenshots
QT_QPA_PLATFORM=offscreen "./$build/bin/screenshots" docs
