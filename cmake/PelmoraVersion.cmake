# pelmora_version_resource(<target> DESCRIPTION <text> ORIGINAL_FILENAME <name>)
#   Gives a DLL or program a version resource from the project's one version number, so that
#   installers and support staff read what the file is in its properties.
set(PELMORA_VERSION_TEMPLATE ${CMAKE_CURRENT_LIST_DIR}/VersionInfo.rc.in)

function(pelmora_version_resource target)
  cmake_parse_arguments(PELMORA_VERSION "" "DESCRIPTION;ORIGINAL_FILENAME" "" ${ARGN})
  if(NOT PELMORA_VERSION_DESCRIPTION OR NOT PELMORA_VERSION_ORIGINAL_FILENAME)
    message(FATAL_ERROR "pelmora_version_resource(${target}): DESCRIPTION and ORIGINAL_FILENAME are required")
  endif()
  set(PELMORA_VERSION_COMPANY "Torva Inc.")
  set(PELMORA_VERSION_PRODUCT "Pelmora")
  get_filename_component(PELMORA_VERSION_INTERNAL_NAME ${PELMORA_VERSION_ORIGINAL_FILENAME} NAME_WE)
  # The four numeric fields of the resource; parts the project version leaves out are 0.
  set(PELMORA_VERSION_TEXT ${Pelmora_VERSION})
  foreach(part MAJOR MINOR PATCH TWEAK)
    set(PELMORA_VERSION_${part} "${Pelmora_VERSION_${part}}")
    if("${PELMORA_VERSION_${part}}" STREQUAL "")
      set(PELMORA_VERSION_${part} 0)
    endif()
  endforeach()
  get_target_property(type ${target} TYPE)
  if(type STREQUAL "SHARED_LIBRARY")
    set(PELMORA_VERSION_FILETYPE VFT_DLL)
  else()
    set(PELMORA_VERSION_FILETYPE VFT_APP)
  endif()
  set(rc ${CMAKE_CURRENT_BINARY_DIR}/${target}.version.rc)
  configure_file(${PELMORA_VERSION_TEMPLATE} ${rc} @ONLY)
  target_sources(${target} PRIVATE ${rc})
endfunction()

# The header's version macros are what hosts test at compile time: they must say what the
# project's version says, or a host would be built against one version and run another.
file(STRINGS ${CMAKE_SOURCE_DIR}/include/pelmora.h pelmora_header_version
     REGEX "^#define PELMORA_VERSION_(MAJOR|MINOR|PATCH) [0-9]+$")
foreach(part MAJOR MINOR PATCH)
  set(expected "#define PELMORA_VERSION_${part} ${Pelmora_VERSION_${part}}")
  if(NOT expected IN_LIST pelmora_header_version)
    message(FATAL_ERROR "include/pelmora.h does not say '${expected}' (project version ${Pelmora_VERSION})")
  endif()
endforeach()
