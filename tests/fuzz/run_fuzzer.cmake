# Runs one fuzzer for a bounded number of inputs. The committed seeds are only
# read: the inputs the run adds go to a scratch directory, emptied first so
# that every run starts from the same corpus.
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK} ${ARTIFACTS})
execute_process(COMMAND ${FUZZER} ${OPTIONS} -artifact_prefix=${ARTIFACTS} ${WORK} ${SEEDS}
                RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); the input that failed is in ${ARTIFACTS}")
endif()
