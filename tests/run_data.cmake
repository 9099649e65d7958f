# A data script and its typed twin: the data script's journal, its data note
# lines aside, must equal the typed one (figures worked out in R), and its
# note lines must equal NOTES (counted by hand).
foreach(script DATA TYPED)
  execute_process(COMMAND ${MIRTO} --batch ${${script}} WORKING_DIRECTORY ${DIR} OUTPUT_VARIABLE ${script}_out
                  ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0)
    message(FATAL_ERROR "${${script}}: mirto exited with ${rc}: ${err}")
  endif()
endforeach()
string(REGEX REPLACE "(^|\n)Data [^\n]*" "" blocks "${DATA_out}")
string(REGEX MATCHALL "(^|\n)Data [^\n]*" notes "${DATA_out}")
string(REPLACE ";" "" notes "${notes}")
string(REGEX REPLACE "^\n" "" notes "${notes}")
if(NOT blocks STREQUAL TYPED_out)
  message(FATAL_ERROR "the blocks of ${DATA} differ from those of ${TYPED}:\n${DATA_out}")
endif()
file(READ ${NOTES} expected)
if(NOT "${notes}\n" STREQUAL expected)
  message(FATAL_ERROR "the data notes of ${DATA} differ from ${NOTES}:\n${notes}")
endif()
