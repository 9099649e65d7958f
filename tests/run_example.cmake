# Runs `mirto --batch SCRIPT` and compares its journal with EXPECTED.
execute_process(COMMAND ${MIRTO} --batch ${SCRIPT} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "mirto exited with ${rc}: ${err}")
endif()
file(READ ${EXPECTED} expected)
if(NOT out STREQUAL expected)
  message(FATAL_ERROR "journal differs from ${EXPECTED}:\n${out}")
endif()
