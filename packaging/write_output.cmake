# cmake -DPROGRAM=... -DARGUMENT=... -DOUTPUT=... [-DGZIP=gzip] -P write_output.cmake
# What a built program prints for ARGUMENT, into OUTPUT; gzip -9n for the manual pages, as
# Debian wants them (no name or time stamp in the header, so rebuilds are identical).
execute_process(COMMAND ${PROGRAM} ${ARGUMENT} OUTPUT_FILE ${OUTPUT} RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  file(REMOVE ${OUTPUT})
  message(FATAL_ERROR "${PROGRAM} ${ARGUMENT} failed: ${result}")
endif()
if(GZIP)
  execute_process(COMMAND ${GZIP} -9nf ${OUTPUT} RESULT_VARIABLE result)
  if(NOT result EQUAL 0)
    message(FATAL_ERROR "gzip ${OUTPUT} failed: ${result}")
  endif()
endif()
