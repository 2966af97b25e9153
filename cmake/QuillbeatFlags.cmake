# Compiler settings for every target of the project.
#
# The audio path is specified to the last bit: double-precision arithmetic in
# a fixed order, rounded to float where stored. The compiler must not fuse a
# multiply and an add (that skips a rounding) nor reorder anything, so
# contraction is off and fast-math never on.
# GCC contracts by default where the processor has fused instructions (arm64
# does); -ffp-contract=off holds on every target.
add_compile_options(-ffp-contract=off -fno-fast-math)
# 32-bit x86 would compute on the x87 unit, whose registers carry excess
# precision; SSE2 rounds every operation to its type, as on x86-64 and arm64.
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(i[3-6]86|x86)$")
  add_compile_options(-msse2 -mfpmath=sse)
endif()

add_compile_options(-Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Wcast-align -Wunused)
if(QUILLBEAT_WERROR)
  add_compile_options(-Werror)
endif()

set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
