# orvanta_core_library(<folder> SOURCES ... [DEPENDS ...])
#   Static library orvanta_core_<folder>; part of the orvanta_core layer.
#   Core code may use the standard library, zlib (libdeflate where installed) and FreeImage,
#   never Qt or OS headers.
function(orvanta_core_library folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  set(target orvanta_core_${folder})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS} Threads::Threads)
  target_link_libraries(orvanta_core INTERFACE ${target})
endfunction()

# orvanta_ui_library(<folder> SOURCES ... [DEPENDS ...])
#   Static library orvanta_ui_<folder> linking Qt Widgets, Network and SerialPort.
function(orvanta_ui_library folder)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPENDS" ${ARGN})
  if(NOT ORVANTA_WITH_QT)
    return()
  endif()
  set(target orvanta_ui_${folder})
  add_library(${target} STATIC ${ARG_SOURCES})
  target_include_directories(${target} PUBLIC ${PROJECT_SOURCE_DIR})
  target_link_libraries(${target} PUBLIC ${ARG_DEPENDS} Qt6::Widgets Qt6::Network Qt6::SerialPort)
  target_link_libraries(orvanta_ui INTERFACE ${target})
endfunction()

# Tests run with their own home, settings file and XDG folders under the build folder (see
# tests/support/test_environment.cpp). Qt wants the runtime directory private: mode 0700.
set(ORVANTA_TEST_HOME ${PROJECT_BINARY_DIR}/test-home)
file(MAKE_DIRECTORY ${ORVANTA_TEST_HOME}/runtime)
file(CHMOD ${ORVANTA_TEST_HOME}/runtime DIRECTORY_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE)

# orvanta_test(<name> SOURCES ... LIBS ... [QT])
#   GoogleTest executable test_<name>, registered with CTest test by test.
#   Tests run with a temporary HOME and settings file, never the user's own.
function(orvanta_test name)
  cmake_parse_arguments(ARG "QT" "" "SOURCES;LIBS" ${ARGN})
  if(ARG_QT AND NOT ORVANTA_WITH_QT)
    return()
  endif()
  set(target test_${name})
  # A list-valued ENVIRONMENT property loses all but its first variable on its way through
  # gtest_discover_tests, so the executable sets the test home itself.
  add_executable(${target} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/test_environment.cpp)
  target_link_libraries(${target} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gtest_main GTest::gmock)
  if(ARG_QT)
    target_link_libraries(${target} PRIVATE Qt6::Test)
  endif()
  target_compile_definitions(${target} PRIVATE
    ORVANTA_TEST_DATA_DIR="${PROJECT_SOURCE_DIR}/tests/data"
    ORVANTA_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
    ORVANTA_BINARY_DIR="${PROJECT_BINARY_DIR}"
    ORVANTA_TEST_HOME="${ORVANTA_TEST_HOME}")
  gtest_discover_tests(${target}
    DISCOVERY_MODE PRE_TEST
    DISCOVERY_TIMEOUT 60
    PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
