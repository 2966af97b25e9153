#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks to build and test Quillbeat.
# Packages already present are skipped; nothing is installed from elsewhere.
set -euo pipefail

packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  # Windows x64 and x86 DLLs, and the wines that play them (wine32 needs the
  # i386 architecture, added below)
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32 wine64 wine32:i386
  # Linux arm64: the cross compiler, user-mode emulation to run what it
  # builds, GoogleTest's sources to build for it, and the run-time libraries
  # of quillbeat-render (linked against, and read by dpkg-shlibdeps for the
  # arm64 package's dependencies; their -dev packages would pull in five
  # times as much)
  g++-aarch64-linux-gnu qemu-user googletest
  libsndfile1:arm64 libcairo2:arm64 libstdc++6:arm64
  # quillbeat-render: sound files, waveform pictures, and third-party VST 2
  # effects that its tests load
  libsndfile1-dev libcairo2-dev dpf-plugins-vst
  # the record fuzzer (libFuzzer) and clang's sanitizer runtimes
  clang libclang-rt-dev
  # the CLAP edition: the published CLAP headers inside dpf-source, which
  # only the test of our declarations' layout reads
  dpf-source
  # the LV2 edition: its headers; lilv for our test host; lv2apply, and
  # sord_validate with the schemas, to check the bundle
  lv2-dev liblilv-dev lilv-utils sordi
  # scripts/guide-pictures.sh and its test: the guide's tables
  python3
  # the user's guide as HTML, and the browser that checks the page
  pandoc chromium
  # the Debian packages: dpkg-shlibdeps works out their dependencies, CPack
  # needs file to find the binaries, man checks the man page
  dpkg-dev file man-db
  # the DAW that loads the installed package in the tests
  ardour
  # the audio editor that applies the installed package to a file in the
  # tests, and the virtual display it runs on; lv2file, which applies the LV2
  # bundle to a file
  audacity xvfb lv2file
  # bench/cost_table.py: callgrind and lackey, llvm-mca, objdump and nm
  valgrind llvm binutils
)

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# Packages for another architecture need it enabled first.
architectures_added=0
for arch in i386 arm64; do
  if ! dpkg --print-foreign-architectures | grep -qx "$arch"; then
    echo "install-deps: enabling the $arch architecture"
    $sudo dpkg --add-architecture "$arch"
    architectures_added=1
  fi
done

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done

if [ ${#missing[@]} -eq 0 ] && [ $architectures_added -eq 0 ]; then
  echo "install-deps: everything is installed"
  exit 0
fi

apt_get=($sudo apt-get -o DPkg::Lock::Timeout=900)
"${apt_get[@]}" update -qq
if [ ${#missing[@]} -gt 0 ]; then
  echo "install-deps: installing ${missing[*]}"
  DEBIAN_FRONTEND=noninteractive "${apt_get[@]}" install -y -qq --no-install-recommends "${missing[@]}"
fi
