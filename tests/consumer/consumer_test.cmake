# Installs the build into a scratch prefix, then builds and runs the tiny C consumer against the
# installed tree twice, through find_package(Lorvex) and through pkg-config, and once more with
# Lorvex's sources added to its project by add_subdirectory.
#   cmake -DBUILD=<build dir> -DWORK=<scratch> -DSOURCE=<this folder> -DEXAMPLE=<feed>
#         -DVERSION=<x.y.z> -DSONAME=<name> -DLIBDIR=<lib> -DGENERATOR=<generator> -DCC=<C compiler>
#         -DCXX=<C++ compiler> -DPKG_CONFIG=<pkg-config> -DLORVEX_SOURCE=<sources>
#         -P consumer_test.cmake

function(run)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "'${command}' failed (${status}):\n${out}${err}")
  endif()
  set(output "${out}" PARENT_SCOPE)
  set(said "${err}" PARENT_SCOPE)
endfunction()

if(NOT PKG_CONFIG)
  message(FATAL_ERROR "pkg-config is not installed (Debian: pkgconf)")
endif()
set(prefix ${WORK}/prefix)
file(REMOVE_RECURSE ${WORK})
run(${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix})

# The tree: header, module and its SONAME links, tool, CMake package and pkg-config file.
file(GLOB_RECURSE installed RELATIVE ${prefix} LIST_DIRECTORIES false ${prefix}/*)
foreach(path include/lorvex.h bin/lorvex ${LIBDIR}/cmake/Lorvex/LorvexConfig.cmake
    ${LIBDIR}/cmake/Lorvex/LorvexConfigVersion.cmake ${LIBDIR}/cmake/Lorvex/LorvexTargets.cmake
    ${LIBDIR}/pkgconfig/lorvex.pc ${LIBDIR}/libLorvex.so.${VERSION})
  if(NOT EXISTS ${prefix}/${path})
    message(FATAL_ERROR "${path} is not installed; the tree holds:\n${installed}")
  endif()
endforeach()
foreach(link_target IN ITEMS "libLorvex.so:${SONAME}" "${SONAME}:libLorvex.so.${VERSION}")
  string(REPLACE ":" ";" pair ${link_target})
  list(GET pair 0 link)
  list(GET pair 1 target)
  if(NOT IS_SYMLINK ${prefix}/${LIBDIR}/${link})
    message(FATAL_ERROR "${LIBDIR}/${link} is not a link; the tree holds:\n${installed}")
  endif()
  file(READ_SYMLINK ${prefix}/${LIBDIR}/${link} points_to)
  if(NOT points_to STREQUAL target)
    message(FATAL_ERROR "${LIBDIR}/${link} points to ${points_to}, not ${target}")
  endif()
endforeach()

# What the installed tool makes of the example is what each consumer must make of it.
run(${prefix}/bin/lorvex convert --verbose ${EXAMPLE} ${WORK}/tool.rec)
if(NOT said MATCHES "^lorvex: ([0-9]+) records? written")
  message(FATAL_ERROR "the installed lorvex said: ${said}")
endif()
set(count ${CMAKE_MATCH_1})

function(check_consumer program how)
  set(records ${WORK}/${how}.rec)
  run(${CMAKE_COMMAND} -E env LD_LIBRARY_PATH=${prefix}/${LIBDIR} ${program} ${EXAMPLE} ${records})
  string(STRIP "${output}" said)
  if(NOT said STREQUAL count)
    message(FATAL_ERROR "the consumer built ${how} returned ${said}, the tool wrote ${count}")
  endif()
  execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${records} ${WORK}/tool.rec
    RESULT_VARIABLE differs)
  if(differs)
    message(FATAL_ERROR "the consumer built ${how} wrote other records than the tool")
  endif()
  message(STATUS "built ${how}: ConvertFile returned ${said}, records as the tool's")
endfunction()

# find_package, asking for this version and, to prove the version file, for the next major one.
run(${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/cmake -G ${GENERATOR} -DCMAKE_C_COMPILER=${CC}
  -DCMAKE_PREFIX_PATH=${prefix} -DLORVEX_VERSION=${VERSION})
run(${CMAKE_COMMAND} --build ${WORK}/cmake)
check_consumer(${WORK}/cmake/consumer "with find_package")
string(REGEX MATCH "^[0-9]+" major ${VERSION})
math(EXPR next_major "${major} + 1")
execute_process(COMMAND ${CMAKE_COMMAND} -S ${SOURCE} -B ${WORK}/cmake-next -G ${GENERATOR}
  -DCMAKE_C_COMPILER=${CC} -DCMAKE_PREFIX_PATH=${prefix} -DLORVEX_VERSION=${next_major}.0
  OUTPUT_QUIET ERROR_QUIET RESULT_VARIABLE status)
if(status EQUAL 0)
  message(FATAL_ERROR "find_package(Lorvex ${next_major}.0) accepted version ${VERSION}")
endif()

# pkg-config, the way a project without CMake builds against the tree.
set(ENV{PKG_CONFIG_PATH} ${prefix}/${LIBDIR}/pkgconfig)
run(${PKG_CONFIG} --modversion lorvex)
string(STRIP "${output}" pc_version)
if(NOT pc_version STREQUAL VERSION)
  message(FATAL_ERROR "lorvex.pc says version ${pc_version}, not ${VERSION}")
endif()
run(${PKG_CONFIG} --cflags --libs lorvex)
separate_arguments(flags UNIX_COMMAND "${output}")
run(${CC} -std=c11 ${SOURCE}/consumer.c ${flags} -o ${WORK}/consumer-pkg-config)
check_consumer(${WORK}/consumer-pkg-config "with pkg-config")

# add_subdirectory: the module alone, built with nothing but the compilers. Were Lorvex to look
# for any of the packages its own tool, tests or benchmarks need, configuring would fail here.
set(no_packages)
foreach(package GTest CLI11 nlohmann_json Threads benchmark Python3)
  list(APPEND no_packages -DCMAKE_DISABLE_FIND_PACKAGE_${package}=ON)
endforeach()
run(${CMAKE_COMMAND} -S ${SOURCE}/subdirectory -B ${WORK}/subdirectory -G ${GENERATOR}
  -DCMAKE_C_COMPILER=${CC} -DCMAKE_CXX_COMPILER=${CXX} -DLORVEX_SOURCE_DIR=${LORVEX_SOURCE}
  ${no_packages})
run(${CMAKE_COMMAND} --build ${WORK}/subdirectory)
file(GLOB_RECURSE built RELATIVE ${WORK}/subdirectory ${WORK}/subdirectory/lorvex/*)
list(FILTER built INCLUDE REGEX "(^|/)(lorvex|lorvex_bench|[a-z_]+_test)$")
if(built)
  message(FATAL_ERROR "add_subdirectory built more than the module: ${built}")
endif()
check_consumer(${WORK}/subdirectory/consumer "with add_subdirectory")
