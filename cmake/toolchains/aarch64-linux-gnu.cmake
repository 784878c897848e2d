# 64-bit ARM Linux (Debian: g++-aarch64-linux-gnu).
set(processor aarch64)
set(triple aarch64-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-under-qemu.cmake)
