#!/usr/bin/env bash
# Quick start, first command: installs what is missing, builds everything into
# build/ and renders the demo through the plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=Release -DQUILLBEAT_WERROR=ON
cmake --build build
