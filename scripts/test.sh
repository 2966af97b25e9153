#!/usr/bin/env bash
# Quick start, second command: builds what is not built yet and runs every
# test.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build/build.ninja ]; then cmake --preset release; fi
cmake --build --preset release
ctest --preset release

# The Windows DLL: cross-built, played under wine and compared with the Linux
# build byte for byte.
if [ ! -f build-windows/build.ninja ]; then cmake --preset windows; fi
cmake --build --preset windows
tests/session/windows_matches_linux.sh build build-windows

# Again under sanitizers, and the fuzzer for a minute.
scripts/sanitize-and-fuzz.sh
