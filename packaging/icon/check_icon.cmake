# Test: packaging/icon.png is what packaging/icon/papyr_icon.cpp draws now.
# -DTOOL=<papyr-icon> -DCOMMITTED=<packaging/icon.png> -DACTUAL=<output path>
execute_process(COMMAND ${TOOL} ${ACTUAL} RESULT_VARIABLE drawn)
if(NOT drawn EQUAL 0)
  message(FATAL_ERROR "papyr-icon failed (${drawn})")
endif()
execute_process(COMMAND ${CMAKE_COMMAND} -E compare_files ${COMMITTED} ${ACTUAL}
                RESULT_VARIABLE differs)
if(NOT differs EQUAL 0)
  message(FATAL_ERROR
    "${COMMITTED} is not what papyr-icon draws now (drawn: ${ACTUAL}).\n"
    "After a deliberate change run scripts/regenerate-icon.sh and look at the icon.")
endif()
