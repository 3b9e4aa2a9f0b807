# Fails when libvyx calls the C or C++ library's locale-dependent number conversions: field
# texts must read and write a point under any locale. cmake -DNM=nm -DLIBRARY=... -P this
execute_process(COMMAND ${NM} -u -C ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cannot list the symbols of ${LIBRARY}")
endif()
string(REGEX MATCHALL
       "[^\n]*(printf|scanf|strto[dfl]|ato[fil]|locale|num_put|num_get|basic_[io]stream|stringstream|basic_ios)[^\n]*"
       hits "${symbols}")
if(hits)
  list(JOIN hits "\n" lines)
  message(FATAL_ERROR "libvyx uses locale-dependent conversions:\n${lines}")
endif()
message(STATUS "libvyx uses no locale-dependent conversion")
