# What `cmake --install` puts in place: the header, the module (libLorvex.so with its SONAME
# links, or Lorvex.dll with its import library), the lorvex tool and its manual page, a CMake package
# (find_package(Lorvex) gives Lorvex::Lorvex) and the pkg-config file lorvex.pc.
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

install(TARGETS Lorvex EXPORT LorvexTargets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/lorvex.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET lorvex_tool)
  install(TARGETS lorvex_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
  install(FILES ${PROJECT_BINARY_DIR}/lorvex.1 DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
endif()

set(lorvex_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/Lorvex)
install(EXPORT LorvexTargets NAMESPACE Lorvex:: DESTINATION ${lorvex_package_dir})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/LorvexConfig.cmake.in
  ${PROJECT_BINARY_DIR}/LorvexConfig.cmake INSTALL_DESTINATION ${lorvex_package_dir})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/LorvexConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/LorvexConfig.cmake ${PROJECT_BINARY_DIR}/LorvexConfigVersion.cmake
  DESTINATION ${lorvex_package_dir})

# lorvex.pc finds the installed tree from its own place in it, so the tree can move.
file(RELATIVE_PATH lorvex_pc_to_prefix
  ${CMAKE_INSTALL_FULL_LIBDIR}/pkgconfig ${CMAKE_INSTALL_PREFIX})
string(REGEX REPLACE "/$" "" lorvex_pc_to_prefix "${lorvex_pc_to_prefix}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/lorvex.pc.in ${PROJECT_BINARY_DIR}/lorvex.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/lorvex.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
