#!/usr/bin/env bash
# Quick start, second command: builds what is not built yet and runs every
# test.
set -euo pipefail
cd "$(dirname "$0")/.."

section() { printf '\n== %s\n' "$*"; }

# configure_once PRESET FOLDER: configures the preset's folder the first time.
configure_once() { if [ ! -f "$2/build.ninja" ]; then cmake --preset "$1" >/dev/null; fi; }

section "Linux x86-64: the whole suite"
configure_once release build
cmake --build --preset release
ctest --preset release

# The Windows DLLs: cross-built, played under wine (64- and 32-bit) and
# compared with the Linux build byte for byte.
section "Windows x64 under wine"
configure_once windows build-windows
cmake --build --preset windows
tests/session/cross_build_matches_linux.sh windows

section "Windows x86 under 32-bit wine"
configure_once windows-x86 build-windows-x86
cmake --build --preset windows-x86
tests/session/cross_build_matches_linux.sh windows-x86

# Linux arm64: cross-built, the suite (but the render tool's and the guide's
# tests, which run the tool as a separate program and load x86-64 plug-ins)
# under qemu-aarch64,
# then the session and a render compared with x86-64.
section "Linux arm64 under qemu-aarch64"
configure_once linux-arm64 build-arm64
cmake --build --preset linux-arm64
ctest --preset linux-arm64
tests/session/cross_build_matches_linux.sh linux-arm64

# The release set, installed as a user would, and played by Ardour.
section "Packages"
scripts/package.sh
tests/package/check_release.sh build
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
version=$(sed -n 's/^project(Quillbeat VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --reinstall \
  "./dist/quillbeat_${version}_amd64.deb"

section "Ardour plays the installed plug-in"
tests/daw/ardour_matches_test_host.sh build
# The installed LV2 bundle in Ardour, against the VST 2 build replayed with
# Ardour's block sequence and time information.
DAW_PLUGIN_TYPE=LV2 tests/daw/ardour_matches_test_host.sh build

# Again under sanitizers, and the fuzzer for a minute.
scripts/sanitize-and-fuzz.sh
