#!/usr/bin/env bash
# Ardour, headless, finds the installed plug-in in the system's plug-in folder
# by its name, plays a test signal through it with a few parameters set and
# exports the result; the same block sequence, recorded inside Ardour by a
# probe plug-in after the one under test, is then replayed through the
# plug-in by our own host and the two must agree bit for bit.
#
#   tests/daw/ardour_matches_test_host.sh [BUILD_DIR]
#
# BUILD_DIR (default build) holds the probes and the replay. The plug-in under
# test is chosen by the environment, so another format can be checked the
# same way:
#   DAW_PLUGIN        the name Ardour lists it by (default Quillbeat)
#   DAW_PLUGIN_TYPE   LXVST (default) or LV2
#   DAW_PLUGIN_FILE   the VST 2 file the replay loads (default
#                     /usr/lib/vst/quillbeat.so); when the plug-in under test
#                     is a VST 2 too, Ardour's scanner indexes this file and
#                     Ardour looks for it in its folder
#   DAW_PARAMETERS    "index=value" pairs set in both (default below)
set -uo pipefail
cd "$(dirname "$0")/../.."

build=${1:-build}
source tests/support/fresh_folder.sh
work=$(fresh_folder "$build/daw-test") || exit 1
probes=$(cd "$build/tests/daw/probes" && pwd) || { echo "no probes in $build: build it first"; exit 1; }
replay="$build/tests/daw/quillbeat-daw-replay"

export DAW_PLUGIN=${DAW_PLUGIN:-Quillbeat}
export DAW_PLUGIN_TYPE=${DAW_PLUGIN_TYPE:-LXVST}
plugin_file=${DAW_PLUGIN_FILE:-/usr/lib/vst/quillbeat.so}
# Quillbeat in RANDOM mode (RndSw) at another Tempo, with decays and a trigger
# count of its own (vD1, vnotes, fD1): every part of the audio path at work.
export DAW_PARAMETERS=${DAW_PARAMETERS:-"1=0.5 4=0.5 6=0.5 10=0.5 11=0.5"}
export DAW_RATE=48000 DAW_BLOCK=1024
# Four seconds from one second in, so the transport moves before it rolls.
export DAW_RANGE_START=48000 DAW_RANGE_END=240000

[ -f "$plugin_file" ] || { echo "FAILED: $plugin_file is not installed"; exit 1; }

# Ardour's settings, caches and sessions stay inside the work folder.
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_CACHE_HOME="$work/home/.cache"
mkdir -p "$XDG_CONFIG_HOME/ardour7/export"
cp tests/daw/float-wav.preset "$XDG_CONFIG_HOME/ardour7/export/"
# Where Ardour looks for VST 2 plug-ins: the system folder and the probes.
export LXVST_PATH="$(dirname "$plugin_file"):$probes"

# Ardour lists only plug-ins its scanner has indexed; scan ours ahead.
scanner=/usr/lib/ardour7/ardour-vst-scanner
vst_files=("$probes"/*.so)
[ "$DAW_PLUGIN_TYPE" = LXVST ] && vst_files+=("$plugin_file")
# Ardour takes a cache entry only when it is newer than the plug-in file, to
# the second: a file changed this very second waits for the next.
newest=$(stat -c %Y "${vst_files[@]}" | sort -n | tail -n 1)
while [ "$(date +%s)" -le "$newest" ]; do sleep 0.2; done
if ! LD_LIBRARY_PATH=/usr/lib/ardour7 "$scanner" -q -f "${vst_files[@]}" >"$work/scan.log" 2>&1; then
  cat "$work/scan.log"
  echo "FAILED: Ardour's scanner refused a plug-in"
  exit 1
fi

# An export now and then fails in Ardour for no reason of ours (a heap error
# at its start, seen with this plug-in's builds of before and after the
# core, two runs in five on a machine that has run Ardour many times): up to
# five attempts, each in a fresh session.
export QUILLBEAT_BLOCK_LOG="$work/blocks.log"
exported=""
for attempt in 1 2 3 4 5; do
  export DAW_SESSION_DIR="$work/session-$attempt" DAW_EXPORT_DIR="$work/export-$attempt"
  mkdir -p "$DAW_EXPORT_DIR"
  rm -f "$QUILLBEAT_BLOCK_LOG"
  start=$(date +%s)
  timeout 300 ardour7-lua tests/daw/export_through_plugin.lua >"$work/ardour-$attempt.log" 2>&1
  status=$?
  echo "ardour7-lua, attempt $attempt: status $status after $(($(date +%s) - start)) s"
  if [ $status -eq 0 ] && [ -s "$DAW_EXPORT_DIR/export.wav" ] && [ -s "$QUILLBEAT_BLOCK_LOG" ]; then
    exported="$DAW_EXPORT_DIR/export.wav"
    break
  fi
  grep -v '^\s*$' "$work/ardour-$attempt.log" | tail -n 15
done
[ -n "$exported" ] || { echo "FAILED: Ardour exported nothing in five attempts"; exit 1; }

# shellcheck disable=SC2086
if "$replay" "$plugin_file" "$QUILLBEAT_BLOCK_LOG" "$exported" "$DAW_RANGE_START" $DAW_PARAMETERS; then
  echo "ok: Ardour's export through $DAW_PLUGIN matches our host's replay bit for bit"
else
  echo "FAILED: Ardour's export through $DAW_PLUGIN differs from our host's replay"
  exit 1
fi
