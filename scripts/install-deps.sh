#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test Quillbeat.
# Packages already present are skipped; nothing is installed from elsewhere.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-x86-64-win32 wine64
  # quillbeat-render: sound files, waveform pictures, and third-party VST 2
  # effects that its tests load
  libsndfile1-dev libcairo2-dev dpf-plugins-vst
  # the record fuzzer (libFuzzer) and clang's sanitizer runtimes
  clang libclang-rt-dev
  # scripts/guide-pictures.sh: the guide's tempo table
  python3
  # bench/cost_table.py: callgrind and lackey, llvm-mca, objdump and nm
  valgrind llvm binutils
)

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi
echo "install-deps: installing ${missing[*]}"
$sudo apt-get update -qq
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
