#!/usr/bin/env bash
# Quick start, first command: installs what building needs and is missing,
# builds everything into build/ and renders the demo through the plug-in.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh build
cmake --preset release
cmake --build --preset release

# The demo chord through the plug-in, to hear and to see.
build/quillbeat-render --waveform build/demo.png build/demo.wav
echo "build.sh: rendered the demo to build/demo.wav, its picture to build/demo.png"
