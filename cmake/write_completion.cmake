# Writes the bash completion that PROGRAM prints to OUT: the completion is
# made from the program's own option table, never kept by hand.
execute_process(COMMAND "${PROGRAM}" --bash-completion
                OUTPUT_FILE "${OUT}"
                RESULT_VARIABLE status)
if(NOT status EQUAL 0)
  file(REMOVE "${OUT}")
  message(FATAL_ERROR "${PROGRAM} --bash-completion failed: ${status}")
endif()
