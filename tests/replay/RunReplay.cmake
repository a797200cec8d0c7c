# Runs one golden replay case; see CMakeLists.txt beside this file.
execute_process(COMMAND ${REPLAY}
                INPUT_FILE ${CASE}.in
                OUTPUT_VARIABLE out
                ERROR_VARIABLE err
                RESULT_VARIABLE status)
file(READ ${CASE}.out expected_out)
set(expected_status 0)
set(expected_err "")
if(EXISTS ${CASE}.err)
    set(expected_status 2)
    file(READ ${CASE}.err expected_err)
endif()
if(NOT out STREQUAL expected_out)
    # The output goes to the build tree, so that a failing run leaves the
    # source tree as it found it.
    file(WRITE ${ACTUAL} ${out})
    message(FATAL_ERROR "standard output differs from ${CASE}.out; got ${ACTUAL}:\n${out}")
endif()
if(NOT err STREQUAL expected_err)
    message(FATAL_ERROR "standard error:\n${err}\nexpected:\n${expected_err}")
endif()
if(NOT status EQUAL expected_status)
    message(FATAL_ERROR "exit status ${status}, expected ${expected_status}")
endif()
