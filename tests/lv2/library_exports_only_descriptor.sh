#!/usr/bin/env bash
# The bundle's library exports lv2_descriptor and nothing else, and needs
# nothing beyond the C++ standard library and the C library under it (and,
# in a sanitized build, the sanitizers' runtimes).
#
#   library_exports_only_descriptor.sh LIBRARY
set -euo pipefail
library="$1"

exports="$(nm -D --defined-only "$library" | awk '{print $3}' | sort)"
needed="$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort)"
unexpected="$(grep -vxE 'libstdc\+\+\.so\.6|libm\.so\.6|libgcc_s\.so\.1|libc\.so\.6|lib(a|ub|t)san\.so\.[0-9]+' <<<"$needed" || true)"

status=0
if [ "$exports" != "lv2_descriptor" ]; then
  echo "FAIL: $library exports:" $exports
  status=1
fi
if [ -n "$unexpected" ]; then
  echo "FAIL: $library needs:" $unexpected
  status=1
fi
[ $status -eq 0 ] && echo "ok   exports lv2_descriptor only; needs:" $needed
exit $status
