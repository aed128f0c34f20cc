# SPDX-License-Identifier: GPL-3.0-or-later
cmake_minimum_required(VERSION 3.16)
# Fails when EXECUTABLE has a test function missing from FUNCTIONS (names
# joined by "|"): the ctest entries run only the functions they name.
execute_process(COMMAND ${EXECUTABLE} -functions OUTPUT_VARIABLE listed RESULT_VARIABLE result)
if(NOT result EQUAL 0)
    message(FATAL_ERROR "${EXECUTABLE} -functions failed: ${result}")
endif()
string(REPLACE "|" ";" run "${FUNCTIONS}")
string(REGEX MATCHALL "[A-Za-z_0-9]+\\(\\)" listed "${listed}")
foreach(function IN LISTS listed)
    string(REPLACE "()" "" function "${function}")
    if(NOT function IN_LIST run)
        message(FATAL_ERROR "${function} is run by no ctest entry: name it in tests/transfer/CMakeLists.txt")
    endif()
endforeach()
