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

# Debian installs the target's libraries and headers under /usr/<triplet>.
set(CMAKE_FIND_ROOT_PATH /usr/${PAPYR_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# Lets try_run and the test runner start target programs under user-mode
# emulation (package qemu-user-static) when it is there.
find_program(PAPYR_QEMU_AARCH64 NAMES qemu-aarch64-static qemu-aarch64)
if(PAPYR_QEMU_AARCH64)
  set(CMAKE_CROSSCOMPILING_EMULATOR ${PAPYR_QEMU_AARCH64})
endif()
