# Lorvex.dll's export table as the Windows loader reads it: the module name, exactly five
# exports at ordinals 1 to 5 with the name table sorted, and imports from Windows alone.
#   cmake -DOBJDUMP=<x86_64-w64-mingw32-objdump> -DMODULE=<Lorvex.dll> -P dll_exports.cmake

execute_process(COMMAND ${OBJDUMP} -p ${MODULE}
  OUTPUT_VARIABLE headers ERROR_VARIABLE err RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  message(FATAL_ERROR "'${OBJDUMP} -p ${MODULE}' failed (${status}): ${err}")
endif()

set(failures "")
function(expect condition what)
  if(NOT ${condition})
    set(failures "${failures}${what}\n" PARENT_SCOPE)
  endif()
endfunction()

string(REGEX MATCH "\nName[ \t]+[0-9a-fA-F]+ ([^\n]*)" _ "${headers}")
string(COMPARE EQUAL "${CMAKE_MATCH_1}" "Lorvex.dll" named)
expect(named "the export table names the module '${CMAKE_MATCH_1}', not Lorvex.dll")

string(REGEX MATCH "\nOrdinal Base[ \t]+([0-9]+)" _ "${headers}")
set(base "${CMAKE_MATCH_1}")
string(COMPARE EQUAL "${base}" "1" based)
expect(based "the ordinal base is '${base}', not 1")

string(REGEX MATCH "\tExport Address Table[ \t]+([0-9a-fA-F]+)\n" _ "${headers}")
string(COMPARE EQUAL "${CMAKE_MATCH_1}" "00000005" five)
expect(five "the export address table has '${CMAKE_MATCH_1}' entries, not 5")

# "[Ordinal/Name Pointer] Table" lists the name table in its own order: "[index] name", where
# the index counts from the ordinal base.
string(REGEX MATCH "\\[Ordinal/Name Pointer\\] Table\n(([ \t]+\\[[ 0-9]+\\] [^\n]+\n)*)" _ "${headers}")
string(REGEX MATCHALL "[^\n]+" lines "${CMAKE_MATCH_1}")
set(names "")
foreach(line IN LISTS lines)
  string(REGEX MATCH "\\[ *([0-9]+)\\] (.+)$" _ "${line}")
  math(EXPR ordinal "${CMAKE_MATCH_1} + ${base}")
  list(APPEND names "${ordinal} ${CMAKE_MATCH_2}")
endforeach()
# Sorted by name, as the loader's binary search needs; the ordinals are fixed.
set(expected
  "1 ConvertFile"
  "4 _Z8fnVarnelv"
  "2 _ZN7CVarnelC1Ev"
  "3 _ZN7CVarnelaSERKS_"
  "5 nVarnel")
string(COMPARE EQUAL "${names}" "${expected}" exact)
list(JOIN expected "\n  " want)
list(JOIN names "\n  " got)
expect(exact "the name table differs\n expected:\n  ${want}\n found:\n  ${got}")

# Every import is a DLL of Windows itself: no MinGW runtime DLL has to travel with the module.
string(REGEX MATCHALL "DLL Name: [^\n]+" imports "${headers}")
set(foreign "")
foreach(import IN LISTS imports)
  string(REPLACE "DLL Name: " "" dll "${import}")
  string(TOLOWER "${dll}" dll_lower)
  if(NOT dll_lower MATCHES "^(kernel32|msvcrt|ucrtbase|api-ms-win-[a-z0-9-]+)\\.dll$")
    list(APPEND foreign ${dll})
  endif()
endforeach()
string(COMPARE EQUAL "${foreign}" "" native_only)
expect(native_only "the module imports from DLLs that are not Windows' own: ${foreign}")

if(failures)
  message(FATAL_ERROR "${MODULE}:\n${failures}")
endif()
message(STATUS "${MODULE}: exports ${names}; imports ${imports}")
