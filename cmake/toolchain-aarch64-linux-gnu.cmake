# Cross-build for Linux arm64 with Debian's aarch64 cross compiler
# (g++-aarch64-linux-gnu). What it builds runs here under qemu-aarch64's
# user-mode emulation; the arm64 C and C++ run-time libraries come from
# Debian's multiarch packages (libc6:arm64, libstdc++6:arm64).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)

set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)

# The cross compiler's own tree, and the multiarch folders under / for the
# arm64 libraries; programs come from the build machine.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE BOTH)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
