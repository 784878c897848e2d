# The part every Linux cross build shares; the toolchain file that includes it sets `processor`
# and `triple` (Debian's g++-<triple> package). Programs run under QEMU's user-mode emulation
# (Debian: qemu-user), with the cross toolchain's loader and libraries as their root.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR ${processor})

set(CMAKE_C_COMPILER ${triple}-gcc)
set(CMAKE_CXX_COMPILER ${triple}-g++)

# Libraries, headers and packages come from the target's tree only, never from the host's.
set(CMAKE_FIND_ROOT_PATH /usr/${triple})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

find_program(LORVEX_QEMU_${processor} qemu-${processor} REQUIRED)
set(CMAKE_CROSSCOMPILING_EMULATOR ${LORVEX_QEMU_${processor}} -L /usr/${triple})
