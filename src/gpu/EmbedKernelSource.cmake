# cmake -DIN=<kernel text> -DCODES=<code header> -DCODES_INCLUDE=<its include name> -DOUT=<C++ file>
#       -P EmbedKernelSource.cmake
# Writes the kernel text into a C++ file as one NUL-terminated string, the program source the
# OpenCL back end compiles at run time. Run at build time, so the module always carries the text
# that the CUDA build compiled. The program is built from this string alone, so the code header
# the text includes is written in place of its #include line.
file(READ "${IN}" text)
file(READ "${CODES}" codes)
set(codes_name "${CODES_INCLUDE}")
set(include_line "#include \"${codes_name}\"")
string(FIND "${text}" "${include_line}" at)
if(at EQUAL -1)
  message(FATAL_ERROR "${IN} does not include ${codes_name}")
endif()
string(REPLACE "${include_line}" "${codes}" text "${text}")
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
