#!/usr/bin/env bash
# jalv, Debian's LV2 host with windows, plays the bundle on a JACK server of
# its own (the dummy driver, no sound card) on the X display: it must choose
# the bundle's own window ("UI: <ui-uri>"), the window must show a picture
# at the editor's size, and a drag on a control's handle must move that
# control, as jalv's print of the plug-in's values in use shows. Every
# process it starts is ended; without a display it skips (77).
#
#   jalv_shows_window.sh LV2_PATH PLUGIN_URI UI_URI WINDOW_PROBE
set -uo pipefail
lv2_path=$1 plugin_uri=$2 ui_uri=$3 probe=$4

if [ -z "${DISPLAY:-}" ]; then
  echo "SKIP: no DISPLAY: the window tests run under Xvfb (scripts/test.sh)"
  exit 77
fi
for program in jackd jack_wait jalv.gtk3; do
  command -v $program >/dev/null || { echo "SKIP: no $program (scripts/install-deps.sh test)"; exit 77; }
done

work=$(mktemp -d)
server=quillbeat-jalv-$$
jackd_pid="" jalv_pid=""
finish() {
  [ -n "$jalv_pid" ] && kill "$jalv_pid" 2>/dev/null && wait "$jalv_pid" 2>/dev/null
  [ -n "$jackd_pid" ] && kill "$jackd_pid" 2>/dev/null && wait "$jackd_pid" 2>/dev/null
  rm -rf "$work"
}
trap finish EXIT
fail() {
  echo "FAIL: $*"
  echo "--- jalv's output:"
  cat "$work/jalv.log" 2>/dev/null | head -40
  exit 1
}

export JACK_DEFAULT_SERVER=$server
jackd --no-realtime -n "$server" -d dummy -r 44100 -p 512 >"$work/jackd.log" 2>&1 &
jackd_pid=$!
jack_wait --wait --timeout 10 >/dev/null || { cat "$work/jackd.log"; fail "the JACK server did not start"; }

# MANUAL, so that the values in use are the controls' and move with them.
LV2_PATH=$lv2_path timeout 60 jalv.gtk3 --print-controls --control RndSw=0 "$plugin_uri" >"$work/jalv.log" 2>&1 &
jalv_pid=$!

"$probe" 20 >"$work/probe.log" || { cat "$work/probe.log"; fail "no picture of the window's size"; }
cat "$work/probe.log"
chosen=$(sed -n 's/^UI: *//p' "$work/jalv.log")
[ "$chosen" = "$ui_uri" ] || fail "jalv chose the UI '$chosen', not $ui_uri"
echo "ok   jalv chose $chosen"

"$probe" 20 drag vD1 30 || fail "the drag did not happen"
# vD1 starts at 0: a drag upwards puts a value above it in use.
for _ in $(seq 50); do
  moved=$(grep -E '^vD1_in_use = ' "$work/jalv.log" | awk '$3 > 0 { print $3; exit }')
  [ -n "$moved" ] && break
  sleep 0.1
done
[ -n "$moved" ] || fail "vD1 in use did not move"
echo "ok   the drag moved vD1 in use to $moved"
