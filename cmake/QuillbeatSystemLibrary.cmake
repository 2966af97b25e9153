# quillbeat_system_library(<imported target> <pkg-config module> <run-time library file>)
# Defines <imported target> for a system library. Natively, pkg-config gives
# it all. A cross-build links the target architecture's run-time library by
# its file name: only that is installed for a foreign architecture
# (scripts/install-deps.sh), not its -dev package with the link name and
# pkg-config file. The headers are the build machine's, which are the same
# for every architecture, except those in its own multiarch folders.
find_package(PkgConfig REQUIRED)

function(quillbeat_system_library target module runtime_file)
  string(MAKE_C_IDENTIFIER "${target}" prefix)
  pkg_check_modules(${prefix} REQUIRED IMPORTED_TARGET ${module})
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  if(CMAKE_CROSSCOMPILING)
    find_library(${prefix}_RUNTIME NAMES ${runtime_file} REQUIRED)
    set(include_dirs ${${prefix}_INCLUDE_DIRS})
    list(FILTER include_dirs EXCLUDE REGEX "-linux-gnu")
    target_include_directories(${target} INTERFACE ${include_dirs})
    target_link_libraries(${target} INTERFACE ${${prefix}_RUNTIME})
  else()
    target_link_libraries(${target} INTERFACE PkgConfig::${prefix})
  endif()
endfunction()
