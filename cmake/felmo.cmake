# Helpers shared by the project's CMake files.

# felmo_test_support: the helpers of tests/support/ (temporary folders, child processes) that
# tests and benchmarks share; made the first time something asks for it.
function(felmo_require_test_support)
  if(NOT TARGET felmo_test_support)
    add_subdirectory(${PROJECT_SOURCE_DIR}/tests/support ${PROJECT_BINARY_DIR}/tests/support)
  endif()
endfunction()

# felmo_add_test(NAME name SOURCES ... LIBS ...): one GoogleTest executable registered with CTest,
# linked with felmo_test_support. Tests find the fixtures through FELMO_FIXTURES_DIR and the built
# tools through FELMO_BIN_DIR.
function(felmo_add_test)
  cmake_parse_arguments(ARG "" "NAME" "SOURCES;LIBS" ${ARGN})
  felmo_require_test_support()
  add_executable(${ARG_NAME} ${ARG_SOURCES})
  target_link_libraries(${ARG_NAME} PRIVATE ${ARG_LIBS} felmo_test_support GTest::gtest
                        GTest::gtest_main)
  # Cross-built for Windows, the tests run under Wine, which shows the build machine's root
  # folder as drive Z:.
  set(root "")
  if(WIN32 AND CMAKE_CROSSCOMPILING)
    set(root "Z:")
    # The test code itself is compiled lightly: it runs once under Wine, and most of a test file's
    # compile time goes into optimising GoogleTest's expansions. The code under test, in the
    # libraries, keeps the build's own optimisation.
    target_compile_options(${ARG_NAME} PRIVATE -O1)
  endif()
  target_compile_definitions(${ARG_NAME} PRIVATE
    FELMO_FIXTURES_DIR="${root}${FELMO_FIXTURES_DIR}"
    FELMO_BIN_DIR="${root}${CMAKE_BINARY_DIR}/bin"
    FELMO_SOURCE_DIR="${root}${CMAKE_SOURCE_DIR}"
    FELMO_EXE_SUFFIX="${CMAKE_EXECUTABLE_SUFFIX}")
  gtest_discover_tests(${ARG_NAME} DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)
endfunction()
