#!/usr/bin/env bash
# Proves the Linux arm64 build against the x86-64 one: checks that the
# plug-in contains no fused multiply-add (each skips the rounding between the
# multiplication and the addition), then plays the fixed session through the
# VST 2 and the CLAP plug-in of both builds and renders a demo through both
# (the arm64 ones under qemu-aarch64), and compares what they give back byte
# for byte.
#
#   tests/session/arm64_matches_linux.sh [LINUX_BUILD_DIR] [ARM64_BUILD_DIR]
#
# Both builds must be built (the release and linux-arm64 presets).
set -uo pipefail
cd "$(dirname "$0")/../.."

linux_dir=${1:-build}
arm64_dir=${2:-build-arm64}
out="$arm64_dir/session"
mkdir -p "$out"
out=$(cd "$out" && pwd)

source tests/session/session_checks.sh

plugin="$arm64_dir/quillbeat.so"
[ -f "$plugin" ] || { echo "no $plugin: build it first"; exit 1; }

# Every fused form: scalar (fmadd, fmsub, fnmadd, fnmsub) and vector (fmla,
# fmls). Floating-point multiplications must be there to be looked at, or the
# disassembly found nothing to check.
no_fused_multiply_add() {
  local code fused
  code=$(aarch64-linux-gnu-objdump -d "$plugin") || return 1
  fused=$(grep -cwE 'fn?madd|fn?msub|fmla|fmls' <<<"$code")
  echo "  $(grep -cw fmul <<<"$code") fmul, $(grep -cw fadd <<<"$code") fadd, $fused fused"
  [ "$(grep -cw fmul <<<"$code")" -gt 0 ] && [ "$fused" -eq 0 ]
}

play_on_arm64() {
  (cd "$arm64_dir" && qemu-aarch64 tests/session/quillbeat-session ./quillbeat.so "$out/arm64" clap/quillbeat.clap) \
    >"$out/arm64.log" 2>&1 ||
    { cat "$out/arm64.log"; return 1; }
  cat "$out/arm64.log"
}

# The demo in RANDOM mode at a small odd block size, through each build's
# render tool and plug-in: file reading aside, the whole tool on arm64.
demo=(-q --seconds 3 --block 97 --param RndSw=0.5 --param Tempo=0.6)
render_on_both() {
  "$linux_dir/quillbeat-render" "${demo[@]}" "$out/linux.wav" &&
    qemu-aarch64 "$arm64_dir/quillbeat-render" "${demo[@]}" "$out/arm64.wav"
}

# The samples, from the data chunk on: the header's peak chunk holds the time
# of writing.
samples() { tail -c +"$(grep -obUa -m 1 data "$1" | head -n 1 | cut -d: -f1)" "$1"; }
same_samples() { cmp <(samples "$out/linux.wav") <(samples "$out/arm64.wav"); }

rm -f "$out"/linux.* "$out"/arm64.*
check "quillbeat.so (arm64) contains no fused multiply-add" no_fused_multiply_add
check "the session plays on Linux x86-64" play_on_linux
check "the session plays on Linux arm64 under qemu" play_on_arm64
check "texts and parameter values are byte-identical" same_bytes arm64 txt
check "audio is bit-identical" same_bytes arm64 f32
check "through the CLAP build, values and texts are byte-identical" same_bytes arm64 txt -clap
check "through the CLAP build, audio is bit-identical" same_bytes arm64 f32 -clap
check "quillbeat-render renders the demo on both" render_on_both
check "the rendered demo's samples are bit-identical" same_samples

finish "arm64"
