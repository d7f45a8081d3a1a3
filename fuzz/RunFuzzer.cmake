# Runs a fuzzer for a bounded time over a scratch copy of its seed corpus, so that the
# committed seeds are never written to. Crash inputs land beside the scratch copy. One input
# taking over two seconds, or the run growing past 512 MB, fails it like a crash.
file(REMOVE_RECURSE "${WORK}")
file(COPY "${SEEDS}/" DESTINATION "${WORK}/corpus")
execute_process(
  COMMAND "${FUZZER}" -max_total_time=${SECONDS} -max_len=${MAX_LEN} -timeout=2 -rss_limit_mb=512
          -artifact_prefix=${WORK}/ -print_final_stats=1 "${WORK}/corpus"
  RESULT_VARIABLE result)
if(NOT result EQUAL 0)
  message(FATAL_ERROR "${FUZZER} failed (${result}); reproducer in ${WORK}")
endif()
