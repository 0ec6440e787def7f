# Fails when the shared library exports an engine symbol, or misses an
# interface class.
execute_process(COMMAND nm -D -C --defined-only ${LIBRARY} OUTPUT_VARIABLE symbols RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "nm failed on ${LIBRARY}")
endif()
string(REGEX MATCHALL "[^\n]*LogEngine[^\n]*" leaked "${symbols}")
if(leaked)
    string(REPLACE ";" "\n" leaked "${leaked}")
    message(FATAL_ERROR "Engine symbols are exported:\n${leaked}")
endif()
foreach(expected "QORVLogManager::instance()" "QORVLogManagerRegistry::instance()" "QORVLogLevel::toString() const"
        "QORVLogWidget::staticMetaObject" "QORVLogStatusBar::staticMetaObject"
        "QORVLogConfigurator::configureAndWatch(QString const&)" "QORVLogger::QORVLogger(char const*)")
    string(FIND "${symbols}" "${expected}" found)
    if(found EQUAL -1)
        message(FATAL_ERROR "Missing export: ${expected}")
    endif()
endforeach()
message(STATUS "Only interface symbols are exported")
