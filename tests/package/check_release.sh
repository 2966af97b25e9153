#!/usr/bin/env bash
# Checks what scripts/package.sh left in dist/, and `cmake --install` of the
# Linux build into a staging folder:
#   - every artifact named by the one version in CMakeLists.txt, and its
#     SHA-256 sum listed and right
#   - each Debian package for its architecture, with the plug-in in
#     /usr/lib/vst, the LV2 bundle in /usr/lib/lv2, the CLAP edition in
#     /usr/lib/clap, the tool and its man page,
#     binaries for that processor and
#     the tool's libraries among the worked-out dependencies
#   - each zip with the DLL and quillbeat.clap for its processor, the README
#     and the licence
#   - in every package the HTML guide with each of its pictures, and the
#     factory presets: the same files as the Linux build wrote
#   - the install rules honouring DESTDIR, and the installed tool finding the
#     installed plug-in without being told
#
#   tests/package/check_release.sh [LINUX_BUILD_DIR]
set -uo pipefail
cd "$(dirname "$0")/../.."

linux_dir=${1:-build}
source tests/support/fresh_folder.sh
out=$(fresh_folder "$linux_dir/package-check") || exit 1

source tests/session/session_checks.sh

version=$(sed -n 's/^project(Quillbeat VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
debs=("quillbeat_${version}_amd64.deb" "quillbeat_${version}_arm64.deb")
zips=("Quillbeat-${version}-windows-x64.zip" "Quillbeat-${version}-windows-x86.zip")

all_artifacts_summed() {
  [ -n "$version" ] || { echo "  no version in CMakeLists.txt"; return 1; }
  local listed expected
  listed=$(awk '{ print $2 }' dist/SHA256SUMS | sort | tr '\n' ' ')
  expected=$(printf '%s\n' "${debs[@]}" "${zips[@]}" | sort | tr '\n' ' ')
  [ "$listed" = "$expected" ] || { echo "  listed: $listed"; echo "  expected: $expected"; return 1; }
  (cd dist && sha256sum --quiet -c SHA256SUMS)
}

# The guide's pictures, as docs/guide.md names them.
guide_pictures=$(grep -o '(pictures/[^)]*\.png)' docs/guide.md | tr -d '()' | sort -u)

# carries_guide FOLDER: FOLDER/guide.html and every picture the guide names
# in FOLDER/pictures/, each as built from the sources.
carries_guide() {
  [ -f "$1/guide.html" ] || { echo "  missing: ${1#"$out"/}/guide.html"; return 1; }
  grep -q '<h1[^>]*>Quillbeat user' "$1/guide.html" || { echo "  ${1#"$out"/}/guide.html is not the guide"; return 1; }
  local picture
  for picture in $guide_pictures; do
    cmp -s "docs/$picture" "$1/$picture" || { echo "  missing or not the source's: ${1#"$out"/}/$picture"; return 1; }
  done
}

# The factory presets as the Linux build wrote them; the .debs carry them in
# /usr/share/quillbeat/presets/, the zips in presets/.
presets=$(cd "$linux_dir/factory-presets" 2>/dev/null && ls -- *.fxp 2>/dev/null)

# carries_presets FOLDER: the build's preset files in FOLDER, all of them and
# no others, byte for byte.
carries_presets() {
  [ "$(wc -w <<<"$presets")" -ge 16 ] || { echo "  $linux_dir/factory-presets holds: $presets"; return 1; }
  local found name
  found=$(cd "$1" 2>/dev/null && ls -- *.fxp 2>/dev/null)
  [ "$found" = "$presets" ] || { echo "  presets in ${1#"$out"/}: $found"; return 1; }
  for name in $presets; do
    cmp -s "$1/$name" "$linux_dir/factory-presets/$name" || { echo "  ${1#"$out"/}/$name differs"; return 1; }
  done
}

# The LV2 bundle's files, under the prefix, and its window's library.
lv2_bundle=(lib/lv2/quillbeat.lv2/{quillbeat.so,manifest.ttl,quillbeat.ttl,presets.ttl})
lv2_window=lib/lv2/quillbeat.lv2/quillbeat_ui.so

# deb_is DEB ARCH ELF-MACHINE: the LV2 bundle's window among the binaries and
# Xlib among the dependencies too.
deb_is() {
  local deb=dist/$1 tree="$out/${2}-deb"
  local field
  for field in "Architecture $2" "Version $version" "Package quillbeat"; do
    [ "$(dpkg-deb -f "$deb" "${field% *}")" = "${field#* }" ] ||
      { echo "  ${field% *}: $(dpkg-deb -f "$deb" "${field% *}")"; return 1; }
  done
  dpkg-deb -x "$deb" "$tree" || return 1
  local file
  for file in usr/lib/vst/quillbeat.so usr/lib/clap/quillbeat.clap usr/bin/quillbeat-render \
    usr/share/man/man1/quillbeat-render.1 usr/share/doc/quillbeat/LICENSE "${lv2_bundle[@]/#/usr/}" "usr/$lv2_window"; do
    [ -f "$tree/$file" ] || { echo "  missing: /$file"; return 1; }
  done
  for file in usr/lib/vst/quillbeat.so usr/lib/lv2/quillbeat.lv2/quillbeat.so "usr/$lv2_window" \
    usr/lib/clap/quillbeat.clap usr/bin/quillbeat-render; do
    file -b "$tree/$file" | grep -q "ELF 64-bit LSB .*, $3," || { echo "  /$file: $(file -b "$tree/$file")"; return 1; }
  done
  local depends
  depends=$(dpkg-deb -f "$deb" Depends)
  echo "  Depends: $depends"
  grep -q 'libsndfile1 (>= ' <<<"$depends" && grep -q 'libcairo2 (>= ' <<<"$depends" &&
    grep -q 'libstdc++6 (>= ' <<<"$depends" || return 1
  grep -qE '(^|, )libx11-6( |,|$)' <<<"$depends" || { echo "  no libx11-6 among the dependencies"; return 1; }
  carries_guide "$tree/usr/share/doc/quillbeat/guide" && carries_presets "$tree/usr/share/quillbeat/presets"
}

# zip_is ZIP PE-FORMAT
zip_is() {
  local tree="$out/${1%.zip}"
  (cd "$out" && cmake -E tar xf "$OLDPWD/dist/$1") || return 1
  local file
  for file in Quillbeat.dll quillbeat.clap README.md LICENSE; do
    [ -f "$tree/$file" ] || { echo "  missing: $file"; return 1; }
  done
  for file in Quillbeat.dll quillbeat.clap; do
    objdump -f "$tree/$file" | grep -q "file format $2\$" ||
      { echo "  $file: $(objdump -f "$tree/$file" | grep 'file format')"; return 1; }
  done
  carries_guide "$tree/guide" && carries_presets "$tree/presets"
}

installs_into_destdir() {
  DESTDIR="$out/stage" cmake --install "$linux_dir" --prefix /opt/quillbeat >/dev/null || return 1
  local file
  for file in lib/vst/quillbeat.so lib/clap/quillbeat.clap bin/quillbeat-render share/man/man1/quillbeat-render.1 \
    "${lv2_bundle[@]}" "$lv2_window"; do
    [ -f "$out/stage/opt/quillbeat/$file" ] || { echo "  missing: /opt/quillbeat/$file"; return 1; }
  done
  [ ! -e /opt/quillbeat ] || { echo "  /opt/quillbeat exists outside DESTDIR"; return 1; }
  carries_guide "$out/stage/opt/quillbeat/share/doc/quillbeat/guide" &&
    carries_presets "$out/stage/opt/quillbeat/share/quillbeat/presets"
}

installed_tool_finds_installed_plugin() {
  local info
  info=$(cd "$out" && "$out/stage/opt/quillbeat/bin/quillbeat-render" --info) || return 1
  grep -q 'Quillbeat' <<<"$info"
}

man_page_renders() {
  local warnings
  warnings=$(man --warnings -l "$out/stage/opt/quillbeat/share/man/man1/quillbeat-render.1" 2>&1 >/dev/null)
  [ -z "$warnings" ] || { echo "$warnings"; return 1; }
}

check "every artifact is named by version $version and summed" all_artifacts_summed
check "the amd64 package" deb_is "${debs[0]}" amd64 x86-64
check "the arm64 package" deb_is "${debs[1]}" arm64 "ARM aarch64"
check "the Windows x64 zip" zip_is "${zips[0]}" pei-x86-64
check "the Windows x86 zip" zip_is "${zips[1]}" pei-i386
check "cmake --install honours DESTDIR" installs_into_destdir
check "the installed tool finds the installed plug-in" installed_tool_finds_installed_plugin
check "the man page renders without warnings" man_page_renders

finish "release"
