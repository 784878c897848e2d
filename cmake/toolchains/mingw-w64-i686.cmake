# 32-bit Windows (x86) with MinGW-w64 (Debian: g++-mingw-w64-i686-posix); programs run under
# 32-bit Wine (Debian: wine32 for i386).
set(processor x86)
set(triple i686-w64-mingw32)
set(wine wine)
include(${CMAKE_CURRENT_LIST_DIR}/windows-under-wine.cmake)
