# ZEL_WITH_TESTS: whether the tests are built (ZEL_BUILD_TESTS ON, or AUTO and GoogleTest found).
if(ZEL_BUILD_TESTS STREQUAL "AUTO")
  find_package(GTest QUIET)
  set(ZEL_WITH_TESTS ${GTest_FOUND})
elseif(ZEL_BUILD_TESTS)
  find_package(GTest REQUIRED)
  set(ZEL_WITH_TESTS ON)
else()
  set(ZEL_WITH_TESTS OFF)
endif()
if(ZEL_WITH_TESTS)
  include(GoogleTest)
endif()

# zel_add_test(NAME SOURCES ... LIBS ... [LABELS ...])
# One GoogleTest executable; every TEST in it becomes one CTest test.
function(zel_add_test name)
  cmake_parse_arguments(ARG "" "" "SOURCES;LIBS;LABELS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES})
  target_link_libraries(${name} PRIVATE ${ARG_LIBS} GTest::gtest GTest::gmock GTest::gtest_main
                                        Threads::Threads)
  set_target_properties(${name} PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${CMAKE_BINARY_DIR}/tests)
  target_compile_definitions(${name} PRIVATE ZEL_RUNTIME_DIR="${ZEL_RUNTIME_DIR}"
                                             ZEL_SOURCE_DIR="${PROJECT_SOURCE_DIR}")
  gtest_discover_tests(${name} DISCOVERY_TIMEOUT 120
                       PROPERTIES LABELS "${ARG_LABELS}"
                                  ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
