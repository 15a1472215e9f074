# Builds the Debian package with CPack and checks its control fields, that it holds exactly
# what the install rules install, and that lintian finds no errors (warnings are printed).
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${WORK})
get_filename_component(cmake_bin ${CMAKE_COMMAND} DIRECTORY)
find_program(CPACK cpack HINTS ${cmake_bin} REQUIRED)

execute_process(COMMAND ${CPACK} -G DEB --config ${BUILD}/CPackConfig.cmake -B ${WORK}/out
                WORKING_DIRECTORY ${WORK} OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
file(GLOB debs ${WORK}/out/*.deb)
list(LENGTH debs n)
if(NOT rc EQUAL 0 OR NOT n EQUAL 1)
  message(FATAL_ERROR "cpack -G DEB failed (${rc}, ${n} packages):\n${out}\n${err}")
endif()
set(deb ${debs})

foreach(field Package Version Section Maintainer Depends Description Architecture)
  execute_process(COMMAND dpkg-deb -f ${deb} ${field} OUTPUT_VARIABLE value
                  OUTPUT_STRIP_TRAILING_WHITESPACE)
  set(${field} "${value}")
  if(value STREQUAL "")
    message(SEND_ERROR "the package has no ${field} field")
  endif()
endforeach()
if(NOT Package STREQUAL "orvanta" OR NOT Section STREQUAL "science")
  message(SEND_ERROR "package ${Package}, section ${Section}: want orvanta, science")
endif()
# dpkg-shlibdeps computed the dependencies from the executables' libraries.
foreach(lib libc6 libstdc\\+\\+6 zlib1g)
  if(NOT Depends MATCHES "${lib} \\(>= ")
    message(SEND_ERROR "Depends lacks a versioned ${lib}: ${Depends}")
  endif()
endforeach()
if(EXISTS ${BUILD}/bin/orvanta AND NOT Depends MATCHES "libqt6widgets6")
  message(SEND_ERROR "Depends lacks Qt Widgets: ${Depends}")
endif()

# The files of the package are the files the install rules put under /usr.
execute_process(COMMAND dpkg-deb -c ${deb} OUTPUT_VARIABLE listing)
string(REPLACE "\n" ";" lines "${listing}")
set(packaged)
foreach(line IN LISTS lines)
  if(line MATCHES "^-.* \\./(.*)$")
    list(APPEND packaged ${CMAKE_MATCH_1})
  endif()
endforeach()
execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${WORK}/root/usr
                OUTPUT_QUIET RESULT_VARIABLE rc)
file(GLOB_RECURSE installed RELATIVE ${WORK}/root ${WORK}/root/*)
list(SORT packaged)
list(SORT installed)
if(NOT packaged STREQUAL installed)
  set(only_deb ${packaged})
  list(REMOVE_ITEM only_deb ${installed})
  set(only_install ${installed})
  list(REMOVE_ITEM only_install ${packaged})
  message(SEND_ERROR "package and install rules differ:\nonly in the package: ${only_deb}\n"
                     "only installed: ${only_install}")
endif()

execute_process(COMMAND ${LINTIAN} --fail-on error --tag-display-limit 0 ${deb}
                OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
message(STATUS "lintian:\n${out}${err}")
if(NOT rc EQUAL 0)
  message(SEND_ERROR "lintian reports errors on the package (${rc})")
endif()
file(REMOVE_RECURSE ${WORK})
