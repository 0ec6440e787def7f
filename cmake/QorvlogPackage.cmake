# What an application needs to find the installed library: a CMake package
# (find_package(QORVLog) gives QORVLog::QORVLog, as the build tree does, and
# finds Qt itself) and a pkg-config file. The library, its public headers and
# the exported targets are installed beside the library's target.
include(CMakePackageConfigHelpers)

set_target_properties(qorvlog PROPERTIES EXPORT_NAME QORVLog)

configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QORVLogConfig.cmake.in
    ${PROJECT_BINARY_DIR}/QORVLogConfig.cmake INSTALL_DESTINATION lib/cmake/QORVLog)
write_basic_package_version_file(${PROJECT_BINARY_DIR}/QORVLogConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/QORVLogConfig.cmake ${PROJECT_BINARY_DIR}/QORVLogConfigVersion.cmake
    DESTINATION lib/cmake/QORVLog)

# Written when installing, so that it names the prefix actually installed
# to (cmake --install --prefix), not the one configured.
install(CODE "
    set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(version \"${PROJECT_VERSION}\")
    configure_file(\"${CMAKE_CURRENT_LIST_DIR}/qorvlog.pc.in\" \"${PROJECT_BINARY_DIR}/qorvlog.pc\" @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/qorvlog.pc DESTINATION lib/pkgconfig)
