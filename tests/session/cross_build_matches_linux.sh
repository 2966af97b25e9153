#!/usr/bin/env bash
# Proves a cross-built plug-in against the Linux x86-64 build, then plays the
# fixed session through both builds, the VST 2 and the CLAP plug-in of each,
# and compares what they give back byte for byte.
#   windows, windows-x86  the DLL and the .clap, x64 or x86: what they export
#                         and import, that the plug-in's own code calls
#                         nothing whose result differs between C runtimes
#                         (and, on x86, computes nothing on the x87 unit);
#                         the session, the editor's pictures and the CLAP
#                         window (on an Xvfb display) under wine, 64- or
#                         32-bit
#   linux-arm64           no fused multiply-add in the plug-in and the LV2
#                         window's library (each skips
#                         the rounding between the multiplication and the
#                         addition); the session, a rendered demo and the
#                         editor's pictures under qemu-aarch64
#
#   tests/session/cross_build_matches_linux.sh PRESET [LINUX_BUILD_DIR] [PRESET_BUILD_DIR]
#
# Both builds must be built (the release preset, and PRESET).
set -uo pipefail
cd "$(dirname "$0")/../.."

usage="usage: $0 windows|windows-x86|linux-arm64 [LINUX_BUILD_DIR] [PRESET_BUILD_DIR]"
preset=${1:?$usage}
linux_dir=${2:-build}
case $preset in
  windows) target_dir=${3:-build-windows} ;;
  windows-x86) target_dir=${3:-build-windows-x86} ;;
  linux-arm64) target_dir=${3:-build-arm64} ;;
  *) echo "$usage"; exit 2 ;;
esac
out="$target_dir/session"
mkdir -p "$out"
out=$(cd "$out" && pwd)

source tests/session/session_checks.sh

# The editor's drawing, in RANDOM at 48 kHz at a scale between whole pixels,
# and the mixer strip's thumbnail: drawn by each build's picture tool (RUN
# runs the target's program: wine, qemu), they must be the same bytes.
editor_picture=tools/editor-picture/quillbeat-editor-picture
editor=(--mode random --in-use 0.8,0.3,0.2,0.05,0.5,0.4,0.1,0.6,0.2,0.37 --rate 48000 --scale 1.5
        --step 7 --frame 12000 --focus vD1 --typed 0.2 --song-tempo 128 --notice longest-step)
same_editor_pictures() {
  local run=$1 program=$2 size
  for size in "" "--thumbnail 200x60"; do
    "$linux_dir/$editor_picture" "${editor[@]}" $size "$out/linux-editor.png" &&
      (cd "$target_dir" && $run "$program" "${editor[@]}" $size session/target-editor.png) >/dev/null 2>&1 &&
      cmp "$out/linux-editor.png" "$out/target-editor.png" || return 1
  done
}

