# 32-bit ARM Linux, hard float (Debian: g++-arm-linux-gnueabihf).
set(processor arm)
set(triple arm-linux-gnueabihf)
include(${CMAKE_CURRENT_LIST_DIR}/linux-under-qemu.cmake)
