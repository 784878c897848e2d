# GTest::gtest and GTest::gtest_main. A native build uses the installed GoogleTest; a cross build
# compiles Debian's GoogleTest sources (libgtest-dev) for its target.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(GTest REQUIRED)
  return()
endif()

set(LORVEX_GOOGLETEST_SOURCE_DIR /usr/src/googletest CACHE PATH "GoogleTest sources")
if(NOT EXISTS ${LORVEX_GOOGLETEST_SOURCE_DIR}/CMakeLists.txt)
  message(FATAL_ERROR "No GoogleTest sources in ${LORVEX_GOOGLETEST_SOURCE_DIR} "
    "(Debian: libgtest-dev); set LORVEX_GOOGLETEST_SOURCE_DIR")
endif()
set(CMAKE_POLICY_DEFAULT_CMP0077 NEW)  # let the two settings below reach its options
set(BUILD_GMOCK OFF)
set(INSTALL_GTEST OFF)
# Its build defines the GTest:: names too.
add_subdirectory(${LORVEX_GOOGLETEST_SOURCE_DIR} googletest EXCLUDE_FROM_ALL SYSTEM)
