# cmake -DIN=<kernel text> -DINLINE=<include name>=<file>|... -DOUT=<C++ file> -P EmbedKernelSource.cmake
# Writes the kernel text into a C++ file as one NUL-terminated string, the program source the
# OpenCL back end compiles at run time. Run at build time, so the module always carries the text
# that the CUDA build compiled. The program is built from this string alone, so each header in
# INLINE is written in place of its #include line, in the order given (a header may include a
# later one).
file(READ "${IN}" text)
string(REPLACE "|" ";" inline_list "${INLINE}")
foreach(entry IN LISTS inline_list)
  string(FIND "${entry}" "=" eq)
  string(SUBSTRING "${entry}" 0 ${eq} name)
  math(EXPR from "${eq} + 1")
  string(SUBSTRING "${entry}" ${from} -1 path)
  file(READ "${path}" header)
  set(include_line "#include \"${name}\"")
  string(FIND "${text}" "${include_line}" at)
  if(at EQUAL -1)
    message(FATAL_ERROR "${IN} does not include ${name}")
  endif()
  string(REPLACE "${include_line}" "${header}" text "${text}")
endforeach()
set(delimiter "DVKERNEL")  # at most 16 characters
string(FIND "${text}" ")${delimiter}" clash)
if(NOT clash EQUAL -1)
  message(FATAL_ERROR "${IN} contains the raw-string delimiter )${delimiter}")
endif()
set(content "// Generated from ${IN}; do not edit.\n#include \"KernelSource.h\"\n\nnamespace duovis::gpu {\n\nconst char kTransformKernelSource[] = R\"${delimiter}(${text})${delimiter}\";\n\n}  // namespace duovis::gpu\n")
# Leave an unchanged file alone so that nothing downstream rebuilds.
if(EXISTS "${OUT}")
  file(READ "${OUT}" old)
  if(old STREQUAL content)
    return()
  endif()
endif()
file(WRITE "${OUT}" "${content}")
