# Installing (cmake --install) and packaging (cpack -G DEB).
#
# Layout under the prefix: the executables in bin/, the built-in data that the programs read
# at run time in share/orvanta/ (found from the executable through ORVANTA_DATA_FROM_BINDIR,
# so any prefix works), the desktop entry, icons, AppStream data, manual pages and credits in
# their usual places. Data added beside the executables in resources/CMakeLists.txt must be
# installed here too; the install test runs the installed programs on a read-only prefix.
include(GNUInstallDirs)

set(ORVANTA_APP_ID org.example.Orvanta)
set(ORVANTA_INSTALL_DATADIR ${CMAKE_INSTALL_DATADIR}/orvanta)
set(ORVANTA_INSTALL_DOCDIR ${CMAKE_INSTALL_DATADIR}/doc/orvanta)

# The version the program reports is the package's version too.
file(STRINGS ${PROJECT_SOURCE_DIR}/common/version.h ORVANTA_VERSION_LINE REGEX "kProgramVersion\\[\\] = ")
string(REGEX MATCH "\"([0-9.]+)\"" _ "${ORVANTA_VERSION_LINE}")
set(ORVANTA_VERSION ${CMAKE_MATCH_1})

# Where the data lies as seen from the executables' directory.
cmake_path(APPEND CMAKE_INSTALL_PREFIX ${CMAKE_INSTALL_BINDIR} OUTPUT_VARIABLE _bin)
cmake_path(APPEND CMAKE_INSTALL_PREFIX ${ORVANTA_INSTALL_DATADIR} OUTPUT_VARIABLE _data)
file(RELATIVE_PATH ORVANTA_DATA_FROM_BINDIR ${_bin} ${_data})
target_compile_definitions(orvanta_platform PRIVATE
  ORVANTA_DATA_FROM_BINDIR="${ORVANTA_DATA_FROM_BINDIR}")

set(_targets orvanta-cli)
if(TARGET orvanta-cli-net)
  list(APPEND _targets orvanta-cli-net)  # orvanta-cli runs it from its own directory
endif()
if(TARGET orvanta)
  list(APPEND _targets orvanta)
endif()
install(TARGETS ${_targets} RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/data/ DESTINATION ${ORVANTA_INSTALL_DATADIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/images/
        DESTINATION ${ORVANTA_INSTALL_DATADIR}/images FILES_MATCHING PATTERN "*.jpg")

set(_pkg ${PROJECT_SOURCE_DIR}/packaging)
set(_gen ${PROJECT_BINARY_DIR}/packaging)

# Manual pages and the AppStream data carry the version; the pages are installed compressed
# (gzip -n: no name or time stamp, so the package is reproducible).
configure_file(${_pkg}/${ORVANTA_APP_ID}.metainfo.xml ${_gen}/${ORVANTA_APP_ID}.metainfo.xml @ONLY)
find_program(ORVANTA_GZIP gzip)
set(_manpages)
foreach(page orvanta orvanta-cli)
  configure_file(${_pkg}/man/${page}.1 ${_gen}/man/${page}.1 @ONLY)
  if(ORVANTA_GZIP)
    add_custom_command(OUTPUT ${_gen}/man/${page}.1.gz
      COMMAND ${ORVANTA_GZIP} -9 -n -c ${_gen}/man/${page}.1 > ${_gen}/man/${page}.1.gz
      DEPENDS ${_gen}/man/${page}.1
      COMMENT "Compressing the manual page ${page}.1")
    list(APPEND _manpages ${_gen}/man/${page}.1.gz)
  else()
    list(APPEND _manpages ${_gen}/man/${page}.1)
  endif()
endforeach()
add_custom_target(orvanta_manpages ALL DEPENDS ${_manpages})
install(FILES ${_manpages} DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)

install(FILES ${_pkg}/${ORVANTA_APP_ID}.desktop DESTINATION ${CMAKE_INSTALL_DATADIR}/applications)
install(FILES ${_gen}/${ORVANTA_APP_ID}.metainfo.xml DESTINATION ${CMAKE_INSTALL_DATADIR}/metainfo)
install(FILES ${_pkg}/icons/${ORVANTA_APP_ID}.svg
        DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/scalable/apps)
foreach(size 48 128 256)
  install(FILES ${_pkg}/icons/${ORVANTA_APP_ID}-${size}.png
          DESTINATION ${CMAKE_INSTALL_DATADIR}/icons/hicolor/${size}x${size}/apps
          RENAME ${ORVANTA_APP_ID}.png)
endforeach()

# Debian wants the copyright and a compressed change log in the package's doc folder.
configure_file(${_pkg}/changelog ${_gen}/changelog @ONLY)
if(ORVANTA_GZIP)
  add_custom_command(OUTPUT ${_gen}/changelog.gz
    COMMAND ${ORVANTA_GZIP} -9 -n -c ${_gen}/changelog > ${_gen}/changelog.gz
    DEPENDS ${_gen}/changelog
    COMMENT "Compressing the change log")
  add_custom_target(orvanta_changelog ALL DEPENDS ${_gen}/changelog.gz)
  install(FILES ${_gen}/changelog.gz DESTINATION ${ORVANTA_INSTALL_DOCDIR})
endif()
install(FILES ${_pkg}/CREDITS ${_pkg}/copyright DESTINATION ${ORVANTA_INSTALL_DOCDIR})
install(DIRECTORY ${PROJECT_SOURCE_DIR}/resources/help/ DESTINATION ${ORVANTA_INSTALL_DOCDIR}/html)

# The Debian package.
set(CPACK_PACKAGE_NAME orvanta)
set(CPACK_PACKAGE_VERSION ${ORVANTA_VERSION})
set(CPACK_PACKAGE_VENDOR "Quorrin")
set(CPACK_PACKAGE_CONTACT "Orvanta maintainers <orvanta@example.org>")
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "satellite tracker with pass predictions, world map and sky chart")
set(CPACK_PACKAGE_HOMEPAGE_URL "https://orvanta.example.org/")
set(CPACK_PACKAGING_INSTALL_PREFIX /usr)
set(CPACK_GENERATOR DEB)
set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
set(CPACK_DEBIAN_PACKAGE_SECTION science)
set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
set(CPACK_DEBIAN_PACKAGE_DESCRIPTION
  "Orvanta predicts the passes of satellites over the observer's location from\n"
  "two-line element sets with the SGP4 and SDP4 orbit models, lists them with\n"
  "countdowns, and shows the satellites on a world map with the day and night\n"
  "sides and on a chart of the sky. It finds Iridium flares and passes in front\n"
  "of the Moon. The package also holds orvanta-cli, the predictions on the\n"
  "command line.")
string(REPLACE ";" "" CPACK_DEBIAN_PACKAGE_DESCRIPTION "${CPACK_DEBIAN_PACKAGE_DESCRIPTION}")
set(CPACK_STRIP_FILES ON)
include(CPack)
