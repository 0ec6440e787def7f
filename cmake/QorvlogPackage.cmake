# What an application needs to find the installed library: a CMake package
# (find_package(QORVLog) gives QORVLog::QORVLog, as the build tree does, and
# finds Qt itself) and a pkg-config file. The library, its public headers and
# the exported targets are installed beside the library's target.
#
# The Qt 6 build installs beside the Qt 5 one under names of its own, as Qt
# libraries do: libqorvlog-qt6.so, include/qorvlog-qt6, the package
# QORVLogQt6 (which gives the same QORVLog::QORVLog), qorvlog-qt6.pc and the
# tool qorvlog-qt6. The Qt 5 build keeps the names it always had.
include(CMakePackageConfigHelpers)

set_target_properties(qorvlog PROPERTIES EXPORT_NAME QORVLog)

set(QORVLOG_QT_COMPONENT_LIST)
string(REPLACE ";" " " QORVLOG_QT_COMPONENT_LIST "${QORVLOG_QT_COMPONENTS}")
configure_package_config_file(${CMAKE_CURRENT_LIST_DIR}/QORVLogConfig.cmake.in
    ${PROJECT_BINARY_DIR}/${QORVLOG_PACKAGE}Config.cmake INSTALL_DESTINATION lib/cmake/${QORVLOG_PACKAGE})
write_basic_package_version_file(${PROJECT_BINARY_DIR}/${QORVLOG_PACKAGE}ConfigVersion.cmake
    VERSION ${PROJECT_VERSION} COMPATIBILITY SameMajorVersion)
install(FILES ${PROJECT_BINARY_DIR}/${QORVLOG_PACKAGE}Config.cmake
    ${PROJECT_BINARY_DIR}/${QORVLOG_PACKAGE}ConfigVersion.cmake DESTINATION lib/cmake/${QORVLOG_PACKAGE})

set(pc_requires)
foreach(component ${QORVLOG_QT_COMPONENTS})
    list(APPEND pc_requires ${QORVLOG_QT}${component})
endforeach()
string(REPLACE ";" " " pc_requires "${pc_requires}")
if(QORVLOG_WIDGETS)
    set(pc_variant "")
    set(pc_widgets yes)
else()
    set(pc_variant " (without widgets)")
    set(pc_widgets no)
endif()
# Written when installing, so that it names the prefix actually installed
# to (cmake --install --prefix), not the one configured.
install(CODE "
    set(prefix \"\${CMAKE_INSTALL_PREFIX}\")
    set(version \"${PROJECT_VERSION}\")
    set(name \"${QORVLOG_NAME}\")
    set(qt_version \"${QORVLOG_QT_VERSION}\")
    set(requires \"${pc_requires}\")
    set(variant \"${pc_variant}\")
    set(widgets \"${pc_widgets}\")
    configure_file(\"${CMAKE_CURRENT_LIST_DIR}/qorvlog.pc.in\" \"${PROJECT_BINARY_DIR}/${QORVLOG_NAME}.pc\" @ONLY)
")
install(FILES ${PROJECT_BINARY_DIR}/${QORVLOG_NAME}.pc DESTINATION lib/pkgconfig)
