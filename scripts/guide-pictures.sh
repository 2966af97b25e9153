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
# them; these are drawings of values). An eighth-note gate through a filter
# that opens in quarter-note triplets, in each mode; RANDOM and AUTO with
# values the effect picked; at 48 kHz, a song at 128 BPM given to the Tempo
# helper.
window=$pictures/window
editor_picture=build/tools/editor-picture/quillbeat-editor-picture
mkdir -p "$window"
rm -f "$window"/*.png
values=1,0.2,0,0,0.2333,0.6,0.15,0.3,0.05,0.1667,0,0.24
"$editor_picture" --values "$values" --mode manual --step 12 --frame 14000 "$window/window-manual.png"
"$editor_picture" --values "$values" --mode random --in-use 0.85,0.3,0.2,0.05,0.5,0.4,0.1,0.6,0.2,0.37 \
  --step 13 --frame 6000 "$window/window-random.png"
"$editor_picture" --values "$values" --mode auto --in-use 1,0.12,0,0,0.1,0.8,0.2,0.4,0.1,0.2333 \
  --step 14 --frame 30000 "$window/window-auto.png"
"$editor_picture" --values "$values" --mode manual --rate 48000 --song-tempo 128 \
  --step 3 --frame 20000 --focus song-tempo "$window/window-tempo-48k.png"
"$editor_picture" --values "$values" --thumbnail 200x60 --step 12 --frame 14000 "$window/mixer-strip.png"
echo "guide-pictures: the window's pictures in $window"
