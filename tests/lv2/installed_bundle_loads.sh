#!/usr/bin/env bash
# cmake --install puts the bundle in lib/lv2/ under the prefix, and a host
# that looks there finds the plug-in, its library and its presets: one for
# each of the 16 programs and each factory preset that the manifest lists.
#
#   installed_bundle_loads.sh BUILD_FOLDER PLUGIN_URI
set -euo pipefail
build="$1"
uri="$2"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

DESTDIR="$scratch" cmake --install "$build" --prefix /usr >/dev/null
bundle="$scratch/usr/lib/lv2/quillbeat.lv2"
info="$(LV2_PATH="$scratch/usr/lib/lv2" lv2info "$uri" 2>&1)"
# The lines under "Presets:", up to the blank line that ends the list.
presets="$(awk '/^[[:space:]]*Presets:/ {list = 1; next} list && /^[[:space:]]*$/ {list = 0} list {n++} END {print n + 0}' <<<"$info")"
listed="$(grep -c ':preset-[a-z0-9-]*>$' "$bundle/manifest.ttl" || true)"
if ! grep -q "Binary: *file://$bundle/quillbeat.so" <<<"$info" || [ "$listed" -lt 16 ] ||
  [ "$presets" -ne $((16 + listed)) ]; then
  echo "FAIL: the installed bundle in $bundle is not what a host finds ($presets presets, $listed factory presets):"
  echo "$info"
  exit 1
fi
echo "ok   $uri from lib/lv2/quillbeat.lv2, with $presets presets"
