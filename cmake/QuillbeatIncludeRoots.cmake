# Every header of the project is included by its path from the top of the
# source tree ("abi/vst2_abi.h"). So that a target reaches only the headers
# of the layers it builds on, it never gets the top of the tree as an include
# folder. Instead each target names what it may include, and gets an include
# folder of its own in the build tree that holds just those files and folders,
# linked in at their paths.
#
# quillbeat_include_paths(<target> <PUBLIC|PRIVATE|INTERFACE> <path>...)
#   <path> is a file or folder relative to the top of the source tree.
function(quillbeat_include_paths target scope)
  string(TOLOWER "${scope}" scope_name)
  set(root ${PROJECT_BINARY_DIR}/include-roots/${target}-${scope_name})
  foreach(path IN LISTS ARGN)
    if(NOT EXISTS ${PROJECT_SOURCE_DIR}/${path})
      message(FATAL_ERROR "quillbeat_include_paths(${target}): no ${path} in the source tree")
    endif()
    get_filename_component(parent ${root}/${path} DIRECTORY)
    file(MAKE_DIRECTORY ${parent})
    file(CREATE_LINK ${PROJECT_SOURCE_DIR}/${path} ${root}/${path} SYMBOLIC)
  endforeach()
  target_include_directories(${target} ${scope} ${root})
endfunction()
