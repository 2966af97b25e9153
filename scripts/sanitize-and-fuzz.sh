#!/usr/bin/env bash
# The robustness part of the test run, each in its own build directory:
#   build-asan/  the whole test suite under AddressSanitizer, LeakSanitizer and
#                UndefinedBehaviorSanitizer (no recovery: the first report fails)
#   build-tsan/  the concurrency test under ThreadSanitizer
#   build-fuzz/  the record fuzzer (clang, libFuzzer) for FUZZ_SECONDS seconds
#                (60 unless set), starting from the committed corpus; whatever
#                it finds is left in build-fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."

fuzz_seconds="${FUZZ_SECONDS:-60}"

section() { printf '\n== %s\n' "$*"; }

section "AddressSanitizer + UndefinedBehaviorSanitizer: whole suite"
cmake --preset asan >/dev/null
cmake --build --preset asan
ctest --preset asan

section "ThreadSanitizer: concurrency test"
cmake --preset tsan >/dev/null
cmake --build --preset tsan
ctest --preset tsan

section "libFuzzer: record fuzzer for ${fuzz_seconds} s"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz
mkdir -p build-fuzz/corpus build-fuzz/findings
corpora=(build-fuzz/corpus fuzz/corpus/record_fuzzer)
if [ -d fuzz/regressions/record_fuzzer ]; then corpora+=(fuzz/regressions/record_fuzzer); fi
# New inputs go to the first (scratch) directory; the committed ones are read.
if ! build-fuzz/fuzz/record_fuzzer -max_total_time="$fuzz_seconds" -timeout=20 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/findings/ "${corpora[@]}" 2>build-fuzz/fuzz.log; then
  tail -n 60 build-fuzz/fuzz.log
  echo "record fuzzer failed; the input is in build-fuzz/findings/." >&2
  echo "Add it to fuzz/regressions/record_fuzzer/ once fixed, so the replay test keeps it." >&2
  exit 1
fi
grep -E '^(Done|stat::number_of_executed_units|stat::new_units_added)' build-fuzz/fuzz.log || true
