# Cross build for 64-bit ARM Linux with Debian's g++-aarch64-linux-gnu; the
# programs and tests run under qemu-user with the target's C library.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(KESTOR_TARGET_SYSROOT /usr/aarch64-linux-gnu)
set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Headers and libraries of the target only; programs of the build machine.
set(CMAKE_FIND_ROOT_PATH ${KESTOR_TARGET_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

# ctest (test discovery included) runs the target's programs through this.
find_program(KESTOR_QEMU NAMES qemu-aarch64 qemu-aarch64-static REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${KESTOR_QEMU} -L ${KESTOR_TARGET_SYSROOT})
