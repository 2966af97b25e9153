#!/usr/bin/env bash
# Builds the release set into dist/, named by the version in CMakeLists.txt:
#   quillbeat_<version>_amd64.deb, quillbeat_<version>_arm64.deb
#       Debian packages: the plug-in in /usr/lib/vst, its LV2 edition in
#       /usr/lib/lv2/quillbeat.lv2 (with its window), its CLAP
#       edition in /usr/lib/clap,
#       quillbeat-render in /usr/bin with its man page, the HTML guide in
#       /usr/share/doc/quillbeat/guide, the factory presets in
#       /usr/share/quillbeat/presets; dependencies worked out by
#       dpkg-shlibdeps
#   Quillbeat-<version>-windows-x64.zip, Quillbeat-<version>-windows-x86.zip
#       the DLL and quillbeat.clap with the README, the licence, the HTML
#       guide (guide/) and the factory presets (presets/)
#   SHA256SUMS
#       the SHA-256 sum of each of them
# Each preset's build folder is configured when it is not yet, and only what
# the packages hold is built.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh release

# preset:build folder
targets=(release:build linux-arm64:build-arm64 windows:build-windows windows-x86:build-windows-x86)

rm -rf dist
mkdir -p dist
for target in "${targets[@]}"; do
  preset=${target%%:*}
  dir=${target#*:}
  if [ ! -f "$dir/build.ninja" ]; then cmake --preset "$preset" >/dev/null; fi
  built=(quillbeat quillbeat_clap quillbeat_guide quillbeat_presets)
  case $preset in windows*) ;; *) built+=(quillbeat-render quillbeat_lv2) ;; esac
  cmake --build "$dir" --target "${built[@]}"
  cpack --config "$dir/CPackConfig.cmake" -B "$PWD/dist/.cpack" >/dev/null
  produced=$(find dist/.cpack -maxdepth 1 \( -name '*.deb' -o -name '*.zip' \))
  [ -n "$produced" ] || { echo "package.sh: cpack made no package for $preset" >&2; exit 1; }
  mv $produced dist/
done
rm -rf dist/.cpack

(cd dist && sha256sum -- *.deb *.zip >SHA256SUMS)
echo "package.sh: dist/ holds"
(cd dist && ls -l -- *.deb *.zip SHA256SUMS | awk '{ printf "  %-45s %9d bytes\n", $9, $5 }')
