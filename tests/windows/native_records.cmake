# Writes what the native Linux build makes of the example and of every corpus feed, for the
# Windows build to match: <feed name>.rec, the record file, and <feed name>.count, the number
# the tool reported.
#   cmake -DLORVEX=<native lorvex> -DEXAMPLE=<feed> -DCORPUS=<folder> -DOUT=<folder> -P native_records.cmake
if(NOT LORVEX OR NOT EXISTS "${LORVEX}")
  message(FATAL_ERROR "No native lorvex tool at '${LORVEX}': build the ci preset first, or "
    "point LORVEX_NATIVE_LORVEX at the lorvex of a native build")
endif()

file(REMOVE_RECURSE ${OUT})
file(MAKE_DIRECTORY ${OUT})
set(feeds ${EXAMPLE})
if(IS_DIRECTORY "${CORPUS}")
  file(GLOB corpus_feeds LIST_DIRECTORIES false "${CORPUS}/*")
  list(APPEND feeds ${corpus_feeds})
else()
  message(STATUS "No corpus at ${CORPUS}: only the example")
endif()

foreach(feed IN LISTS feeds)
  get_filename_component(name ${feed} NAME)
  execute_process(COMMAND ${LORVEX} convert --verbose ${feed} ${OUT}/${name}.rec
    ERROR_VARIABLE said RESULT_VARIABLE status)
  if(status EQUAL 0 AND said MATCHES "^lorvex: ([0-9]+) records? written")
    file(WRITE ${OUT}/${name}.count "${CMAKE_MATCH_1}\n")
  elseif(status EQUAL 1)
    # The conversion failed, as ConvertFile's -1 would report.
    file(WRITE ${OUT}/${name}.count "-1\n")
  else()
    message(FATAL_ERROR "${LORVEX} convert ${feed}: exit ${status}\n${said}")
  endif()
endforeach()
list(LENGTH feeds count)
message(STATUS "${count} feeds converted by ${LORVEX} into ${OUT}")
