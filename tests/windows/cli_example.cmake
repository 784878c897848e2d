# lorvex.exe converts the example into the same record file as the native Linux tool.
#   cmake -DEMULATOR=<wine> -DLORVEX=<lorvex.exe> -DEXAMPLE=<feed> -DNATIVE=<folder> -DOUT=<folder>
#         -P cli_example.cmake
get_filename_component(name ${EXAMPLE} NAME)
file(MAKE_DIRECTORY ${OUT})
set(output ${OUT}/${name}.rec)
file(REMOVE ${output})
execute_process(COMMAND ${EMULATOR} ${LORVEX} convert --verbose ${EXAMPLE} ${output}
  ERROR_VARIABLE said RESULT_VARIABLE status)
file(READ ${NATIVE}/${name}.count count)
string(STRIP "${count}" count)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "lorvex.exe convert failed (${status}): ${said}")
endif()
if(NOT said MATCHES "^lorvex: ${count} records? written")
  message(FATAL_ERROR "lorvex.exe said '${said}'; the native tool wrote ${count} records")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${output} ${NATIVE}/${name}.rec
  RESULT_VARIABLE differs)
if(differs)
  message(FATAL_ERROR "${output} differs from the native ${NATIVE}/${name}.rec")
endif()
message(STATUS "lorvex.exe: ${said}")
