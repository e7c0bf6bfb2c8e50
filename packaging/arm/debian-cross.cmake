# What the ARM toolchain files share: Debian's cross compilers for RACER_TRIPLET, headers,
# libraries and pkg-config's .pc files from the sysroot RACER_SYSROOT alone, and the
# sysroot's dynamic loader under qemu for the programs the build itself runs (the icons).
if(NOT RACER_SYSROOT)
  message(FATAL_ERROR "RACER_SYSROOT: the target's sysroot (scripts/sysroot ${RACER_DEB_ARCH} prints it)")
endif()
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${RACER_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${RACER_TRIPLET}-g++)
set(CMAKE_SYSROOT ${RACER_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
# The try-compiles read this file again, and need the sysroot too.
set(CMAKE_TRY_COMPILE_PLATFORM_VARIABLES RACER_SYSROOT)
set(CMAKE_CROSSCOMPILING_EMULATOR ${RACER_QEMU} -L ${RACER_SYSROOT})
set(ENV{PKG_CONFIG_DIR} "")
set(ENV{PKG_CONFIG_LIBDIR}
    "${RACER_SYSROOT}/usr/lib/${RACER_TRIPLET}/pkgconfig:${RACER_SYSROOT}/usr/share/pkgconfig")
set(ENV{PKG_CONFIG_SYSROOT_DIR} ${RACER_SYSROOT})
