# CMake toolchain for 32-bit ARM Linux (Debian's armhf, ARMv7 with VFPv3-D16: a Raspberry
# Pi 2 or later with a 32-bit system), built with Debian's g++-arm-linux-gnueabihf against
# the sysroot that scripts/sysroot armhf makes; programs of the build run under qemu-arm:
#   cmake -DCMAKE_TOOLCHAIN_FILE=packaging/arm/armhf.cmake -DRACER_SYSROOT=DIR ...
set(CMAKE_SYSTEM_PROCESSOR arm)
set(RACER_TRIPLET arm-linux-gnueabihf)
set(RACER_DEB_ARCH armhf)
set(RACER_QEMU qemu-arm)
include(${CMAKE_CURRENT_LIST_DIR}/debian-cross.cmake)
