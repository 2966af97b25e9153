# Shared by the scripts that prove a cross-built target against the Linux
# x86-64 build: counted checks, the fixed session played on Linux, and the
# byte comparison of two players' output. Sourced, not run; the sourcing
# script sets `out` (its output folder) and `linux_dir` first.

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

# Writes $out/linux.txt and $out/linux.f32, and $out/linux-clap.txt and .f32
# through the CLAP build.
play_on_linux() {
  (cd "$linux_dir" && tests/session/quillbeat-session ./quillbeat.so "$out/linux" clap/quillbeat.clap) \
    >"$out/linux.log" 2>&1 ||
    { cat "$out/linux.log"; return 1; }
  cat "$out/linux.log"
}

# same_bytes OTHER EXTENSION [SUFFIX]: $out/linux[SUFFIX].EXT against
# $out/OTHER[SUFFIX].EXT.
same_bytes() {
  cmp "$out/linux${3:-}.$2" "$out/$1${3:-}.$2" || {
    [ "$2" = txt ] && diff "$out/linux${3:-}.txt" "$out/$1${3:-}.txt" | head -n 20
    return 1
  }
}

# Ends the script with the count, failing when any check failed.
finish() {
  echo "$1: $passed passed, $failed failed"
  [ "$failed" -eq 0 ]
}
