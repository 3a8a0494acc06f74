# duovis_test_modules(<target>): compiles the built plug-in modules' paths into a test program as
# DUOVISX_PATH and DUOVIS_PATH (absent when a module is not built), and builds them first.
function(duovis_test_modules target)
  foreach(module DuovisX Duovis)
    if(TARGET ${module})
      string(TOUPPER ${module} upper)
      target_compile_definitions(${target} PRIVATE ${upper}_PATH="$<TARGET_FILE:${module}>")
      add_dependencies(${target} ${module})
    endif()
  endforeach()
endfunction()
