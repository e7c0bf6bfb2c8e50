# CMake toolchain for 64-bit ARM Linux (Debian's arm64: a Raspberry Pi 3 or later with a
# 64-bit system), built with Debian's g++-aarch64-linux-gnu against the sysroot that
# scripts/sysroot arm64 makes; programs of the build run under qemu-aarch64:
#   cmake -DCMAKE_TOOLCHAIN_FILE=packaging/arm/arm64.cmake -DRACER_SYSROOT=DIR ...
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(RACER_TRIPLET aarch64-linux-gnu)
set(RACER_DEB_ARCH arm64)
set(RACER_QEMU qemu-aarch64)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
