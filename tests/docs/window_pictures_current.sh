#!/usr/bin/env bash
# The guide's pictures of the window are what the drawing draws now: each
# line of docs/pictures/window/pictures.txt drawn again, compared byte for
# byte, and each shown by the guide.
#   window_pictures_current.sh DOCS_DIR EDITOR_PICTURE_TOOL
set -euo pipefail
docs=$1
tool=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

status=0
count=0
while read -r -a row; do
  if [ ${#row[@]} -eq 0 ] || [[ ${row[0]} == \#* ]]; then continue; fi
  name=${row[0]}
  count=$((count + 1))
  "$tool" "${row[@]:1}" "$scratch/$name.png"
  if ! cmp -s "$scratch/$name.png" "$docs/pictures/window/$name.png"; then
    echo "docs/pictures/window/$name.png is not what the editor draws now: run scripts/guide-pictures.sh and look at it" >&2
    status=1
  fi
  if ! grep -qF "(pictures/window/$name.png)" "$docs/guide.md"; then
    echo "docs/guide.md does not show pictures/window/$name.png" >&2
    status=1
  fi
done <"$docs/pictures/window/pictures.txt"

drawn=$(find "$docs/pictures/window" -name '*.png' | wc -l)
if [ "$drawn" -ne "$count" ]; then
  echo "docs/pictures/window holds $drawn pictures, but pictures.txt lists $count" >&2
  status=1
fi
exit $status
