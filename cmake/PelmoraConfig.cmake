# find_package(Pelmora) for hosts built with CMake. Gives the imported target Pelmora::Pelmora
# for the architecture being configured (header, import library, Pelmora.dll as its location)
# and these variables:
#   Pelmora_ARCH               x64 or x86
#   Pelmora_IMPORT_LIBRARY     Pelmora.lib for Microsoft's tools (MSVC, clang-cl),
#                              libPelmora.dll.a for MinGW
#   Pelmora_INCLUDE_DIR        the folder of pelmora.h
#   Pelmora_CLIENT_EXECUTABLE  pmqclient.exe, which must sit beside Pelmora.dll at run time
#   Pelmora_RUNTIME_FILES      every file a host ships beside its program
#   Pelmora_DEF_FILE           the export list, for toolchains that make their own import library
# and pelmora_copy_runtime(<target>), which copies the runtime files beside a host program.
get_filename_component(_pelmora_prefix "${CMAKE_CURRENT_LIST_DIR}/../../.." ABSOLUTE)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(Pelmora_ARCH x64)
elseif(CMAKE_SIZEOF_VOID_P EQUAL 4)
  set(Pelmora_ARCH x86)
else()
  set(Pelmora_FOUND FALSE)
  set(Pelmora_NOT_FOUND_MESSAGE "Pelmora needs an enabled C or C++ language to tell x64 from x86")
  return()
endif()

set(Pelmora_INCLUDE_DIR "${_pelmora_prefix}/include")
set(_pelmora_dll "${_pelmora_prefix}/bin/${Pelmora_ARCH}/Pelmora.dll")
if(MSVC)
  set(_pelmora_implib "${_pelmora_prefix}/lib/${Pelmora_ARCH}/Pelmora.lib")
else()
  set(_pelmora_implib "${_pelmora_prefix}/lib/${Pelmora_ARCH}/libPelmora.dll.a")
endif()
set(Pelmora_IMPORT_LIBRARY "${_pelmora_implib}")
set(Pelmora_CLIENT_EXECUTABLE "${_pelmora_prefix}/bin/${Pelmora_ARCH}/pmqclient.exe")
set(Pelmora_DEF_FILE "${_pelmora_prefix}/lib/${Pelmora_ARCH}/Pelmora.def")
set(Pelmora_RUNTIME_FILES "${_pelmora_dll}" "${Pelmora_CLIENT_EXECUTABLE}")

foreach(_pelmora_file "${Pelmora_INCLUDE_DIR}/pelmora.h" "${_pelmora_implib}" ${Pelmora_RUNTIME_FILES})
  if(NOT EXISTS "${_pelmora_file}")
    set(Pelmora_FOUND FALSE)
    set(Pelmora_NOT_FOUND_MESSAGE "this Pelmora package has no ${Pelmora_ARCH} build (${_pelmora_file} is missing)")
    return()
  endif()
endforeach()

if(NOT TARGET Pelmora::Pelmora)
  add_library(Pelmora::Pelmora SHARED IMPORTED)
  set_target_properties(Pelmora::Pelmora PROPERTIES
    IMPORTED_LOCATION "${_pelmora_dll}"
    IMPORTED_IMPLIB "${_pelmora_implib}"
    INTERFACE_INCLUDE_DIRECTORIES "${Pelmora_INCLUDE_DIR}"
    PELMORA_CLIENT_EXECUTABLE "${Pelmora_CLIENT_EXECUTABLE}")
endif()

# Reads the files from the target, not from variables, so it works wherever the target is seen.
function(pelmora_copy_runtime target)
  add_custom_command(TARGET ${target} POST_BUILD
    COMMAND ${CMAKE_COMMAND} -E copy_if_different $<TARGET_FILE:Pelmora::Pelmora>
            $<TARGET_PROPERTY:Pelmora::Pelmora,PELMORA_CLIENT_EXECUTABLE>
            $<TARGET_FILE_DIR:${target}>
    VERBATIM)
endfunction()
