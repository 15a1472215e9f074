# Runs "<command> --help" and "<command> -h" for each command "orvanta-cli --help" lists: exit 0,
# the usage and an example on stdout, nothing on stderr, whatever else is on the line.
# -DCLI=<path to orvanta-cli> -DWITH_QT=<ON when the Qt commands are built>
execute_process(COMMAND ${CLI} --help RESULT_VARIABLE rc OUTPUT_VARIABLE help)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "orvanta-cli --help: exit ${rc}")
endif()
string(REGEX MATCH "commands:\n(.*)" _ "${help}")
string(REPLACE "\n" ";" lines "${CMAKE_MATCH_1}")
set(names)
foreach(line IN LISTS lines)
  if(line MATCHES "^  ([a-z][a-z0-9-]*)")
    list(APPEND names ${CMAKE_MATCH_1})
  endif()
endforeach()
# Nine commands need only the core; check-update, download and time-offset come with Qt.
list(LENGTH names count)
set(expected 9)
if(WITH_QT)
  set(expected 12)
endif()
if(count LESS expected)
  message(FATAL_ERROR "expected at least ${expected} commands, found ${count}: ${names}")
endif()

set(failures)
foreach(name IN LISTS names)
  # The flag alone, -h, and --help after options that would take it for a value. -h is
  # followed by a bad option, so a command that took it for a host still stops offline.
  foreach(args "--help" "-h;--no-such-option" "--lat;51;--at;--help")
    execute_process(COMMAND ${CLI} ${name} ${args}
                    RESULT_VARIABLE rc OUTPUT_VARIABLE out ERROR_VARIABLE err)
    string(FIND "${out}" "usage: orvanta-cli ${name} " usage)
    string(FIND "${out}" "\nExample:\n  orvanta-cli ${name} " example)
    if(NOT rc EQUAL 0 OR NOT usage EQUAL 0 OR example LESS 0 OR NOT err STREQUAL "")
      list(APPEND failures "${name} ${args}: exit ${rc}, stdout '${out}', stderr '${err}'")
    endif()
  endforeach()
endforeach()
if(failures)
  string(REPLACE ";" "\n" failures "${failures}")
  message(FATAL_ERROR "${failures}")
endif()
message(STATUS "all ${count} commands answer --help")
