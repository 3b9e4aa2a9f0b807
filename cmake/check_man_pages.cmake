# Each manual page renders without a warning, and names every option its program's --help
# lists, so that the pages cannot drift from the programs:
#   cmake -DGROFF=... -DPAGES="page.1;program;..." -P check_man_pages.cmake
foreach(var GROFF PAGES)
  if(NOT DEFINED ${var})
    message(FATAL_ERROR "${var} is not set")
  endif()
endforeach()

set(failures "")
set(pairs ${PAGES})
while(pairs)
  list(POP_FRONT pairs page program)
  get_filename_component(name ${page} NAME)

  execute_process(COMMAND ${GROFF} -man -Tutf8 -ww -z ${page}
                  RESULT_VARIABLE status ERROR_VARIABLE warnings)
  if(NOT status EQUAL 0 OR warnings)
    string(APPEND failures "${name} does not render cleanly:\n${warnings}\n")
  endif()

  # Wide lines and no hyphenation, so that every option comes out whole.
  execute_process(COMMAND ${GROFF} -man -Tascii -P-c -P-b -P-u -rLL=400n -rHY=0 ${page}
                  OUTPUT_VARIABLE text ERROR_QUIET)
  execute_process(COMMAND ${program} --help RESULT_VARIABLE status OUTPUT_VARIABLE help
                  ERROR_VARIABLE help)
  if(NOT status EQUAL 0)
    string(APPEND failures "${program} --help failed (${status}):\n${help}\n")
    continue()
  endif()
  string(REGEX MATCHALL "--[a-z][a-z0-9-]*" options "${help}")
  list(REMOVE_DUPLICATES options)
  if(NOT options)
    string(APPEND failures "${program} --help lists no options\n")
  endif()
  foreach(option ${options})
    if(NOT text MATCHES "(^|[^a-z0-9-])${option}([^a-z0-9-]|$)")
      string(APPEND failures "${name} does not describe ${option}, which --help lists\n")
    endif()
  endforeach()
endwhile()

if(failures)
  message(FATAL_ERROR "${failures}")
endif()
