# `cmake --install`: the library, its header, the tool, a pkg-config file and
# a CMake package (find_package(lumenmeta) -> lumenmeta::lumenmeta).
include(GNUInstallDirs)
include(CMakePackageConfigHelpers)

set(LUMENMETA_CMAKE_DIR ${CMAKE_INSTALL_LIBDIR}/cmake/lumenmeta)

install(TARGETS lumenmeta EXPORT lumenmetaTargets
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  INCLUDES DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES ${PROJECT_SOURCE_DIR}/include/lumenmeta.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
if(TARGET lumenmeta_tool)
  set_target_properties(lumenmeta_tool PROPERTIES
    INSTALL_RPATH "$ORIGIN/../${CMAKE_INSTALL_LIBDIR}")
  install(TARGETS lumenmeta_tool RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()

# The .pc file finds the prefix from its own place, so that an install with
# `cmake --install --prefix` elsewhere still points at itself.
file(RELATIVE_PATH LUMENMETA_PC_TO_PREFIX "/prefix/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/prefix")
configure_file(${PROJECT_SOURCE_DIR}/cmake/lumenmeta.pc.in
  ${PROJECT_BINARY_DIR}/lumenmeta.pc @ONLY)
install(FILES ${PROJECT_BINARY_DIR}/lumenmeta.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)

install(EXPORT lumenmetaTargets NAMESPACE lumenmeta:: DESTINATION ${LUMENMETA_CMAKE_DIR})
configure_package_config_file(${PROJECT_SOURCE_DIR}/cmake/lumenmetaConfig.cmake.in
  ${PROJECT_BINARY_DIR}/lumenmetaConfig.cmake INSTALL_DESTINATION ${LUMENMETA_CMAKE_DIR})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/lumenmetaConfigVersion.cmake
  COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/lumenmetaConfig.cmake
  ${PROJECT_BINARY_DIR}/lumenmetaConfigVersion.cmake DESTINATION ${LUMENMETA_CMAKE_DIR})
