# Runs the widgets demo in screenshot mode (DEMO, SHOT) and checks the picture
# and what its log view and status bar show.
file(REMOVE ${SHOT})
execute_process(COMMAND ${DEMO} --screenshot ${SHOT} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE result
    TIMEOUT 120)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "The widgets demo failed (${result}):\n${out}${err}")
endif()
file(READ ${SHOT} magic LIMIT 8 HEX)
if(NOT magic STREQUAL "89504e470d0a1a0a")
    message(FATAL_ERROR "No PNG picture in ${SHOT}")
endif()
# The GUI thread's messages arrive at once, the worker's through the event
# loop; stat and status reach the widget as INFO.
string(CONCAT expected
    "TRACE Round 1: entering the settings page\n"
    "DEBUG Round 1: 3 items in the cache\n"
    "INFO Round 1: document opened\n"
    "WARN Round 1: autosave is off\n"
    "ERROR Round 1: printer not found\n"
    "FATAL Round 1: licence expired\n"
    "INFO Round 1: 42 pages rendered\n"
    "INFO Round 1: ready\n"
    "INFO Worker: step 1 of 3\n"
    "INFO Worker: step 2 of 3\n"
    "INFO Worker: step 3 of 3\n"
    "WARN Worker: done, one file skipped\n"
    "Status bar: Worker: done, one file skipped\n")
if(NOT out STREQUAL expected)
    message(FATAL_ERROR "The log view held:\n${out}\nexpected:\n${expected}")
endif()
