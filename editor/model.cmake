# The editor's model: what it shows and what the user's pointer and keys do
# (EditorModel), with the Tempo helper. Plain C++ for every target, no
# window system: each edition's window glue drives it.
add_library(quillbeat_editor_model STATIC control_steps.cpp editor_model.cpp tempo_helper.cpp)
quillbeat_include_paths(quillbeat_editor_model PUBLIC
  editor/editor_input.h editor/editor_layout.h editor/editor_model.h editor/editor_picture.h
  editor/step_timing.h editor/tempo_helper.h editor/value_ranges.h effect/float_search.h effect/parameter_scales.h)
quillbeat_include_paths(quillbeat_editor_model PRIVATE editor/control_steps.h editor/shown_values.h)
# Its notices are worded with the window's other texts (editor_texts.h).
target_link_libraries(quillbeat_editor_model PUBLIC quillbeat_core quillbeat_parameter_table
                      PRIVATE quillbeat_editor_drawing)
