# The ELF module as a loader sees it: its SONAME, a dynamic symbol table of exactly the five
# exports, and no code of its own that runs at load or unload.
#   cmake -DNM=<nm> -DOBJDUMP=<objdump> -DMODULE=<libLorvex.so> -DSONAME=<name> -P elf_exports.cmake

function(run output)
  execute_process(COMMAND ${ARGN} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE status)
  if(NOT status EQUAL 0)
    list(JOIN ARGN " " command)
    message(FATAL_ERROR "'${command}' failed (${status}): ${err}")
  endif()
  set(${output} "${out}" PARENT_SCOPE)
endfunction()

set(failures "")

run(headers ${OBJDUMP} -p ${MODULE})
if(NOT headers MATCHES "SONAME +${SONAME}\n")
  string(APPEND failures "the module's SONAME is not ${SONAME}\n")
endif()

# "address type name"; the type tells code (T) from data (B, D).
run(table ${NM} -D --defined-only ${MODULE})
string(REGEX MATCHALL "[^\n]+" lines "${table}")
set(exports "")
foreach(line IN LISTS lines)
  if(NOT line MATCHES "^[0-9a-fA-F]* *([A-Za-z]) (.+)$")
    string(APPEND failures "unreadable line from nm: ${line}\n")
    continue()
  endif()
  set(type ${CMAKE_MATCH_1})
  set(name ${CMAKE_MATCH_2})
  # The compiler emits a constructor as complete (C1) and base (C2) object variants; they
  # are one export.
  string(REGEX REPLACE "^_ZN7CVarnelC2Ev$" "_ZN7CVarnelC1Ev" name "${name}")
  if(type MATCHES "^[BDbd]$")
    set(kind data)
  else()
    set(kind code)
  endif()
  list(APPEND exports "${name} (${kind})")
endforeach()
list(REMOVE_DUPLICATES exports)
list(SORT exports)
set(expected
  "ConvertFile (code)"
  "_Z8fnVarnelv (code)"
  "_ZN7CVarnelC1Ev (code)"
  "_ZN7CVarnelaSERKS_ (code)"
  "nVarnel (data)")
if(NOT exports STREQUAL expected)
  list(JOIN expected "\n  " want)
  list(JOIN exports "\n  " got)
  string(APPEND failures "the dynamic symbol table differs\n expected:\n  ${want}\n found:\n  ${got}\n")
endif()

# GCC gathers a file's static constructors and destructors in _GLOBAL__sub_I_<file>.
run(symbols ${NM} ${MODULE})
if(symbols MATCHES "no symbols")
  string(APPEND failures "the module has no symbol table to check for static initializers\n")
endif()
string(REGEX MATCHALL "_GLOBAL__sub_[ID]_[^\n]*" initializers "${symbols}")
if(initializers)
  list(JOIN initializers ", " found)
  string(APPEND failures "code runs at load or unload: ${found}\n")
endif()

if(failures)
  message(FATAL_ERROR "${MODULE}:\n${failures}")
endif()
message(STATUS "${MODULE}: SONAME ${SONAME}; exports ${exports}; no static initializers")
