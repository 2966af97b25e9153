#!/usr/bin/env bash
# Draws every picture of docs/guide.md again with the built tool, records a
# hash of the audio behind each one (the guide_pictures_test compares them)
# and writes the guide's tables that the plug-in tells (scripts/guide_tables.py;
# the guide_tables_current test compares them) and its gallery of the factory
# presets. The pictures' settings are the lines of docs/pictures/pictures.txt,
# and one line per factory preset that guide-audio prints. Run it after a
# change that alters what a picture shows, look at the pictures, check the
# guide's words, commit.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build/build.ninja ]; then cmake --preset release; fi
cmake --build --preset release --target quillbeat-render guide-audio guide-facts quillbeat_presets \
  quillbeat-editor-picture

pictures=docs/pictures
tool=build/quillbeat-render
audio=build/tools/guide-audio/guide-audio
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# draw NAME SECONDS RATE OPTIONS...: one line of pictures.txt.
draw() {
  local name=$1
  "$audio" input "$2" "$3" "$scratch/input.wav"
  "$tool" --quiet "${@:4}" --waveform "$pictures/$name.png" "$scratch/input.wav" "$scratch/$name.wav" </dev/null
  printf '%s  %s\n' "$("$audio" hash "$scratch/$name.wav")" "$name" >>"$scratch/hashes"
  echo "guide-pictures: $pictures/$name.png"
}

# Every picture from scratch, so none outlives its line.
rm -f "$pictures"/*.png
while read -r -a row; do
  if [ ${#row[@]} -eq 0 ] || [[ ${row[0]} == \#* ]]; then continue; fi
  draw "${row[@]}"
done <"$pictures/pictures.txt"
gallery=$("$audio" presets build/factory-presets)
while read -r -a row; do
  draw "${row[@]}"
done <<<"$gallery"
mv "$scratch/hashes" "$pictures/audio-hashes.txt"

"$audio" gallery docs/guide.md
echo "guide-pictures: the preset gallery in docs/guide.md"

python3 scripts/guide_tables.py "$tool" build/tools/guide-facts/guide-facts docs/guide.md
echo "guide-pictures: the tables in docs/guide.md"

# The window, drawn as the LV2 and CLAP editions show it, into a folder of
# its own (the pictures above are each checked against the audio behind
# them; these are drawings of values, listed in window/pictures.txt).
window=$pictures/window
editor_picture=build/tools/editor-picture/quillbeat-editor-picture
rm -f "$window"/*.png
while read -r -a row; do
  if [ ${#row[@]} -eq 0 ] || [[ ${row[0]} == \#* ]]; then continue; fi
  "$editor_picture" "${row[@]:1}" "$window/${row[0]}.png"
done <"$window/pictures.txt"
echo "guide-pictures: the window's pictures in $window"
