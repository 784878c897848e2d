# CLI11::CLI11 and nlohmann_json::nlohmann_json for the command-line tool. Both are header-only,
# so a cross build can use the build machine's copies; it reaches each through a folder that
# holds only that library, so that no other header of the build machine can shadow the target's.
if(NOT CMAKE_CROSSCOMPILING)
  find_package(CLI11 REQUIRED)
  find_package(nlohmann_json 3 REQUIRED)
  return()
endif()

function(lorvex_header_only target header folder)
  find_path(include_dir ${header} PATHS /usr/include NO_CMAKE_FIND_ROOT_PATH NO_CACHE REQUIRED)
  set(link_dir ${PROJECT_BINARY_DIR}/header-only/${folder})
  file(MAKE_DIRECTORY ${link_dir})
  file(CREATE_LINK ${include_dir}/${folder} ${link_dir}/${folder} SYMBOLIC)
  add_library(${target} INTERFACE IMPORTED GLOBAL)
  target_include_directories(${target} INTERFACE ${link_dir})
endfunction()

lorvex_header_only(CLI11::CLI11 CLI/CLI.hpp CLI)
lorvex_header_only(nlohmann_json::nlohmann_json nlohmann/json.hpp nlohmann)
