# Runs one CLI test case: the lines of CASE_DIR/cmd, each one lorvex command line, in a fresh
# working directory that holds copies of the test data (data/) and the bundled examples
# (examples/). Their stdout and stderr, one after the other, must match CASE_DIR/stdout and
# CASE_DIR/stderr byte for byte, and their exit statuses, one a line, CASE_DIR/status.
#
# A command line may begin with NAME=value words, set in its environment (COLUMNS is unset
# otherwise, so that no table depends on the terminal the tests run in). When the case has a file
# CASE_DIR/stdin, each command reads it as its standard input.
#
# With the environment variable LORVEX_UPDATE_CASES=1, the case's expected files are rewritten
# from what the commands did, to be reviewed before they are committed.
#
# Expects: LORVEX, CASE_DIR, WORK_DIR, DATA_DIR, EXAMPLES_DIR; and EMULATOR, the command line
# that runs a cross-built tool, its words joined with |, or empty.
cmake_minimum_required(VERSION 3.25)
string(REPLACE "|" ";" emulator "${EMULATOR}")

set(output_dir "${WORK_DIR}.output")
file(REMOVE_RECURSE "${WORK_DIR}" "${output_dir}")
file(MAKE_DIRECTORY "${WORK_DIR}" "${output_dir}")
file(COPY "${DATA_DIR}/" DESTINATION "${WORK_DIR}/data")
file(COPY "${EXAMPLES_DIR}/" DESTINATION "${WORK_DIR}/examples")

file(STRINGS "${CASE_DIR}/cmd" lines ENCODING UTF-8)
set(input)
if(EXISTS "${CASE_DIR}/stdin")
  set(input INPUT_FILE "${CASE_DIR}/stdin")
endif()
set(stdout_parts)
set(stderr_parts)
set(statuses "")
set(index 0)
foreach(line IN LISTS lines)
  separate_arguments(words UNIX_COMMAND "${line}")
  set(environment)
  while(words)
    list(GET words 0 word)
    if(NOT word MATCHES "^[A-Z_]+=")
      break()
    endif()
    list(APPEND environment "${word}")
    list(REMOVE_AT words 0)
  endwhile()
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E env --unset=COLUMNS ${environment} ${emulator} "${LORVEX}" ${words}
    WORKING_DIRECTORY "${WORK_DIR}"
    ${input}
    OUTPUT_FILE "${output_dir}/stdout.${index}"
    ERROR_FILE "${output_dir}/stderr.${index}"
    RESULT_VARIABLE status)
  list(APPEND stdout_parts "${output_dir}/stdout.${index}")
  list(APPEND stderr_parts "${output_dir}/stderr.${index}")
  string(APPEND statuses "${status}\n")
  math(EXPR index "${index} + 1")
endforeach()

# The outputs may hold any byte, U+0000 included: they are joined and compared as files.
foreach(stream stdout stderr)
  execute_process(COMMAND "${CMAKE_COMMAND}" -E cat ${${stream}_parts}
                  OUTPUT_FILE "${output_dir}/${stream}" RESULT_VARIABLE failed)
  if(failed)
    message(FATAL_ERROR "cannot join the ${stream} of the commands")
  endif()
endforeach()
file(WRITE "${output_dir}/status" "${statuses}")

if("$ENV{LORVEX_UPDATE_CASES}" STREQUAL "1")
  file(COPY "${output_dir}/stdout" "${output_dir}/stderr" "${output_dir}/status"
       DESTINATION "${CASE_DIR}")
  message(STATUS "updated ${CASE_DIR}")
  return()
endif()

find_program(diff_program diff)
set(mismatches "")
foreach(expected stdout stderr status)
  execute_process(
    COMMAND "${CMAKE_COMMAND}" -E compare_files "${CASE_DIR}/${expected}"
            "${output_dir}/${expected}"
    RESULT_VARIABLE differs OUTPUT_QUIET ERROR_QUIET)
  if(differs)
    string(APPEND mismatches " ${expected}")
    if(diff_program)
      execute_process(COMMAND "${diff_program}" -u --text "${CASE_DIR}/${expected}"
                              "${output_dir}/${expected}")
    else()
      file(READ "${output_dir}/${expected}" actual)
      message("${expected} was:\n${actual}")
    endif()
  endif()
endforeach()
if(mismatches)
  message(FATAL_ERROR "not as expected:${mismatches}")
endif()
