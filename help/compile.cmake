# Runs chmcmd on the copied sources and refuses a help file with a missing
# picture or page: chmcmd itself only warns about them.
execute_process(COMMAND ${CHMCMD} Quillmoor.hhp WORKING_DIRECTORY ${WORK}
                OUTPUT_VARIABLE out ERROR_VARIABLE out RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR out MATCHES "couldn't find|[Ee]rror" OR NOT EXISTS ${WORK}/Quillmoor.chm)
  message(FATAL_ERROR "chmcmd failed on the help sources:\n${out}")
endif()
file(COPY_FILE ${WORK}/Quillmoor.chm ${OUT})