if [ "$preset" != linux-arm64 ]; then
  dll="$target_dir/Quillbeat.dll"
  [ -f "$dll" ] || { echo "no $dll: build it first"; exit 1; }
  # The DLL's own header says which of the two it is. On x86, C names carry a
  # leading underscore and DllMain, a stdcall function, its argument size.
  if objdump -f "$dll" | grep -q 'file format pei-i386'; then
    arch=x86 mingw=i686-w64-mingw32 c=_ dllmain=_DllMain@12
    wine=$(command -v /usr/lib/wine/wine wine | head -n 1)
    wineserver=$(command -v /usr/lib/wine/wineserver32 wineserver | head -n 1)
    export WINEARCH=win32
  else
    arch=x64 mingw=x86_64-w64-mingw32 c= dllmain=DllMain
    wine=$(command -v /usr/lib/wine/wine64 wine64 wine | head -n 1)
    wineserver=$(command -v /usr/lib/wine/wineserver64 wineserver | head -n 1)
    export WINEARCH=win64
  fi
  objdump=$mingw-objdump
  mingw_nm=$mingw-nm
  "$objdump" -p "$dll" >"$out/dll-headers.txt"
  clap="$target_dir/clap/quillbeat.clap"
  "$objdump" -p "$clap" >"$out/clap-headers.txt"

  # ---- the DLL's interface -------------------------------------------------

  exports_exactly_the_entry_names() {
    local names
    names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$out/dll-headers.txt" |
      sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
    [ "$names" = "VSTPluginMain main " ] || { echo "  exports: $names"; return 1; }
  }

  # System DLLs only: the compiler's runtime is linked in. The .clap's window
  # adds Windows' own user32 and gdi32, and nothing else.
  #   imports_only_system_dlls HEADERS [EXTRA_DLLS_PATTERN]
  imports_only_system_dlls() {
    local dlls others
    dlls=$(sed -n 's/^\s*DLL Name: //p' "$1")
    echo "  imports from: $(echo $dlls)"
    others=$(echo "$dlls" | grep -viE "^(KERNEL32|msvcrt|ucrtbase|api-ms-win-.*${2:+|$2})\.dll\$")
    [ -z "$others" ] || { echo "  not a system DLL: $others"; return 1; }
  }

  clap_exports_only_its_entry() {
    local names
    names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$out/clap-headers.txt" |
      sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
    [ "$names" = "clap_entry " ] || { echo "  exports: $names"; return 1; }
  }

  # The runtime's start-up code calls DllMain by its C name; a C++-named one
  # would be passed over for the runtime's default.
  records_the_module_handle_in_our_dllmain() {
    local symbols
    symbols=$("$mingw_nm" "$dll")
    [ "$(grep -c " T $dllmain\$" <<<"$symbols")" = 1 ] &&
      ! grep -q '_Z.*DllMain' <<<"$symbols" &&
      grep -q " ${c}libraryModuleHandle\$" <<<"$symbols"
  }

  # cdecl, the convention of the interface: the caller removes the argument, so
  # the entry returns with a plain `ret`; a stdcall one would be `ret $0x4`.
  entry_is_cdecl() {
    local returns
    returns=$("$objdump" -d "$dll" | awk '/^[0-9a-f]+ <_VSTPluginMain>:/ { inside = 1; next } inside && /^$/ { exit }
      inside && /\tret/ { print }')
    [ -n "$returns" ] || { echo "  no return found in _VSTPluginMain"; return 1; }
    ! grep -q 'ret *\$' <<<"$returns" || { echo "  $returns"; return 1; }
  }

  # The x87 unit computes in extended precision: none of its arithmetic in the
#   windows, windows-x86  the DLL and the .clap, x64 or x86: what they export
#                         and import, that the plug-in's own code calls
#                         nothing whose result differs between C runtimes
#                         (and, on x86, computes nothing on the x87 unit);
#                         the session, the editor's pictures and the CLAP
#                         window (on an Xvfb display) under wine, 64- or
#                         32-bit
#   linux-arm64           no fused multiply-add in the plug-in and the LV2
#                         window's library (each skips
  plugin_code_computes_nothing_on_x87() {
    local used
    used=$("$objdump" -d "$target_dir"/host/*.a "$target_dir"/effect/*.a \
      "$target_dir"/CMakeFiles/quillbeat.dir/host/*.obj |
      awk -F'\t' 'NF >= 3 { split($3, word, " "); print word[1] }' | grep -E '^f' | sort -u)
    local computing
    computing=$(grep -vxE 'fld[slz1]?|fst[psl]*|fxch|ffreep|fcmovn?(b|e|be|u)' <<<"$used")
    [ -z "$computing" ] || { echo "  x87 instructions: $(echo $computing)"; return 1; }
  }

  # Functions whose results or texts differ between C runtimes: formatted
  # printing and parsing, and the transcendental functions, which no runtime
  # rounds correctly. fmod, floor and trunc are exact and may stay.
  runtime_dependent='printf|scanf|strto[dfl]|^(__imp_)?ato[fil]$|_M_insertI[def]E|^(__imp_)?(pow|exp|exp2|exp10|expm1|log|log10|log2|log1p|sin|cos|tan|sincos|asin|acos|atan|atan2|sinh|cosh|tanh|asinh|acosh|atanh|cbrt|hypot|erf|erfc|lgamma|tgamma)[fl]?$'

  # Every function the plug-in's own objects call, in both builds, and the
  # editor's, which draws the same pixels everywhere.
  plugin_code_calls_nothing_runtime_dependent() {
    local calls
    calls=$({
      "$mingw_nm" -u "$target_dir"/host/*.a "$target_dir"/effect/*.a "$target_dir"/editor/*.a \
        "$target_dir"/CMakeFiles/quillbeat.dir/host/*.obj
      nm -u "$linux_dir"/host/*.a "$linux_dir"/effect/*.a "$linux_dir"/editor/*.a \
        "$linux_dir"/CMakeFiles/quillbeat.dir/host/*.o
    } 2>/dev/null | awk 'NF == 2 && $1 == "U" { print $2 }' | sort -u)
    [ -n "$calls" ] || { echo "  no object files found"; return 1; }
    local bad
    bad=$(grep -E "$runtime_dependent" <<<"$calls")
    [ -z "$bad" ] || { echo "  calls: $(echo $bad)"; return 1; }
  }

  dll_imports_nothing_runtime_dependent() {
    local bad
    bad=$(awk '/DLL Name:/ { inside = 1; next } inside && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }' \
      "$out/dll-headers.txt" | grep -E "$runtime_dependent" | grep -vxE 'vfprintf|atoi')
    # vfprintf: the start-up code's report of a failed relocation, never
    # reached by the plug-in. atoi: the x86 runtime's code-page lookup reads
    # the number in the locale's name; whole numbers parse alike everywhere.
    [ -z "$bad" ] || { echo "  imports: $(echo $bad)"; return 1; }
  }

  check "Quillbeat.dll exports exactly VSTPluginMain and main" exports_exactly_the_entry_names
  check "Quillbeat.dll imports only system DLLs" imports_only_system_dlls "$out/dll-headers.txt"
  check "quillbeat.clap exports exactly clap_entry" clap_exports_only_its_entry
  check "quillbeat.clap imports only system DLLs, its window user32 and gdi32" \
    imports_only_system_dlls "$out/clap-headers.txt" 'USER32|GDI32'
  check "Quillbeat.dll has our DllMain" records_the_module_handle_in_our_dllmain
  if [ "$arch" = x86 ]; then
    check "VSTPluginMain is cdecl" entry_is_cdecl
    check "the plug-in's code computes nothing on the x87 unit" plugin_code_computes_nothing_on_x87
  fi
  check "the plug-in's code calls no runtime-dependent formatting or maths" plugin_code_calls_nothing_runtime_dependent
  check "Quillbeat.dll imports no runtime-dependent function" dll_imports_nothing_runtime_dependent

  # ---- the session, on both builds ----------------------------------------

  export WINEPREFIX="$out/wine-prefix" WINEDEBUG=-all
  # No Mono or Gecko prompts, no display: nothing here needs them.
  export WINEDLLOVERRIDES="mscoree,mshtml="
  unset DISPLAY

  play_under_wine() {
    [ -n "$wine" ] || { echo "  wine is not installed"; return 1; }
    local fresh="" start end
    [ -d "$WINEPREFIX" ] || fresh=" (first start, fresh prefix)"
    start=$(date +%s%N)
    (cd "$target_dir" &&
      "$wine" tests/session/quillbeat-session.exe '.\Quillbeat.dll' 'session\windows' 'clap\quillbeat.clap') \
      >"$out/windows.log" 2>&1
    local status=$?
    end=$(date +%s%N)
    echo "  wine run: $(((end - start) / 1000000)) ms$fresh"
    grep -v '^wine: ' "$out/windows.log" | tr -d '\r'
    [ $status -eq 0 ] || { cat "$out/windows.log"; return 1; }
  }

  rm -f "$out"/linux.* "$out"/windows.*
  check "the session plays on Linux" play_on_linux
  check "the session plays on Windows $arch under wine" play_under_wine
  check "texts and parameter values are byte-identical" same_bytes windows txt
  check "audio is bit-identical" same_bytes windows f32
  check "through the CLAP build, values and texts are byte-identical" same_bytes windows txt -clap
  check "through the CLAP build, audio is bit-identical" same_bytes windows f32 -clap
  check "the editor's pictures are byte-identical" same_editor_pictures "$wine" "$editor_picture.exe"

  # ---- the CLAP window, on a virtual display ------------------------------

  # The probe opens quillbeat.clap's window through the host library under
  # wine, on an Xvfb display of its own, and checks it (its own "ok:" lines);
  # its captures, at scale 1 and after a DPI change at 1.5, are then compared
  # with the Linux build's drawing of the same values.
  window_under_wine() {
    local start end status
    [ -n "$wine" ] || { echo "  wine is not installed"; return 1; }
    rm -rf "$out/window" && mkdir -p "$out/window"
    # The wine server of the session's run knows no display: a fresh one.
    [ -z "$wineserver" ] || "$wineserver" -k 2>/dev/null
    start=$(date +%s%N)
    (cd "$target_dir" && DISPLAY= xvfb-run -a -s "-screen 0 1600x1200x24" \
      "$wine" tests/window/win32/quillbeat-window-probe.exe 'clap\quillbeat.clap' 'session\window') \
      >"$out/window.log" 2>&1
    status=$?
    end=$(date +%s%N)
    grep -E '^(ok|FAILED|window probe)' "$out/window.log" | tr -d '\r' | sed 's/^/  /'
    echo "  window stage: $(((end - start) / 1000000)) ms"
    [ $status -eq 0 ] || { tr -d '\r' <"$out/window.log" | grep -vE '^(ok|FAILED|window probe)' | tail -n 20; return 1; }
  }

  captures_match_linux_drawing() {
    local scale
    for scale in 1 1.5; do
      "$linux_dir/$editor_picture" --scale "$scale" "$out/window/linux-scale-$scale.png" &&
        cmp "$out/window/capture-scale-$scale.png" "$out/window/linux-scale-$scale.png" || return 1
    done
  }

  check "the CLAP window opens, looks, hears keys and clicks, and closes under wine ($arch)" window_under_wine
  check "the window's captures are byte-identical to the Linux build's drawing" captures_match_linux_drawing
  [ -z "$wineserver" ] || "$wineserver" -k 2>/dev/null

  finish "windows $arch"
else
  plugin="$target_dir/quillbeat.so"
  [ -f "$plugin" ] || { echo "no $plugin: build it first"; exit 1; }

  # Every fused form: scalar (fmadd, fmsub, fnmadd, fnmsub) and vector (fmla,
  # fmls). Floating-point multiplications must be there to be looked at, or the
  # disassembly found nothing to check.
  no_fused_multiply_add() {
    local code fused
    code=$(aarch64-linux-gnu-objdump -d "$1") || return 1
    fused=$(grep -cwE 'fn?madd|fn?msub|fmla|fmls' <<<"$code")
    echo "  $(grep -cw fmul <<<"$code") fmul, $(grep -cw fadd <<<"$code") fadd, $fused fused"
    [ "$(grep -cw fmul <<<"$code")" -gt 0 ] && [ "$fused" -eq 0 ]
  }

  play_on_arm64() {
    (cd "$target_dir" &&
      qemu-aarch64 tests/session/quillbeat-session ./quillbeat.so "$out/arm64" clap/quillbeat.clap) \
      >"$out/arm64.log" 2>&1 ||
      { cat "$out/arm64.log"; return 1; }
    cat "$out/arm64.log"
  }

  # The demo in RANDOM mode at a small odd block size, through each build's
  # render tool and plug-in: file reading aside, the whole tool on arm64.
  demo=(-q --seconds 3 --block 97 --param RndSw=0.5 --param Tempo=0.6)
  render_on_both() {
    "$linux_dir/quillbeat-render" "${demo[@]}" "$out/linux.wav" &&
      qemu-aarch64 "$target_dir/quillbeat-render" "${demo[@]}" "$out/arm64.wav"
  }

  # The samples, from the data chunk on: the header's peak chunk holds the time
  # of writing.
  samples() { tail -c +"$(grep -obUa -m 1 data "$1" | head -n 1 | cut -d: -f1)" "$1"; }
  same_samples() { cmp <(samples "$out/linux.wav") <(samples "$out/arm64.wav"); }

  rm -f "$out"/linux.* "$out"/arm64.*
  check "quillbeat.so (arm64) contains no fused multiply-add" no_fused_multiply_add "$plugin"
  check "the LV2 window's library (arm64) contains no fused multiply-add" no_fused_multiply_add \
    "$target_dir/lv2-bundles/quillbeat.lv2/quillbeat_ui.so"
  check "the session plays on Linux x86-64" play_on_linux
  check "the session plays on Linux arm64 under qemu" play_on_arm64
  check "texts and parameter values are byte-identical" same_bytes arm64 txt
  check "audio is bit-identical" same_bytes arm64 f32
  check "through the CLAP build, values and texts are byte-identical" same_bytes arm64 txt -clap
  check "through the CLAP build, audio is bit-identical" same_bytes arm64 f32 -clap
  check "quillbeat-render renders the demo on both" render_on_both
  check "the rendered demo's samples are bit-identical" same_samples
  check "the editor's pictures are byte-identical" same_editor_pictures qemu-aarch64 "$editor_picture"

  finish "arm64"
fi
