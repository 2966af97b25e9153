#!/usr/bin/env bash
# The bundle's library exports lv2_descriptor and nothing else, and needs
# nothing beyond the C++ standard library and the C library under it (and,
# in a sanitized build, the sanitizers' runtimes): no window system. The
# window's library exports its own descriptor and needs Xlib too.
#
#   library_exports_only_descriptor.sh LIBRARY [DESCRIPTOR [ALSO_NEEDED]]
set -euo pipefail
library="$1"
descriptor="${2:-lv2_descriptor}"
also_needed="${3:-}"

exports="$(nm -D --defined-only "$library" | awk '{print $3}' | sort)"
needed="$(readelf -d "$library" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p' | sort)"
allowed='libstdc\+\+\.so\.6|libm\.so\.6|libgcc_s\.so\.1|libc\.so\.6|lib(a|ub|t)san\.so\.[0-9]+'
unexpected="$(grep -vxE "$allowed${also_needed:+|$also_needed}" <<<"$needed" || true)"

status=0
if [ "$exports" != "$descriptor" ]; then
  echo "FAIL: $library exports:" $exports
  status=1
fi
if [ -n "$unexpected" ]; then
  echo "FAIL: $library needs:" $unexpected
  status=1
fi
[ $status -eq 0 ] && echo "ok   exports $descriptor only; needs:" $needed
exit $status
