# Manifests linked in as resources (type 24, RT_MANIFEST):
#   pelmora_program_manifest(<target> DESCRIPTION <text>)  resource 1, the program's own: asInvoker,
#     the version-6 common controls, the systems it was tested on.
#   pelmora_library_manifest(<target>)  resource 2, which a DLL activates itself around its
#     windows (src/kit/win32/ActivationScope.h); the loader reads no manifest of a DLL on its own.
set(PELMORA_MANIFEST_DIR ${CMAKE_CURRENT_LIST_DIR}/manifests)

function(pelmora_manifest_resource target kind id)
  get_target_property(PELMORA_MANIFEST_NAME ${target} OUTPUT_NAME)
  if(NOT PELMORA_MANIFEST_NAME)
    set(PELMORA_MANIFEST_NAME ${target})
  endif()
  set(PELMORA_MANIFEST_VERSION ${Pelmora_VERSION_MAJOR}.${Pelmora_VERSION_MINOR}.${Pelmora_VERSION_PATCH}.0)
  set(PELMORA_MANIFEST_DESCRIPTION ${ARGN})
  get_target_property(dir ${target} BINARY_DIR)
  set(manifest ${dir}/${target}.manifest)
  configure_file(${PELMORA_MANIFEST_DIR}/${kind}.manifest.in ${manifest} @ONLY)
  # The resource compiler runs in the build folder: a bare name keeps the folder out of the
  # binary, and the dependency makes an edited manifest relink.
  file(WRITE ${dir}/${target}.manifest.rc "${id} 24 \"${target}.manifest\"\n")
  target_sources(${target} PRIVATE ${dir}/${target}.manifest.rc)
  set_source_files_properties(${dir}/${target}.manifest.rc PROPERTIES OBJECT_DEPENDS ${manifest})
endfunction()

function(pelmora_program_manifest target)
  cmake_parse_arguments(PELMORA_MANIFEST "" "DESCRIPTION" "" ${ARGN})
  pelmora_manifest_resource(${target} program 1 "${PELMORA_MANIFEST_DESCRIPTION}")
endfunction()

function(pelmora_library_manifest target)
  pelmora_manifest_resource(${target} library 2)
endfunction()
