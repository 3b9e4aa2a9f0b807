# Fails when libvyx calls into locale-dependent number conversion of the C or C++ library:
# the printf and scanf families, strtod and friends, iostreams, std::to_string of a floating
# value (vsnprintf underneath). Field texts must read and write a point under any locale.
# Run as: cmake -DNM=nm -DLIBRARY=libvyx.a -P locale_free.cmake
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
