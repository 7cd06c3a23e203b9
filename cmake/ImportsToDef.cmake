# cmake -DNM=... -DLIB=lib<name>.a -DDLL=<name>.dll -DDEF=out.def -P ImportsToDef.cmake
# A module-definition file naming every function an import library imports,
# from which dlltool builds the delay-loading twin of that library.
execute_process(COMMAND ${NM} ${LIB} OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
string(REGEX MATCHALL "[0-9a-f]+ T [A-Za-z0-9_@?$]+" thunks "${symbols}")
set(text "LIBRARY ${DLL}\nEXPORTS\n")
foreach(thunk IN LISTS thunks)
  string(REGEX REPLACE "^[0-9a-f]+ T " "" name "${thunk}")
  string(APPEND text "  ${name}\n")
endforeach()
file(WRITE ${DEF} "${text}")
