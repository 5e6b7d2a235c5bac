# The install tree a host developer receives. Both architectures install into one prefix:
#   bin/<arch>   Pelmora.dll, pmqclient.exe, PelmoraLogView.exe
#   lib/<arch>   the import libraries (GNU's libPelmora.dll.a, Microsoft's Pelmora.lib) and
#                Pelmora.def
#   lib/cmake/Pelmora  the CMake package (it picks <arch> when a host configures)
#   include/pelmora.h, docs/, LICENSE
include(CMakePackageConfigHelpers)

if(CMAKE_SIZEOF_VOID_P EQUAL 8)
  set(PELMORA_ARCH x64)
else()
  set(PELMORA_ARCH x86)
endif()

install(TARGETS Pelmora pmqclient PelmoraLogView
        RUNTIME DESTINATION bin/${PELMORA_ARCH}
        ARCHIVE DESTINATION lib/${PELMORA_ARCH})
install(FILES ${PELMORA_INSTALL_DEF} DESTINATION lib/${PELMORA_ARCH} RENAME Pelmora.def)
install(FILES ${CMAKE_BINARY_DIR}/lib/Pelmora.lib DESTINATION lib/${PELMORA_ARCH})
install(FILES ${CMAKE_SOURCE_DIR}/include/pelmora.h DESTINATION include)
install(FILES ${CMAKE_SOURCE_DIR}/docs/api.md ${CMAKE_SOURCE_DIR}/docs/client-contract.md
        DESTINATION docs)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE ${CMAKE_SOURCE_DIR}/CHANGELOG.md
              ${CMAKE_SOURCE_DIR}/THIRD-PARTY-NOTICES.txt DESTINATION .)
# The sample host with a CMake project, a Visual Studio project and its property sheet.
install(FILES ${CMAKE_SOURCE_DIR}/tools/c_host/c_host.c ${CMAKE_SOURCE_DIR}/tools/c_host/kit/CMakeLists.txt
              ${CMAKE_SOURCE_DIR}/tools/c_host/kit/c_host.vcxproj
              ${CMAKE_SOURCE_DIR}/tools/c_host/kit/Pelmora.props DESTINATION samples)

# The symbols, shipped in a zip of their own (the install component "symbols"): each binary gets
# a PDB of its public symbols (function names, no source lines, since GCC writes no CodeView),
# and its debug directory names that PDB by its bare name. The GUID that ties the two is a hash
# of the image (--build-id=sha1), so a rebuild gives the same pair. GNU ld writes the PDB into the
# folder it links in; scripts/pdb-reproducible.py takes the build's folders out when packing.
foreach(target Pelmora pmqclient PelmoraLogView)
  get_target_property(name ${target} OUTPUT_NAME)
  if(NOT name)
    set(name ${target})
  endif()
  get_target_property(link_dir ${target} BINARY_DIR)
  if(CMAKE_GENERATOR MATCHES "Ninja")
    set(link_dir ${CMAKE_BINARY_DIR})
  endif()
  target_link_options(${target} PRIVATE -Wl,--pdb=${name}.pdb -Wl,--build-id=sha1)
  install(FILES ${link_dir}/${name}.pdb DESTINATION bin/${PELMORA_ARCH} COMPONENT symbols
          EXCLUDE_FROM_ALL)
endforeach()

# One package serves both architectures, so its version file must not reject the other one.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/PelmoraConfigVersion.cmake
                                 VERSION ${Pelmora_VERSION} COMPATIBILITY SameMajorVersion
                                 ARCH_INDEPENDENT)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/PelmoraConfig.cmake
              ${CMAKE_BINARY_DIR}/PelmoraConfigVersion.cmake
        DESTINATION lib/cmake/Pelmora)
