# The names ctest lists are the ones a person copies into `ctest -R` or `--gtest_filter`: short,
# free of printed parameter values (GoogleTest prints a struct as its bytes, pointers included),
# and the same from one discovery to the next.
#   cmake -DCTEST=<ctest> -DBUILD=<build folder> -DTESTS=<the tests' build folder>
#         -P ctest_names.cmake

set(longest_line 160)

function(list_tests output)
  execute_process(COMMAND ${CTEST} -N --test-dir ${BUILD}
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    message(FATAL_ERROR "'ctest -N' failed (${status}): ${err}")
  endif()
  set(${output} "${out}" PARENT_SCOPE)
endfunction()

list_tests(first)
# Each test program's discovered list is kept until the program changes; a newer discovery
# script makes the next listing run every program again, so the two listings come from two
# discoveries.
file(GLOB discovery_scripts ${TESTS}/*_include.cmake)
if(discovery_scripts)
  file(TOUCH_NOCREATE ${discovery_scripts})
endif()
list_tests(second)

set(failures "")
if(NOT first STREQUAL second)
  string(APPEND failures "two listings differ:\n${first}\n---\n${second}\n")
endif()
if(NOT first MATCHES "Total Tests: [1-9]")
  string(APPEND failures "no tests listed:\n${first}\n")
endif()
string(REGEX MATCHALL "[^\n]+" lines "${first}")
foreach(line IN LISTS lines)
  string(LENGTH "${line}" length)
  if(line MATCHES "-byte object|GetParam\\(\\)")
    string(APPEND failures "a printed parameter in: ${line}\n")
  elseif(length GREATER longest_line)
    string(APPEND failures "longer than ${longest_line} characters: ${line}\n")
  endif()
endforeach()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
