# duovis_add_pipl(<target> <description>): encodes the descriptor description at build time
# and links it into <target> as its ".pipl" section. Re-runs when the description or the
# generator changes.
include_guard(GLOBAL)

function(duovis_add_pipl target description)
  get_filename_component(desc "${description}" ABSOLUTE)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_pipl.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND piplgen "${desc}" "${out}"
    DEPENDS "${desc}" piplgen
    COMMENT "Encoding plug-in descriptor ${description} for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
