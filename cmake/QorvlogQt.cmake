# Which Qt the library is built with. Qt 5 (5.15) and Qt 6 (6.4 on) build
# from the same sources; what differs between them sits in
# engine/detail/qtcompat.h. Without a choice, an installed Qt 5 is taken,
# so that existing Qt 5 applications keep the library they link today.
set(QORVLOG_QT_VERSION "" CACHE STRING "Qt major version to build with: 5 or 6 (empty: Qt 5 when installed, else Qt 6)")
if(QORVLOG_QT_VERSION STREQUAL "")
    find_package(Qt5 5.15 QUIET COMPONENTS Core)
    if(Qt5_FOUND)
        set(QORVLOG_QT_VERSION 5)
    else()
        set(QORVLOG_QT_VERSION 6)
    endif()
endif()
if(QORVLOG_QT_VERSION STREQUAL "5")
    set(QORVLOG_QT_MINIMUM 5.15)
elseif(QORVLOG_QT_VERSION STREQUAL "6")
    set(QORVLOG_QT_MINIMUM 6.4)
else()
    message(FATAL_ERROR "QORVLOG_QT_VERSION must be 5 or 6, not '${QORVLOG_QT_VERSION}'")
endif()

# Qt, its targets and its pkg-config modules by version: Qt5::Core, Qt6Core.
set(QORVLOG_QT Qt${QORVLOG_QT_VERSION})
set(QORVLOG_QT_COMPONENTS Core)
if(QORVLOG_WIDGETS)
    list(APPEND QORVLOG_QT_COMPONENTS Widgets)
endif()
find_package(${QORVLOG_QT} ${QORVLOG_QT_MINIMUM} REQUIRED COMPONENTS ${QORVLOG_QT_COMPONENTS})
set(QORVLOG_QT_LIBRARIES)
foreach(component ${QORVLOG_QT_COMPONENTS})
    list(APPEND QORVLOG_QT_LIBRARIES ${QORVLOG_QT}::${component})
endforeach()
message(STATUS "qorvlog: building with Qt ${${QORVLOG_QT}_VERSION}")
