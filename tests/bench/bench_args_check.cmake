# A filter that selects nothing exits 2 with the benchmark list on stderr, before anything
# runs; --help prints the usage and the list on stdout and exits 0.
# -DBENCH=<path to orvanta-bench>
foreach(args "no-such-benchmark" "orbit;no-such-benchmark")
  execute_process(COMMAND ${BENCH} ${args} TIMEOUT 20
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 2 OR NOT out STREQUAL ""
     OR NOT err MATCHES "'no-such-benchmark' selects no benchmark\n"
     OR NOT err MATCHES "\n  orbit\n" OR NOT err MATCHES "\n  passes\n")
    message(FATAL_ERROR "${args}: exit ${rc}, stdout '${out}', stderr '${err}'")
  endif()
endforeach()

foreach(flag "--help" "-h")
  execute_process(COMMAND ${BENCH} ${flag} TIMEOUT 20
                  RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  if(NOT rc EQUAL 0 OR NOT out MATCHES "^usage: orvanta-bench " OR NOT out MATCHES "\n  orbit\n"
     OR NOT err STREQUAL "")
    message(FATAL_ERROR "${flag}: exit ${rc}, stdout '${out}', stderr '${err}'")
  endif()
endforeach()
