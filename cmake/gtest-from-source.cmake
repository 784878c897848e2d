# GoogleTest built from the sources Debian ships in /usr/src/googletest (package googletest), for
# a cross build, which cannot link the host's prebuilt libgtest. It provides the same targets as
# find_package(GTest).
set(LORVEX_GTEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest's sources")
set(BUILD_GMOCK OFF CACHE BOOL "" FORCE)
set(INSTALL_GTEST OFF CACHE BOOL "" FORCE)
add_subdirectory(${LORVEX_GTEST_SOURCE_DIR} ${CMAKE_BINARY_DIR}/googletest EXCLUDE_FROM_ALL)
# GCC 12 at -O2 warns of an overlapping copy inside GoogleTest's own URL encoding: a false alarm
# in code that is not ours.
if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
  target_compile_options(gtest PRIVATE -Wno-restrict)
endif()
if(NOT TARGET GTest::gtest)  # GoogleTest 1.11 and later define them themselves
  add_library(GTest::gtest ALIAS gtest)
  add_library(GTest::gtest_main ALIAS gtest_main)
endif()
