#!/usr/bin/env bash
# Debian's lv2apply and lv2file render a file through the LV2 bundle with no
# transport: lv2apply offers the plug-in no features and runs one frame per
# call, lv2file runs blocks of its -b size. So the effect runs on its own
# clock, and each output must equal, byte for byte, quillbeat-render's
# without time information at the same block size.
#
#   lv2_tools_match_render.sh QUILLBEAT_RENDER LV2_PATH PLUGIN_URI
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
# Each case: the tool, its block size (lv2apply's is always 1) and the
# controls as NAME=VALUE, the same names for both tools.
cases=(
  "lv2apply 1    "
  "lv2apply 1    RndSw=0 vnotes=0.5 vD1=0.3 vS=0.4 fA=0.6 fnotes=0.2 Tempo=0.5"
  "lv2apply 1    RndSw=0.5 Tempo=0.7"
  "lv2apply 1    RndSw=1 Tempo=1"
  "lv2file  512  "
  "lv2file  64   RndSw=0 vnotes=0.5 vD1=0.3 vS=0.4 fA=0.6 fnotes=0.2 Tempo=0.5"
  "lv2file  1000 RndSw=0.5 Tempo=0.7"
  "lv2file  8192 RndSw=1 vD2=0.7 Tempo=1"
)
for entry in "${cases[@]}"; do
  read -r tool block settings <<<"$entry"
  render_args=() tool_args=()
  for setting in $settings; do
    render_args+=(--param "$setting")
    if [ "$tool" = lv2apply ]; then
      tool_args+=(-c "${setting%%=*}" "${setting#*=}")
    else
      tool_args+=(-p "${setting%%=*}:${setting#*=}")
    fi
  done
  [ "$tool" = lv2file ] && tool_args+=(-b "$block" --ignore-clipping)
  label="$tool -b $block ${settings:-defaults}"
  "$render" -q --no-time-info --block "$block" "${render_args[@]}" "$scratch/input.wav" "$scratch/vst2.wav"
  "$tool" -i "$scratch/input.wav" -o "$scratch/lv2.wav" "${tool_args[@]}" "$uri" >/dev/null
  # All write 32-bit float WAV, the input's format; a pass-through would
  # prove nothing.
  if ! cmp -s <(samples "$scratch/vst2.wav") <(samples "$scratch/lv2.wav"); then
    echo "FAIL [$label]: $tool and quillbeat-render differ:" \
      "$(cmp <(samples "$scratch/vst2.wav") <(samples "$scratch/lv2.wav") || true)"
    failures=$((failures + 1))
  elif cmp -s <(samples "$scratch/input.wav") <(samples "$scratch/lv2.wav"); then
    echo "FAIL [$label]: the output is the input"
    failures=$((failures + 1))
  else
    echo "ok   [$label]"
  fi
done
exit $((failures > 0))
