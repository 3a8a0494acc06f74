# duovis_add_pipl(<target> <description> <build>): encodes the descriptor description at build
# time and links it into <target> as its ".pipl" section. Re-runs when the description or the
# generator changes. The description names the effect version as @DUOVIS_EFFECT_VERSION@, so
# the descriptor states the project's version like everything else does.
include_guard(GLOBAL)

# duovis_effect_version(<out> <build>): the project's version in the host's effect-version
# word: version (bits 19 and up), sub-version (15-18), patch (11-14), stage (9-10, 0 is the
# development stage) and build (0-8).
function(duovis_effect_version out build)
  math(EXPR word "(${PROJECT_VERSION_MAJOR} << 19) | (${PROJECT_VERSION_MINOR} << 15) | (${PROJECT_VERSION_PATCH} << 11) | ${build}"
       OUTPUT_FORMAT HEXADECIMAL)
  set(${out} ${word} PARENT_SCOPE)
endfunction()

function(duovis_add_pipl target description build)
  duovis_effect_version(DUOVIS_EFFECT_VERSION ${build})
  get_filename_component(name "${description}" NAME)
  set(desc "${CMAKE_CURRENT_BINARY_DIR}/${target}_${name}")
  configure_file("${description}" "${desc}" @ONLY)
  set(out "${CMAKE_CURRENT_BINARY_DIR}/${target}_pipl.cpp")
  add_custom_command(
    OUTPUT "${out}"
    COMMAND piplgen "${desc}" "${out}"
    DEPENDS "${desc}" piplgen
    COMMENT "Encoding plug-in descriptor ${description} for ${target}"
    VERBATIM)
  target_sources(${target} PRIVATE "${out}")
endfunction()
