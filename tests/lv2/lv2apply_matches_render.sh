#!/usr/bin/env bash
# Debian's lv2apply renders a file through the LV2 bundle; it offers the
# plug-in no features and no transport, and runs one frame per call. So the
# effect runs on its own clock, and its output must equal, byte for byte,
# quillbeat-render's without time information at one frame per block.
#
#   lv2apply_matches_render.sh QUILLBEAT_RENDER LV2_PATH PLUGIN_URI
set -euo pipefail
render="$1"
export LV2_PATH="$2"
uri="$3"

scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# The input: the demo chord through the effect with its envelopes held open,
# so the signal moves in every sample.
"$render" -q --seconds 3 --param RndSw=0 "$scratch/input.wav"

# The samples of a WAV file: its data chunk on. (The headers differ: each
# holds the second its file was written.)
samples() { tail -c +"$(($(grep -obUa -m1 data "$1" | head -1 | cut -d: -f1) + 1))" "$1"; }

failures=0
# Each case: the controls as NAME=VALUE, the same names for both tools.
cases=(
  ""
  "RndSw=0 vnotes=0.5 vD1=0.3 vS=0.4 fA=0.6 fnotes=0.2 Tempo=0.5"
  "RndSw=0.5 Tempo=0.7"
  "RndSw=1 Tempo=1"
)
for settings in "${cases[@]}"; do
  render_args=() apply_args=()
  for setting in $settings; do
    render_args+=(--param "$setting")
    apply_args+=(-c "${setting%%=*}" "${setting#*=}")
  done
  "$render" -q --no-time-info --block 1 "${render_args[@]}" "$scratch/input.wav" "$scratch/vst2.wav"
  lv2apply -i "$scratch/input.wav" -o "$scratch/lv2.wav" "${apply_args[@]}" "$uri"
  # Both write 32-bit float WAV, the input's format; a pass-through would
  # prove nothing.
  if ! cmp -s <(samples "$scratch/vst2.wav") <(samples "$scratch/lv2.wav"); then
    echo "FAIL [${settings:-defaults}]: lv2apply and quillbeat-render differ:" \
      "$(cmp <(samples "$scratch/vst2.wav") <(samples "$scratch/lv2.wav") || true)"
    failures=$((failures + 1))
  elif cmp -s <(samples "$scratch/input.wav") <(samples "$scratch/lv2.wav"); then
    echo "FAIL [${settings:-defaults}]: the output is the input"
    failures=$((failures + 1))
  else
    echo "ok   [${settings:-defaults}]"
  fi
done
exit $((failures > 0))
