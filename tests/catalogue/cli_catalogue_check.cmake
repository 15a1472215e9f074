# Runs "orvanta-cli catalogue" on the built-in element file and on a missing one.
# -DCLI=<path to orvanta-cli> -DWORK=<scratch directory>
execute_process(COMMAND ${CLI} catalogue RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "built-in file: exit ${rc}: ${err}")
endif()
string(REGEX MATCHALL "\n" newlines "${out}")
list(LENGTH newlines rows)
# Header plus the 15,347 sets of the CelesTrak active snapshot, in file order.
if(NOT rows EQUAL 15348)
  message(FATAL_ERROR "expected 15348 lines, got ${rows}")
endif()
string(FIND "${out}" "catalogue,name\n900,CALSPHERE 1             \n" head)
string(FIND "${out}" "\n25544,ISS (ZARYA)             \n" iss)
if(NOT head EQUAL 0 OR iss LESS 0)
  message(FATAL_ERROR "unexpected listing:\n${out}")
endif()
if(NOT err MATCHES "15347 Kepler elements loaded from file")
  message(FATAL_ERROR "count missing on stderr: ${err}")
endif()

execute_process(COMMAND ${CLI} catalogue --file ${WORK}/no-such-keplers
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err STREQUAL "Your application needs to be reinstalled. The Keplers file is missing!\n")
  message(FATAL_ERROR "missing file: exit ${rc}, stderr '${err}'")
endif()

file(MAKE_DIRECTORY ${WORK})
file(WRITE ${WORK}/plain-keplers "ISS (ZARYA)\n1 25544U ...\n")
execute_process(COMMAND ${CLI} catalogue --file ${WORK}/plain-keplers
                RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
if(NOT rc EQUAL 2 OR NOT err STREQUAL "kepler error: problem while unzipping file\n")
  message(FATAL_ERROR "not gzip: exit ${rc}, stderr '${err}'")
endif()

# Bad arguments: exit 2 with one line naming the problem.
foreach(bad "--file" "--bogus")
  execute_process(COMMAND ${CLI} catalogue ${bad} RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
  string(FIND "${err}" "(usage: catalogue [--file PATH])" usage)
  string(REGEX MATCHALL "\n" lines "${err}")
  list(LENGTH lines count)
  if(NOT rc EQUAL 2 OR NOT out STREQUAL "" OR NOT err MATCHES "^orvanta-cli: catalogue: "
     OR usage LESS 0 OR NOT count EQUAL 1)
    message(FATAL_ERROR "${bad}: exit ${rc}, stdout '${out}', stderr '${err}'")
  endif()
endforeach()
if(NOT err MATCHES "unexpected argument '--bogus'")
  message(FATAL_ERROR "--bogus not named: '${err}'")
endif()
execute_process(COMMAND ${CLI} catalogue --file RESULT_VARIABLE rc ERROR_VARIABLE err)
if(NOT err MATCHES "--file needs a path")
  message(FATAL_ERROR "--file without a path: '${err}'")
endif()
