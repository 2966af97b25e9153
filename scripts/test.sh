#!/usr/bin/env bash
# Quick start, second command: installs what the tests need and is missing,
# builds what is not built yet and runs every test. Each stage first says
# what it proves.
set -euo pipefail
cd "$(dirname "$0")/.."

# stage TITLE CLAIM: a stage's banner, with the claim it proves.
stage() { printf '\n== %s\n   %s\n' "$1" "$2"; }

# configure_once PRESET FOLDER: configures the preset's folder the first time.
configure_once() { if [ ! -f "$2/build.ninja" ]; then cmake --preset "$1" >/dev/null; fi; }

scripts/install-deps.sh test

stage "Linux x86-64: the whole suite" \
  "The plug-in, its LV2 bundle and CLAP edition (found by Qtractor's scanner), the render tool and the guide do what they say, through the plug-ins' own interfaces."
configure_once release build
cmake --build --preset release
# The window tests open plug-ins' windows on a virtual display of their own.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --preset release

stage "Windows x64 under wine" \
  "The 64-bit Windows DLL and .clap export, import and compute as they should, play the fixed session byte for byte as Linux x86-64 does, and the CLAP window shows the Linux drawing pixel for pixel and hears clicks and keys."
configure_once windows build-windows
cmake --build --preset windows
tests/session/cross_build_matches_linux.sh windows

stage "Windows x86 under 32-bit wine" \
  "The 32-bit Windows DLL is cdecl, computes nothing on the x87 unit, plays the fixed session byte for byte as Linux x86-64 does, and its CLAP window is the Linux one pixel for pixel."
configure_once windows-x86 build-windows-x86
cmake --build --preset windows-x86
tests/session/cross_build_matches_linux.sh windows-x86

# The render tool's and the guide's tests run the tool as a separate program
# and load x86-64 plug-ins, so they run natively only.
stage "Linux arm64 under qemu-aarch64" \
  "The arm64 build passes the suite, its CLAP and LV2 windows among it, holds no fused multiply-add, and plays the session and a render bit for bit as x86-64 does."
configure_once linux-arm64 build-arm64
cmake --build --preset linux-arm64
# The arm64 windows on a virtual display of the build machine's.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --preset linux-arm64
tests/session/cross_build_matches_linux.sh linux-arm64

# This stage installs the amd64 package on this machine with apt, as a user
# would: the DAW stages after it play the installed plug-in.
stage "Packages, and the amd64 package installed on this machine (sudo apt-get install --reinstall)" \
  "The four packages carry the plug-ins, the tool, the guide and the presets for their platform, and the .deb installs."
scripts/package.sh
tests/package/check_release.sh build
sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
version=$(sed -n 's/^project(Quillbeat VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
DEBIAN_FRONTEND=noninteractive $sudo apt-get -o DPkg::Lock::Timeout=900 install -y -qq --reinstall \
  "./dist/quillbeat_${version}_amd64.deb"

stage "Qtractor finds the installed CLAP plug-in" \
  "Qtractor's plug-in scanner, a CLAP host, loads /usr/lib/clap/quillbeat.clap from the installed package and lists Quillbeat with 2 audio inputs, 2 outputs and 12 parameters."
tests/clap/qtractor_finds_plugin.sh /usr/lib/clap/quillbeat.clap

stage "Ardour plays the installed plug-in" \
  "Headless Ardour's export through the installed VST 2 plug-in and LV2 bundle equals our replay of Ardour's own block sequence, bit for bit."
tests/daw/ardour_matches_test_host.sh build
DAW_PLUGIN_TYPE=LV2 tests/daw/ardour_matches_test_host.sh build

stage "Audacity applies the installed plug-in to a file" \
  "Audacity's export through either edition equals its recorded block sequence replayed by our host and quillbeat-render at its block size, and differs when a value differs or nothing is applied."
tests/daw/audacity_matches_render.sh build

stage "Sanitizers and fuzzing" \
  "The suite runs clean under AddressSanitizer and UndefinedBehaviorSanitizer, the concurrency test under ThreadSanitizer, and the fuzzers find nothing."
scripts/sanitize-and-fuzz.sh
