# What `cmake --install` puts where (GNUInstallDirs): the header, the library, the host, the
# documentation, the APL kit and the example configuration; on Linux also the CMake package
# (find_package(zrt32) gives zrt32::zrt32) and zrt32.pc for pkg-config.
install(TARGETS zrt32 EXPORT zrt32Targets
  RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR}
  LIBRARY DESTINATION ${CMAKE_INSTALL_LIBDIR}
  ARCHIVE DESTINATION ${CMAKE_INSTALL_LIBDIR})
if(TARGET zrt)
  install(TARGETS zrt RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})
endif()
install(FILES include/zrt32.h DESTINATION ${CMAKE_INSTALL_INCLUDEDIR})
install(FILES README.md DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(DIRECTORY docs/ DESTINATION ${CMAKE_INSTALL_DOCDIR})
install(FILES examples/tour.zrt DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(DIRECTORY examples/c DESTINATION ${CMAKE_INSTALL_DOCDIR}/examples)
install(DIRECTORY apl/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zrt32/apl)
install(DIRECTORY examples/config/ DESTINATION ${CMAKE_INSTALL_DATADIR}/zrt32/config)

# The Windows DLL has no import library to link against (docs/windows.md): no package there.
if(NOT WIN32)
  set(_package_dir ${CMAKE_INSTALL_LIBDIR}/cmake/zrt32)
  install(EXPORT zrt32Targets NAMESPACE zrt32:: DESTINATION ${_package_dir})
  include(CMakePackageConfigHelpers)
  configure_package_config_file(cmake/zrt32Config.cmake.in
    ${CMAKE_BINARY_DIR}/zrt32Config.cmake INSTALL_DESTINATION ${_package_dir})
  write_basic_package_version_file(${CMAKE_BINARY_DIR}/zrt32ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
  install(FILES ${CMAKE_BINARY_DIR}/zrt32Config.cmake ${CMAKE_BINARY_DIR}/zrt32ConfigVersion.cmake
          DESTINATION ${_package_dir})

  # zrt32.pc finds the prefix from its own place, so that an installed tree can be moved.
  file(RELATIVE_PATH ZRT_PC_PREFIX "/${CMAKE_INSTALL_LIBDIR}/pkgconfig" "/")
  string(REGEX REPLACE "/$" "" ZRT_PC_PREFIX "${ZRT_PC_PREFIX}")
  configure_file(cmake/zrt32.pc.in ${CMAKE_BINARY_DIR}/zrt32.pc @ONLY)
  install(FILES ${CMAKE_BINARY_DIR}/zrt32.pc DESTINATION ${CMAKE_INSTALL_LIBDIR}/pkgconfig)
endif()
