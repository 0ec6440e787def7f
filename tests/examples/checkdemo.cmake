# Runs the main demo (DEMO) in its build folder (DIR), as the README does, and
# checks the file it attaches through the interface (its first and last
# lines: how many lie between depends on the configured level).
file(REMOVE_RECURSE ${DIR}/logs)
execute_process(COMMAND ${DEMO} WORKING_DIRECTORY ${DIR} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result
    TIMEOUT 120)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "The demo failed (${result}):\n${out}${err}")
endif()
if(NOT out MATCHES "Configuration file: [^\n]*/logengine.properties\n" OR NOT out MATCHES "Log files in [^\n]*logs:\n")
    message(FATAL_ERROR "The demo did not say where its configuration and files are:\n${out}${err}")
endif()
file(STRINGS ${DIR}/logs/network.log lines)
list(GET lines 0 first)
list(GET lines -1 last)
if(NOT first MATCHES "^[0-9-]+ [0-9:.]+ INFO  - Connecting to example.org:443"
        OR NOT last MATCHES "^[0-9-]+ [0-9:.]+ INFO  - Connected")
    message(FATAL_ERROR "logs/network.log holds:\n${lines}")
endif()
