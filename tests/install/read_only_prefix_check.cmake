# Installs into a fresh prefix, makes it read-only, and runs the installed programs with a
# fresh home: they must find their data through their own location, work, and write nothing
# under the prefix (checked by a listing with sizes and times, since root may write anyway).
set(prefix ${WORK}/prefix)
set(home ${WORK}/home)
if(EXISTS ${prefix})
  file(CHMOD_RECURSE ${prefix} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
endif()
file(REMOVE_RECURSE ${WORK})
file(MAKE_DIRECTORY ${home})

execute_process(COMMAND ${CMAKE_COMMAND} --install ${BUILD} --prefix ${prefix}
                OUTPUT_QUIET RESULT_VARIABLE rc)
if(NOT rc EQUAL 0)
  message(FATAL_ERROR "cmake --install ${BUILD} --prefix ${prefix} failed (${rc})")
endif()

set(expected
  bin/orvanta-cli
  share/orvanta/keplers
  share/orvanta/images/earth-day-01.jpg
  share/orvanta/images/earth-night.jpg
  share/applications/${APP_ID}.desktop
  share/metainfo/${APP_ID}.metainfo.xml
  share/icons/hicolor/scalable/apps/${APP_ID}.svg
  share/icons/hicolor/48x48/apps/${APP_ID}.png
  share/icons/hicolor/128x128/apps/${APP_ID}.png
  share/icons/hicolor/256x256/apps/${APP_ID}.png
  share/man/man1/orvanta.1.gz
  share/man/man1/orvanta-cli.1.gz
  share/doc/orvanta/CREDITS
  share/doc/orvanta/copyright
  share/doc/orvanta/html/index.html)
if(WITH_GUI)
  list(APPEND expected bin/orvanta)
endif()
if(WITH_NET)
  list(APPEND expected bin/orvanta-cli-net)
endif()
foreach(f IN LISTS expected)
  if(NOT EXISTS ${prefix}/${f})
    message(SEND_ERROR "the install lacks ${f}")
  endif()
endforeach()
file(READ ${prefix}/share/doc/orvanta/CREDITS credits)
foreach(credit GeoNames "CC BY 4.0" "SatNOGS DB" "CC BY-SA 4.0" "NASA" "Bright Star" CelesTrak)
  string(FIND "${credits}" "${credit}" at)
  if(at EQUAL -1)
    message(SEND_ERROR "share/doc/orvanta/CREDITS does not name ${credit}")
  endif()
endforeach()

function(listing out)
  file(GLOB_RECURSE files LIST_DIRECTORIES true ${prefix}/*)
  list(SORT files)
  set(text)
  foreach(f IN LISTS files)
    file(TIMESTAMP ${f} t "%s")
    if(IS_DIRECTORY ${f})
      string(APPEND text "${f} dir ${t}\n")
    else()
      file(SIZE ${f} s)
      string(APPEND text "${f} ${s} ${t}\n")
    endif()
  endforeach()
  set(${out} "${text}" PARENT_SCOPE)
endfunction()

file(CHMOD_RECURSE ${prefix} FILE_PERMISSIONS OWNER_READ GROUP_READ WORLD_READ
     DIRECTORY_PERMISSIONS OWNER_READ OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
file(CHMOD_RECURSE ${prefix}/bin FILE_PERMISSIONS OWNER_READ OWNER_EXECUTE GROUP_READ
     GROUP_EXECUTE WORLD_READ WORLD_EXECUTE
     DIRECTORY_PERMISSIONS OWNER_READ OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
listing(before)

# A fresh user: nothing of the test's own environment may point elsewhere.
set(env
  --unset=ORVANTA_HOME --unset=XDG_CONFIG_HOME --unset=XDG_CACHE_HOME
  HOME=${home} XDG_DATA_HOME=${home}/.local/share XDG_RUNTIME_DIR=${home}/runtime
  ORVANTA_SETTINGS=${home}/.config/Quorrin/Orvanta.reg)
file(MAKE_DIRECTORY ${home}/runtime)
file(CHMOD ${home}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

execute_process(
  COMMAND ${CMAKE_COMMAND} -E env ${env} ${prefix}/bin/orvanta-cli passes --sat 25544
          --lat 51.4779 --lon -0.0015 --start 2026-05-08T00:00:00Z --passes 2
  OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
if(NOT rc EQUAL 0 OR NOT out MATCHES "\n25544,ISS \\(ZARYA\\),2026-05-08T")
  message(SEND_ERROR "installed orvanta-cli passes without --tle failed (${rc}):\n${out}\n${err}")
endif()
if(NOT EXISTS ${home}/.local/share/Orvanta/keplers)
  message(SEND_ERROR "orvanta-cli did not install the per-user element file "
                     "${home}/.local/share/Orvanta/keplers")
endif()

if(WITH_GUI)
  execute_process(
    COMMAND ${CMAKE_COMMAND} -E env ${env} QT_QPA_PLATFORM=offscreen
            ${prefix}/bin/orvanta --render earthview --at 2026-05-08T12:00:00Z --size 256x128
            --out ${home}/earth.png
    OUTPUT_VARIABLE out ERROR_VARIABLE err RESULT_VARIABLE rc)
  if(NOT rc EQUAL 0 OR NOT EXISTS ${home}/earth.png)
    message(SEND_ERROR "installed orvanta --render failed (${rc}):\n${out}\n${err}")
  endif()
endif()

listing(after)
if(NOT before STREQUAL after)
  message(SEND_ERROR "the programs wrote under the read-only prefix:\nbefore:\n${before}\nafter:\n${after}")
endif()

file(CHMOD_RECURSE ${prefix} DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)
file(REMOVE_RECURSE ${WORK})
