#!/usr/bin/env bash
# Checks the tree's own rules (scripts/check-tree.sh), builds everything with AddressSanitizer and UndefinedBehaviorSanitizer, runs every test offscreen,
# and builds the fuzz targets with clang and runs each briefly on its seed corpus.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/install-deps.sh

jobs=$(nproc)
export QT_QPA_PLATFORM=offscreen

cmake -S . -B build-test -DCMAKE_BUILD_TYPE=Debug -DORV_SANITIZE=ON -DORV_BUILD_TESTS=ON >/dev/null
cmake --build build-test -j "$jobs"

cmake -S . -B build-fuzz -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORV_BUILD_FUZZ=ON \
  -DCMAKE_CXX_COMPILER=clang++-14 >/dev/null
cmake --build build-fuzz -j "$jobs"

status=0
bash scripts/check-tree.sh || status=1
ctest --test-dir build-fuzz --output-on-failure || status=1
ctest --test-dir build-test --output-on-failure -j "$jobs" || status=1
exit $status
