# Cross-build for Windows with Debian's mingw-w64, shared by the x64 and x86
# toolchain files, which set QUILLBEAT_MINGW_PREFIX and CMAKE_SYSTEM_PROCESSOR
# first.
#
# The plug-in starts no threads, so the compiler's win32 thread model is
# enough; the posix variant works as well and is taken when it is the only one
# installed. Either way the runtime is linked statically (see the top-level
# CMakeLists), so the DLL needs nothing but the system's own libraries.
set(CMAKE_SYSTEM_NAME Windows)

find_program(QUILLBEAT_MINGW_CXX NAMES ${QUILLBEAT_MINGW_PREFIX}-g++-win32 ${QUILLBEAT_MINGW_PREFIX}-g++-posix
                                       ${QUILLBEAT_MINGW_PREFIX}-g++ REQUIRED)
set(CMAKE_CXX_COMPILER ${QUILLBEAT_MINGW_CXX})
set(CMAKE_RC_COMPILER ${QUILLBEAT_MINGW_PREFIX}-windres)

# Headers and libraries come from the mingw-w64 sysroot only; programs (the
# build's own tools) from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/${QUILLBEAT_MINGW_PREFIX})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
