# What `cmake --install` puts in place: the header, the module (libLorvex.so with its SONAME
# links, or Lorvex.dll with its import library), the lorvex tool and its manual page, a CMake package
# (find_package(Lorvex) gives Lorvex::Lorvex) and the pkg-config file lorvex.pc.
#
# Each file belongs to one of three components, which are the three Debian packages: "library"
# (what a program needs at run time), "development" (what building against it needs) and "tool".
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS Lorvex EXPORT LorvexTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT library
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT library NAMELINK_COMPONENT development
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR} COMPONENT development)
install(FILES ${PROJECT_SOURCE_DIR}/include/lorvex.h
  DESTINATION ${CMAKE_INSTALL_INCLUDEDIR} COMPONENT development)
if(TARGET lorvex_tool)
  set(lorvex_manual_page ${PROJECT_BINARY_DIR}/lorvex.1)
  if(LORVEX_DEBIAN_PACKAGES)
    # Debian keeps its manual pages compressed, without a name or time in the gzip header.
    find_program(LORVEX_GZIP gzip REQUIRED)
    execute_process(COMMAND ${LORVEX_GZIP} -9nkf ${lorvex_manual_page} COMMAND_ERROR_IS_FATAL ANY)
    string(APPEND lorvex_manual_page .gz)
  endif()
  install(TARGETS lorvex_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT tool)
  if(NOT WIN32)  # Windows gets the page as text (cmake/packaging/packaging.cmake, by groff)
    install(FILES ${lorvex_manual_page} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1 COMPONENT tool)
  endif()
endif()

set(lorvex_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Lorvex)
install(EXPORT LorvexTargets NAMESPACE Lorvex:: DESTINATION ${lorvex_package_dir}
  COMPONENT development)
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/LorvexConfig.cmake.in
  ${PROJECT_BINARY_DIR}/LorvexConfig.cmake INSTALL_DESTINATION ${lorvex_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/LorvexConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/LorvexConfig.cmake ${PROJECT_BINARY_DIR}/LorvexConfigVersion.cmake
  DESTINATION ${lorvex_package_dir} COMPONENT development)

# lorvex.pc finds the installed tree from its own place in it, so the tree can move.
file(RELATIVE_PATH lorvex_pc_to_prefix
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" lorvex_pc_to_prefix "${lorvex_pc_to_prefix}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/lorvex.pc.in ${PROJECT_BINARY_DIR}/lorvex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/lorvex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig
  COMPONENT development)
