# duovis_warnings(<target>): the project's warning set, errors under DUOVIS_WERROR.
function(duovis_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wno-sign-conversion -Wdouble-promotion -Wcast-align
                                           -Wnon-virtual-dtor -Wold-style-cast)
  if(DUOVIS_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
  endif()
endfunction()
