# Cross-compiling for Linux on arm64 with Debian's cross toolchain
# (crossbuild-essential-arm64).  Programs run under qemu-user with the
# arm64 C and C++ libraries of Debian's arm64 architecture (libc6:arm64,
# libstdc++6:arm64), where the arm64 loader looks for them.  (qemu's -L
# prefix with the cross toolchain's copies hangs threaded programs.)
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(QX_CROSS_TRIPLET aarch64-linux-gnu)
set(CMAKE_C_COMPILER ${QX_CROSS_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${QX_CROSS_TRIPLET}-g++)
set(CMAKE_LIBRARY_ARCHITECTURE ${QX_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH /usr/${QX_CROSS_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
if(NOT CMAKE_CROSSCOMPILING_EMULATOR)
  find_program(QX_QEMU_AARCH64 qemu-aarch64)
  if(QX_QEMU_AARCH64)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${QX_QEMU_AARCH64})
  endif()
endif()
