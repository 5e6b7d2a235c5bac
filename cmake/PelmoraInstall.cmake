# The install tree a host developer receives. Both architectures install into one prefix:
#   bin/<arch>   Pelmora.dll, pmqclient.exe, PelmoraLogView.exe
#   lib/<arch>   the import library and Pelmora.def
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
install(FILES ${CMAKE_SOURCE_DIR}/include/pelmora.h DESTINATION include)
install(FILES ${CMAKE_SOURCE_DIR}/docs/api.md ${CMAKE_SOURCE_DIR}/docs/client-contract.md
        DESTINATION docs)
install(FILES ${CMAKE_SOURCE_DIR}/LICENSE DESTINATION .)

# One package serves both architectures, so its version file must not reject the other one.
write_basic_package_version_file(${CMAKE_BINARY_DIR}/PelmoraConfigVersion.cmake
                                 VERSION ${Pelmora_VERSION} COMPATIBILITY SameMajorVersion
                                 ARCH_INDEPENDENT)
install(FILES ${CMAKE_CURRENT_LIST_DIR}/PelmoraConfig.cmake
              ${CMAKE_BINARY_DIR}/PelmoraConfigVersion.cmake
        DESTINATION lib/cmake/Pelmora)
