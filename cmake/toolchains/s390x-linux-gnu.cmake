# s390x Linux, a big-endian machine (Debian: g++-s390x-linux-gnu).
set(processor s390x)
set(triple s390x-linux-gnu)
include(${CMAKE_CURRENT_LIST_DIR}/linux-under-qemu.cmake)
