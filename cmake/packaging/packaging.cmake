# Packages made by CPack from the install rules: on Windows one zip of everything,
# lorvex-VERSION-win64.zip or -win32.zip; on Linux, with LORVEX_DEBIAN_PACKAGES, three Debian
# packages, one a component (liblorvex1, liblorvex-dev, lorvex).
set(lorvex_packaging_dir ${CMAKE_CURRENT_LIST_DIR})

set(CPACK_PACKAGE_NAME lorvex)
set(CPACK_PACKAGE_VENDOR "the Lorvex developers")
set(CPACK_STRIP_FILES ON)
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_BINARY_DIR}/packages)

if(WIN32)
  # What a Windows user looks for beside the DLL: the .def file, from which another toolchain makes
  # its own import library (lib /def:Lorvex.def), the manual page as text, the README and the
  # documents it links to, at the same relative paths.
  install(FILES ${PROJECT_SOURCE_DIR}/src/shell/lorvex.def
    DESTINATION ${CMAKE_INSTALL_LIBDIR} RENAME Lorvex.def COMPONENT development)
  install(FILES ${PROJECT_SOURCE_DIR}/README.md ${PROJECT_SOURCE_DIR}/CONTRIBUTING.md
    DESTINATION . COMPONENT tool)
  install(FILES ${PROJECT_SOURCE_DIR}/docs/design.md DESTINATION docs COMPONENT tool)
  if(TARGET lorvex_tool)
    find_program(LORVEX_GROFF groff)
    if(LORVEX_GROFF)
      # Plain text, without the terminal's bold and underline.
      add_custom_command(OUTPUT ${PROJECT_BINARY_DIR}/lorvex.txt
        COMMAND ${LORVEX_GROFF} -man -Tutf8 -P-cbou ${PROJECT_BINARY_DIR}/lorvex.1
          > ${PROJECT_BINARY_DIR}/lorvex.txt
        DEPENDS ${PROJECT_BINARY_DIR}/lorvex.1 VERBATIM)
      add_custom_target(lorvex_manual_text ALL DEPENDS ${PROJECT_BINARY_DIR}/lorvex.txt)
      install(FILES ${PROJECT_BINARY_DIR}/lorvex.txt DESTINATION . COMPONENT tool)
    endif()
  endif()

  math(EXPR lorvex_bits "${CMAKE_SIZEOF_VOID_P} * 8")
  set(CPACK_GENERATOR ZIP)
  set(CPACK_PACKAGE_FILE_NAME lorvex-${PROJECT_VERSION}-win${lorvex_bits})
  set(CPACK_ARCHIVE_COMPONENT_INSTALL OFF)
  include(CPack)
  return()
endif()
if(NOT LORVEX_DEBIAN_PACKAGES)
  return()
endif()

set(CPACK_GENERATOR DEB)
set(CPACK_DEB_COMPONENT_INSTALL ON)
set(CPACK_COMPONENTS_ALL library development)
if(TARGET lorvex_tool)
  list(APPEND CPACK_COMPONENTS_ALL tool)
endif()
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_RELEASE 1)
set(CPACK_DEBIAN_PACKAGE_SOURCE lorvex)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_MAINTAINER "${LORVEX_PACKAGE_MAINTAINER}")
# dpkg-shlibdeps computes each package's dependencies from what its programs link.
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS ON)
set(CPACK_DEBIAN_PACKAGE_GENERATE_SHLIBS_POLICY ">=")
set(lorvex_debian_version ${PROJECT_VERSION}-${CPACK_DEBIAN_PACKAGE_RELEASE})
set(lorvex_library_package liblorvex${PROJECT_VERSION_MAJOR})

set(CPACK_DEBIAN_LIBRARY_PACKAGE_NAME ${lorvex_library_package})
set(CPACK_DEBIAN_LIBRARY_PACKAGE_SECTION libs)
set(lorvex_about "Lorvex converts an RSS 2.0 feed file into a file of fixed-width records,
one per item, holding its title, its publication date and a summary of
its description, in UTF-16LE.
.")
set(CPACK_DEBIAN_LIBRARY_DESCRIPTION "RSS 2.0 feeds to fixed-width UTF-16LE records (library)
${lorvex_about}
This package holds the shared library, whose C function ConvertFile does
the conversion.")
# The symbols file tells dependants the first version that had each export; the trigger runs
# ldconfig once for every package that changes the libraries.
configure_file(${lorvex_packaging_dir}/symbols.in ${PROJECT_BINARY_DIR}/debian/symbols @ONLY)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_EXTRA
  ${PROJECT_BINARY_DIR}/debian/symbols ${lorvex_packaging_dir}/triggers)
set(CPACK_DEBIAN_LIBRARY_PACKAGE_CONTROL_STRICT_PERMISSION ON)

set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_NAME liblorvex-dev)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_SECTION libdevel)
set(CPACK_DEBIAN_DEVELOPMENT_PACKAGE_DEPENDS "${lorvex_library_package} (= ${lorvex_debian_version})")
set(CPACK_DEBIAN_DEVELOPMENT_DESCRIPTION "RSS 2.0 feeds to fixed-width UTF-16LE records (development files)
${lorvex_about}
This package holds the header lorvex.h, the link to the shared library,
the CMake package (find_package(Lorvex)) and the pkg-config file lorvex.pc.")

set(CPACK_DEBIAN_TOOL_PACKAGE_NAME lorvex)
set(CPACK_DEBIAN_TOOL_PACKAGE_SECTION text)
set(CPACK_DEBIAN_TOOL_DESCRIPTION "RSS 2.0 feeds to fixed-width UTF-16LE records (tool)
${lorvex_about}
This package holds the lorvex command-line tool: it converts feeds, one
or many at once, shows record files as a table, CSV or JSON, and explains
what became of each item of a feed.")

# Each package carries the copyright file and changelog where Debian looks for them.
string(TIMESTAMP lorvex_changelog_date "%a, %d %b %Y %H:%M:%S +0000" UTC)
configure_file(${lorvex_packaging_dir}/changelog.in ${PROJECT_BINARY_DIR}/debian/changelog.Debian @ONLY)
find_program(LORVEX_GZIP gzip REQUIRED)
execute_process(COMMAND ${LORVEX_GZIP} -9nf ${PROJECT_BINARY_DIR}/debian/changelog.Debian
  COMMAND_ERROR_IS_FATAL ANY)
# The warnings lintian would give that are meant, each with its reason.
foreach(component IN LISTS CPACK_COMPONENTS_ALL)
  string(TOUPPER ${component} upper)
  set(package ${CPACK_DEBIAN_${upper}_PACKAGE_NAME})
  install(FILES ${lorvex_packaging_dir}/copyright ${PROJECT_BINARY_DIR}/debian/changelog.Debian.gz
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/doc/${package} COMPONENT ${component})
  set(overrides "# Packaged outside the Debian archive: no bug asked for the package.
${package}: initial-upload-closes-no-bugs\n")
  if(component STREQUAL "library")
    string(APPEND overrides "# CPack's postinst and postrm run ldconfig beside the trigger: once more, and harmless.
${package}: maintscript-calls-ldconfig [postinst]
${package}: maintscript-calls-ldconfig [postrm]\n")
  endif()
  file(WRITE ${PROJECT_BINARY_DIR}/debian/${package}/${package} "${overrides}")
  install(FILES ${PROJECT_BINARY_DIR}/debian/${package}/${package}
    DESTINATION ${CMAKE_INSTALL_DATAROOTDIR}/lintian/overrides COMPONENT ${component})
endforeach()

include(CPack)
