# Runs the Windows host's full-disk cases on a small tmpfs mounted for the purpose, and unmounts
# it. Mounting needs root; where it fails the test says so and is skipped.
#   cmake -DEMULATOR=<wine> -DHOST=<windows_host_test.exe> -DFOLDER=<mount point> -P full_disk.cmake
file(MAKE_DIRECTORY ${FOLDER})
execute_process(COMMAND mount -t tmpfs -o size=256k lorvex-full-disk ${FOLDER}
  RESULT_VARIABLE mounted ERROR_VARIABLE why)
if(NOT mounted EQUAL 0)
  message(STATUS "cannot mount a small tmpfs at ${FOLDER}: ${why}")
  return()
endif()
execute_process(COMMAND ${EMULATOR} ${HOST} fulldisk ${FOLDER} RESULT_VARIABLE status)
execute_process(COMMAND umount ${FOLDER})
if(NOT status EQUAL 0)
  message(FATAL_ERROR "the full-disk cases failed (${status})")
endif()
