#!/usr/bin/env bash
# The robustness part of the test run, each in its own build directory:
#   build-asan/  the whole test suite under AddressSanitizer, LeakSanitizer and
#                UndefinedBehaviorSanitizer (no recovery: the first report
#                fails), the windows' tests on a virtual display
#   build-tsan/  the concurrency test under ThreadSanitizer
#   build-fuzz/  the record fuzzer, the LV2 message fuzzer and the CLAP
#                fuzzer (clang, libFuzzer), each for FUZZ_SECONDS seconds (60
#                unless set), starting from the committed corpus; whatever
#                they find is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds="${FUZZ_SECONDS:-60}"

section() { printf '\n== %s\n' "$*"; }

section "AddressSanitizer + UndefinedBehaviorSanitizer: whole suite"
cmake --preset asan >/dev/null
cmake --build --preset asan
# On a virtual display, so the windows' tests run sanitized too.
xvfb-run -a -s "-screen 0 1280x1024x24 -noreset" ctest --preset asan

section "ThreadSanitizer: concurrency test"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan

# Each fuzzer starts from its committed seeds and regressions; new inputs go
# to its scratch corpus in build-fuzz/, what it finds to build-fuzz/findings/.
fuzz() {
  local name="$1"
  section "libFuzzer: ${name} for ${fuzz_seconds} s"
  mkdir -p "build-fuzz/corpus/${name}" build-fuzz/findings
  local corpora=("build-fuzz/corpus/${name}" "fuzz/corpus/${name}")
  if [ -d "fuzz/regressions/${name}" ]; then corpora+=("fuzz/regressions/${name}"); fi
  if ! "build-fuzz/fuzz/${name}" -max_total_time="$fuzz_seconds" -timeout=20 -print_final_stats=1 \
      -artifact_prefix=build-fuzz/findings/ "${corpora[@]}" 2>"build-fuzz/${name}.log"; then
    tail -n 60 "build-fuzz/${name}.log"
    echo "${name} failed; the input is in build-fuzz/findings/." >&2
    echo "Add it to fuzz/regressions/${name}/ once fixed, so the replay test keeps it." >&2
    exit 1
  fi
  grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)|DONE' "build-fuzz/${name}.log" || true
}

cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
fuzz record_fuzzer
fuzz lv2_message_fuzzer
fuzz clap_fuzzer
