# Compiler settings for every target of the project.
#
# The audio path is specified to the last bit: double-precision arithmetic in
# a fixed order, rounded to float where stored. The compiler must not fuse a
# multiply and an add (that skips a rounding) nor reorder anything, so
# contraction is off and fast-math never on.
add_compile_options(-ffp-contract=off -fno-fast-math)
# (Every target is x86-64, whose SSE arithmetic has no excess precision.)

add_compile_options(-Wall -Wextra -Wpedantic -Wnon-virtual-dtor -Wcast-align -Wunused)
if(QUILLBEAT_WERROR)
  add_compile_options(-Werror)
endif()

set(CMAKE_CXX_VISIBILITY_PRESET hidden)
set(CMAKE_VISIBILITY_INLINES_HIDDEN ON)
