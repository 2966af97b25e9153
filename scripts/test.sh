#!/usr/bin/env bash
# Quick start, second command: builds what is not built yet and runs every
# test.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build/build.ninja ]; then
  cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLBEAT_WERROR=ON
fi
cmake --build build
ctest --test-dir build --output-on-failure
