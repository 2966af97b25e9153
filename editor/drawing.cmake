# The editor's drawing: plain C++ and Debian's header-only stb_truetype,
# for every target, the same pixels on each.
#
# stb's folder itself is the include path, never its parent, which would
# bring the build machine's C headers into a cross-build.
set(QUILLBEAT_STB_INCLUDE_DIR /usr/include/stb CACHE PATH "The folder that holds stb_truetype.h")
if(NOT EXISTS ${QUILLBEAT_STB_INCLUDE_DIR}/stb_truetype.h)
  message(FATAL_ERROR "no stb_truetype.h in ${QUILLBEAT_STB_INCLUDE_DIR}: install libstb-dev")
endif()

# The step and its envelopes without text, the canvas's shapes and the
# outline rasteriser: what the LV2 DSP binary links for a host's mixer strip.
add_library(quillbeat_editor_thumbnail STATIC
  canvas_drawing.cpp draw_step_thumbnail.cpp step_drawing.cpp step_shape.cpp truetype.cpp)
quillbeat_include_paths(quillbeat_editor_thumbnail PUBLIC
  editor/canvas.h editor/canvas_drawing.h editor/draw_editor.h editor/editor_colours.h editor/editor_picture.h
  editor/shared_cache.h editor/shown_values.h editor/step_drawing.h editor/step_shape.h editor/step_timing.h editor/truetype.h
  effect/parameter_scales.h)
target_include_directories(quillbeat_editor_thumbnail SYSTEM PRIVATE ${QUILLBEAT_STB_INCLUDE_DIR})
# The rasteriser divides by a pixel span that rounding can make 0 where an
# edge's end lands just past a scanline's bottom; the quotient is then never
# used (the loop it steps runs no times), and IEEE division by zero is
# defined, so the sanitizers' check of it stays off for that one file.
if(CMAKE_CXX_FLAGS MATCHES "float-divide-by-zero")
  set_source_files_properties(truetype.cpp PROPERTIES COMPILE_OPTIONS -fno-sanitize=float-divide-by-zero)
endif()
target_link_libraries(quillbeat_editor_thumbnail PUBLIC quillbeat_core)

# The fonts' bytes, compiled in.
set(font_sources)
foreach(font DejaVuSans DejaVuSans-Bold)
  string(REPLACE "-" "" array_name "k${font}Subset")
  set(source ${CMAKE_CURRENT_BINARY_DIR}/font/${font}-subset.cpp)
  add_custom_command(OUTPUT ${source}
    COMMAND ${CMAKE_COMMAND} -DINPUT=${CMAKE_CURRENT_SOURCE_DIR}/font/${font}-subset.ttf -DOUTPUT=${source}
            -DNAME=${array_name} -P ${CMAKE_CURRENT_SOURCE_DIR}/font/embed_font.cmake
    DEPENDS font/${font}-subset.ttf font/embed_font.cmake
    COMMENT "Embedding font ${font}"
    VERBATIM)
  list(APPEND font_sources ${source})
endforeach()

# The whole editor's drawing: the thumbnail's, the fonts, the texts.
add_library(quillbeat_editor_drawing STATIC draw_editor.cpp editor_texts.cpp text_drawing.cpp ${font_sources})
quillbeat_include_paths(quillbeat_editor_drawing PUBLIC
  editor/changed_area.h editor/editor_layout.h editor/editor_texts.h editor/text_drawing.h)
quillbeat_include_paths(quillbeat_editor_drawing PRIVATE editor/font/embedded_fonts.h effect/display_text.h)
target_link_libraries(quillbeat_editor_drawing PUBLIC quillbeat_editor_thumbnail quillbeat_parameter_table)

# PNG files of a canvas, for the tests and the tools: no plug-in links it.
add_library(quillbeat_editor_png STATIC png_file.cpp)
quillbeat_include_paths(quillbeat_editor_png PUBLIC editor/png_file.h)
target_include_directories(quillbeat_editor_png SYSTEM PRIVATE ${QUILLBEAT_STB_INCLUDE_DIR})
target_link_libraries(quillbeat_editor_png PUBLIC quillbeat_editor_thumbnail)
