# Windows x86, 32-bit (g++-mingw-w64-i686). QuillbeatFlags.cmake keeps its
# floating point on SSE2.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(QUILLBEAT_MINGW_PREFIX i686-w64-mingw32)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64-toolchain.cmake)
