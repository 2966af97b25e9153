#!/usr/bin/env bash
# Proves the Windows DLL against the Linux build: checks what the DLL exports
# and imports, checks that the plug-in's own code calls nothing whose result
# differs between C runtimes, then plays the fixed session through both builds
# (the Windows one under wine) and compares what they give back byte for byte.
#
#   tests/session/windows_matches_linux.sh [LINUX_BUILD_DIR] [WINDOWS_BUILD_DIR]
#
# Both builds must be built (the release and windows presets).
set -uo pipefail
cd "$(dirname "$0")/../.."

linux_dir=${1:-build}
windows_dir=${2:-build-windows}
out="$windows_dir/session"
mkdir -p "$out"
out=$(cd "$out" && pwd)

passed=0
failed=0
check() {
  local name=$1
  shift
  if "$@"; then
    passed=$((passed + 1))
    echo "ok: $name"
  else
    failed=$((failed + 1))
    echo "FAILED: $name"
  fi
}

dll="$windows_dir/Quillbeat.dll"
objdump=x86_64-w64-mingw32-objdump
mingw_nm=x86_64-w64-mingw32-nm
"$objdump" -p "$dll" >"$out/dll-headers.txt"

# ---- the DLL's interface -------------------------------------------------

exports_exactly_the_entry_names() {
  local names
  names=$(sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' "$out/dll-headers.txt" |
    sed -n 's/^\s*\[ *[0-9]*\] //p' | sort | tr '\n' ' ')
  [ "$names" = "VSTPluginMain main " ] || { echo "  exports: $names"; return 1; }
}

# System DLLs only: the compiler's runtime is linked in.
imports_only_system_dlls() {
  local dlls others
  dlls=$(sed -n 's/^\s*DLL Name: //p' "$out/dll-headers.txt")
  echo "  imports from: $(echo $dlls)"
  others=$(echo "$dlls" | grep -viE '^(KERNEL32|msvcrt|ucrtbase|api-ms-win-.*)\.dll$')
  [ -z "$others" ] || { echo "  not a system DLL: $others"; return 1; }
}

# The runtime's start-up code calls DllMain by its C name; a C++-named one
# would be passed over for the runtime's default.
records_the_module_handle_in_our_dllmain() {
  local symbols
  symbols=$("$mingw_nm" "$dll")
  [ "$(grep -c ' T DllMain$' <<<"$symbols")" = 1 ] &&
    ! grep -q '_Z.*DllMain' <<<"$symbols" &&
    grep -q ' libraryModuleHandle$' <<<"$symbols"
}

# Functions whose results or texts differ between C runtimes: formatted
# printing and parsing, and the transcendental functions, which no runtime
# rounds correctly. fmod, floor and trunc are exact and may stay.
runtime_dependent='printf|scanf|strto[dfl]|^(__imp_)?ato[fil]$|_M_insertI[def]E|^(__imp_)?(pow|exp|exp2|exp10|expm1|log|log10|log2|log1p|sin|cos|tan|sincos|asin|acos|atan|atan2|sinh|cosh|tanh|asinh|acosh|atanh|cbrt|hypot|erf|erfc|lgamma|tgamma)[fl]?$'

# Every function the plug-in's own objects call, in both builds.
plugin_code_calls_nothing_runtime_dependent() {
  local calls
  calls=$({
    "$mingw_nm" -u "$windows_dir"/host/*.a "$windows_dir"/effect/*.a "$windows_dir"/CMakeFiles/quillbeat.dir/host/*.obj
    nm -u "$linux_dir"/host/*.a "$linux_dir"/effect/*.a "$linux_dir"/CMakeFiles/quillbeat.dir/host/*.o
  } 2>/dev/null | awk 'NF == 2 && $1 == "U" { print $2 }' | sort -u)
  [ -n "$calls" ] || { echo "  no object files found"; return 1; }
  local bad
  bad=$(grep -E "$runtime_dependent" <<<"$calls")
  [ -z "$bad" ] || { echo "  calls: $(echo $bad)"; return 1; }
}

dll_imports_nothing_runtime_dependent() {
  local bad
  bad=$(awk '/DLL Name:/ { inside = 1; next } inside && NF == 3 && $1 ~ /^[0-9a-f]+$/ && $2 ~ /^[0-9]+$/ { print $3 }' \
    "$out/dll-headers.txt" | grep -E "$runtime_dependent" | grep -vx vfprintf)
  # vfprintf: the start-up code's report of a failed relocation, never
  # reached by the plug-in.
  [ -z "$bad" ] || { echo "  imports: $(echo $bad)"; return 1; }
}

check "Quillbeat.dll exports exactly VSTPluginMain and main" exports_exactly_the_entry_names
check "Quillbeat.dll imports only system DLLs" imports_only_system_dlls
check "Quillbeat.dll has our DllMain" records_the_module_handle_in_our_dllmain
check "the plug-in's code calls no runtime-dependent formatting or maths" plugin_code_calls_nothing_runtime_dependent
check "Quillbeat.dll imports no runtime-dependent function" dll_imports_nothing_runtime_dependent

# ---- the session, on both builds ----------------------------------------

play_on_linux() {
  (cd "$linux_dir" && tests/session/quillbeat-session ./quillbeat.so "$out/linux") >"$out/linux.log" 2>&1 ||
    { cat "$out/linux.log"; return 1; }
  cat "$out/linux.log"
}

wine=$(command -v /usr/lib/wine/wine64 wine64 wine | head -n 1)
wineserver=$(command -v /usr/lib/wine/wineserver64 wineserver | head -n 1)
export WINEPREFIX="$out/wine-prefix" WINEDEBUG=-all WINEARCH=win64
# No Mono or Gecko prompts, no display: nothing here needs them.
export WINEDLLOVERRIDES="mscoree,mshtml="
unset DISPLAY

play_under_wine() {
  [ -n "$wine" ] || { echo "  wine is not installed"; return 1; }
  local fresh="" start end
  [ -d "$WINEPREFIX" ] || fresh=" (first start, fresh prefix)"
  start=$(date +%s%N)
  (cd "$windows_dir" && "$wine" tests/session/quillbeat-session.exe '.\Quillbeat.dll' 'session\windows') \
    >"$out/windows.log" 2>&1
  local status=$?
  end=$(date +%s%N)
  echo "  wine run: $(((end - start) / 1000000)) ms$fresh"
  grep -v '^wine: ' "$out/windows.log" | tr -d '\r'
  [ $status -eq 0 ] || { cat "$out/windows.log"; return 1; }
}

same_bytes() {
  cmp "$out/linux.$1" "$out/windows.$1" || {
    [ "$1" = txt ] && diff "$out/linux.txt" "$out/windows.txt" | head -n 20
    return 1
  }
}

rm -f "$out"/linux.* "$out"/windows.*
check "the session plays on Linux" play_on_linux
check "the session plays on Windows under wine" play_under_wine
check "texts and parameter values are byte-identical" same_bytes txt
check "audio is bit-identical" same_bytes f32
[ -z "$wineserver" ] || "$wineserver" -k 2>/dev/null

echo "windows: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
