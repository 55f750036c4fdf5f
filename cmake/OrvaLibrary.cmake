# orva_add_library(NAME SOURCES ... [DEPS ...] [PRIVATE_DEPS ...] [TESTS ...] [TEST_DEPS ...])
#
# One static library per framework area. DEPS are the areas (and packages) it builds on; they are
# the only way one area reaches another, so the dependency graph reads off the CMake files.
# TESTS are the area's GoogleTest sources; they become NAME_tests, registered with CTest.
function(orva_add_library name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS;PRIVATE_DEPS;TESTS;TEST_DEPS" ${ARGN})
  add_library(${name} STATIC ${ARG_SOURCES})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  target_link_libraries(${name} PUBLIC ${ARG_DEPS} PRIVATE ${ARG_PRIVATE_DEPS} orva_warnings)
  if(ORVA_BUILD_TESTS AND ARG_TESTS)
    orva_add_tests(${name}_tests SOURCES ${ARG_TESTS} DEPS ${name} ${ARG_TEST_DEPS})
  endif()
endfunction()

# orva_add_tests(NAME SOURCES ... DEPS ...): a GoogleTest executable registered with CTest.
function(orva_add_tests name)
  cmake_parse_arguments(ARG "" "" "SOURCES;DEPS" ${ARGN})
  add_executable(${name} ${ARG_SOURCES} ${PROJECT_SOURCE_DIR}/tests/support/SystemLibraryLeaks.cpp)
  target_include_directories(${name} PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
  target_link_libraries(${name} PRIVATE ${ARG_DEPS} GTest::gtest GTest::gtest_main orva_warnings)
  gtest_discover_tests(${name} DISCOVERY_MODE PRE_TEST
    PROPERTIES ENVIRONMENT "ORVA_TEST_DATA=${PROJECT_SOURCE_DIR}/tests/data")
endfunction()
