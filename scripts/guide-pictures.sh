#!/usr/bin/env bash
# Draws every picture of docs/guide.md again with the built tool, records a
# hash of the audio behind each one (the guide_pictures_test compares them)
# and writes the guide's tempo table. The pictures' settings are the lines of
# docs/pictures/pictures.txt. Run it after a change that alters what a
# picture shows, look at the pictures, check the guide's words, commit.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ ! -f build/build.ninja ]; then cmake --preset release; fi
cmake --build --preset release --target quillbeat-render guide-audio

pictures=docs/pictures
tool=build/quillbeat-render
audio=build/tools/guide-audio/guide-audio
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

# Every picture from scratch, so none outlives its line.
rm -f "$pictures"/*.png
while read -r -a row; do
  if [ ${#row[@]} -eq 0 ] || [[ ${row[0]} == \#* ]]; then continue; fi
  name=${row[0]}
  "$audio" input "${row[1]}" "${row[2]}" "$scratch/input.wav"
  "$tool" --quiet "${row[@]:3}" --waveform "$pictures/$name.png" "$scratch/input.wav" "$scratch/$name.wav" </dev/null
  printf '%s  %s\n' "$("$audio" hash "$scratch/$name.wav")" "$name" >>"$scratch/hashes"
  echo "guide-pictures: $pictures/$name.png"
done <"$pictures/pictures.txt"
mv "$scratch/hashes" "$pictures/audio-hashes.txt"

python3 scripts/guide_tempo_table.py "$tool" docs/guide.md
echo "guide-pictures: the tempo table in docs/guide.md"
