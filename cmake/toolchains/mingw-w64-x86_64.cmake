# Windows x86_64 with MinGW-w64 (Debian: g++-mingw-w64-x86-64-posix); programs run under Wine
# (Debian: wine64).
set(processor x86_64)
set(triple x86_64-w64-mingw32)
set(wine wine64 wine)
include(${CMAKE_CURRENT_LIST_DIR}/windows-under-wine.cmake)
