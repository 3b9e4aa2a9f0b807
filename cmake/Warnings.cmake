# Project-wide warnings; CI turns them into errors.
function(vyx_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion)
  if(VYX_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
