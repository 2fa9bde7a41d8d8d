# cmake -DNM=... -DDLLTOOL=... -DIMPORT_LIBRARY=... -DDLL=... -DOUTPUT=... -P MakeDelayImportLibrary.cmake
# A delay-import library with every function of a MinGW import library: the DLL is then
# loaded on the first call into it instead of when the program starts.
execute_process(COMMAND ${NM} -g ${IMPORT_LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${NM} cannot read ${IMPORT_LIBRARY}")
endif()
string(REGEX MATCHALL "[0-9a-f]+ T _[^\n]+" functions "${symbols}")
set(exports "")
foreach(line IN LISTS functions)
  string(REGEX REPLACE "^[0-9a-f]+ T _" "" name "${line}")
  list(APPEND exports "${name}")
endforeach()
list(REMOVE_DUPLICATES exports)
list(JOIN exports "\n" body)
file(WRITE ${OUTPUT}.def "LIBRARY \"${DLL}\"\nEXPORTS\n${body}\n")
# -k: the DLL exports the names without their stdcall decoration.
execute_process(COMMAND ${DLLTOOL} -d ${OUTPUT}.def -y ${OUTPUT} -k RESULT_VARIABLE failed)
if(failed)
  message(FATAL_ERROR "${DLLTOOL} cannot make ${OUTPUT}")
endif()
