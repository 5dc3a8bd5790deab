# Cross build for the TrimUI consoles (Allwinner A133P, Cortex-A53, aarch64)
# with Debian's cross compiler (package g++-aarch64-linux-gnu). The console's
# own C library is older than Debian's, so the release executable is linked
# fully statically (see the aarch64-release preset); this file only names the
# compilers and keeps the search for libraries and headers on the target's
# side while programs (python3, cmake itself) are the build machine's.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(PAPYR_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${PAPYR_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${PAPYR_CROSS_TRIPLET}-g++)
set(CMAKE_STRIP ${PAPYR_CROSS_TRIPLET}-strip)

# The Cortex-A53 of the A133P; the code stays plain ARMv8-A.
set(CMAKE_C_FLAGS_INIT "-mcpu=cortex-a53")
set(CMAKE_CXX_FLAGS_INIT "-mcpu=cortex-a53")

# Two places hold the target's files on Debian. The cross toolchain's own C
# library and C++ runtime live under /usr/<triplet>; every other library of
# the target is a multiarch package (libssl-dev:arm64, libpugixml-dev:arm64,
# libgumbo-dev:arm64) with its libraries in /usr/lib/<triplet>, its
# architecture-specific headers in /usr/include/<triplet> and the rest in
# /usr/include, which the cross compiler searches by itself. The library
# architecture keeps every search on the target's folders: CMake looks in
# lib/<triplet> first, and the linker skips a build machine library that
# would be found anywhere else.
set(CMAKE_LIBRARY_ARCHITECTURE ${PAPYR_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /usr/${PAPYR_CROSS_TRIPLET} /)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# pkg-config is the build machine's program; it reads the target's .pc files
# only, never the build machine's.
set(ENV{PKG_CONFIG_LIBDIR}
    "/usr/lib/${PAPYR_CROSS_TRIPLET}/pkgconfig:/usr/share/pkgconfig")
unset(ENV{PKG_CONFIG_PATH})

# Lets try_run and the test runner start target programs under user-mode
# emulation (package qemu-user-static) when it is there.
find_program(PAPYR_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(PAPYR_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PAPYR_QEMU_AARCH64})
endif()
