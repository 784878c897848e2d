# CLI11::CLI11 for the command-line tool. CLI11 is header-only, so a cross build can use the
# build machine's copy; it reaches it through a folder that holds only CLI11, so that no other
# header of the build machine can shadow the target's own.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 REQUIRED)
  return()
endif()

find_path(LORVEX_CLI11_INCLUDE_DIR CLI/CLI.hpp PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH REQUIRED)
set(lorvex_cli11_dir ${PROJECT_BINARY_DIR}/cli11)
file(MAKE_DIRECTORY ${lorvex_cli11_dir})
file(CREATE_LINK ${LORVEX_CLI11_INCLUDE_DIR}/CLI ${lorvex_cli11_dir}/CLI SYMBOLIC)
add_library(CLI11::CLI11 INTERFACE IMPORTED)
target_include_directories(CLI11::CLI11 INTERFACE ${lorvex_cli11_dir})
