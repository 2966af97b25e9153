#!/usr/bin/env bash
# Installs what a fresh Debian machine lacks for one purpose:
#   install-deps.sh build     what building needs: the plug-in, its LV2 bundle,
#                             quillbeat-render, the tests' programs and the
#                             HTML guide (the quick start's first command)
#   install-deps.sh release   build, and the cross compilers and packaging
#                             tools that scripts/package.sh needs
#   install-deps.sh test      release, and what scripts/test.sh runs the
#                             builds in and against: wine, qemu, the hosts and
#                             third-party plug-ins, the browser, the fuzzer
#                             (the default, as CI runs it)
#   install-deps.sh bench     build, and the tools of bench/cost_table.py
# Packages already present are skipped; nothing is installed from elsewhere.
set -euo pipefail

purpose=${1:-test}

build_packages=(
  cmake ninja-build g++ pkg-config
  libgtest-dev libgmock-dev libbenchmark-dev
  # quillbeat-render: sound files and waveform pictures
  libsndfile1-dev libcairo2-dev
  # the editor's drawing: stb_truetype's rasteriser, and PNG files of it for
  # the tests and the guide (header-only, nothing to install with a plug-in)
  libstb-dev
  # the LV2 edition's headers, and lilv for the host library's LV2 host
  lv2-dev liblilv-dev
  # the published CLAP headers inside dpf-source, which only the test of our
  # declarations' layout reads
  dpf-source
  # the user's guide as HTML, and the test of its tables
  pandoc python3
  # the editor's window (X11) and the window tests' synthetic input (XTest)
  libx11-dev libxtst-dev
)
release_packages=(
  # Windows x64 and x86 DLLs
  g++-mingw-w64-x86-64-win32 g++-mingw-w64-i686-win32
  # Linux arm64: the cross compiler, and the run-time libraries of
  # quillbeat-render (linked against, and read by dpkg-shlibdeps for the
  # arm64 package's dependencies; their -dev packages would pull in five
  # times as much); its generator of the LV2 Turtle runs under qemu
  g++-aarch64-linux-gnu qemu-user
  libsndfile1:arm64 libcairo2:arm64 libstdc++6:arm64
  # the Debian packages: dpkg-shlibdeps works out their dependencies, CPack
  # needs file to find the binaries, man checks the man page
  dpkg-dev file man-db
)
test_packages=(
  # the virtual display the window tests run on, and xauth, which xvfb-run
  # needs and which xvfb only recommends
  xvfb xauth
  # jalv, the LV2 host that shows the bundle's window, on a JACK server with
  # the dummy driver (in jackd2)
  jalv jackd2
  # the wines that play the Windows DLLs (wine32 needs the i386
  # architecture, added below)
  wine64 wine32:i386
  # GoogleTest's sources, built for arm64 to run the suite under qemu
  googletest
  # third-party VST 2 effects that the render tool's tests load, and effects
  # shipped as VST 2, LV2 and CLAP alike, which the host library's three
  # hosts must render alike
  dpf-plugins-vst zam-plugins
  # the fuzzers (libFuzzer) and clang's sanitizer runtimes
  clang libclang-rt-dev
  # lv2apply, and sord_validate with the schemas, to check the bundle;
  # lv2file, which applies the bundle to a file
  lilv-utils sordi lv2file
  # the browser that checks the built guide
  chromium
  # the DAW that loads the installed package, and the audio editor that
  # applies it to a file, on a virtual display; Qtractor, whose plug-in
  # scanner is the CLAP host that finds the CLAP edition
  ardour audacity xvfb qtractor
  # callgrind, which counts what the audio path and the editions' glue cost
  valgrind
)
bench_packages=(
  # bench/cost_table.py: callgrind and lackey, llvm-mca, objdump and nm
  valgrind llvm binutils python3
)

case $purpose in
  build) packages=("${build_packages[@]}") ;;
  release) packages=("${build_packages[@]}" "${release_packages[@]}") ;;
  test) packages=("${build_packages[@]}" "${release_packages[@]}" "${test_packages[@]}") ;;
  bench) packages=("${build_packages[@]}" "${bench_packages[@]}") ;;
  *) echo "install-deps: the purpose is build, release, test or bench, not '$purpose'" >&2; exit 2 ;;
esac

sudo=""
if [ "$(id -u)" -ne 0 ]; then sudo="sudo"; fi

# Packages for another architecture need it enabled first.
architectures_added=0
for arch in $(printf '%s\n' "${packages[@]}" | sed -n 's/.*:\(i386\|arm64\)$/\1/p' | sort -u); do
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
