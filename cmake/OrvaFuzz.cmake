# orva_add_fuzz_target(NAME SOURCE file DEPS ...)
#
# A fuzz target is one source file defining LLVMFuzzerTestOneInput. Its seed corpus lives in
# tests/fuzz/corpus/NAME/ (every input that ever crashed it goes there too).
#  - In every build it becomes NAME_replay, an ordinary program that feeds each corpus file to the
#    target once, registered with CTest, so the normal suite (and the sanitizer suite) replays it.
#  - With ORVA_FUZZ (a clang build, see scripts/fuzz.sh) it also becomes NAME_fuzz, a libFuzzer
#    program for the real campaign.
function(orva_add_fuzz_target name)
  cmake_parse_arguments(ARG "" "SOURCE" "DEPS" ${ARGN})
  set(corpus ${PROJECT_SOURCE_DIR}/tests/fuzz/corpus/${name})
  if(ORVA_FUZZ)
    add_executable(${name}_fuzz ${ARG_SOURCE} ${PROJECT_SOURCE_DIR}/tests/support/SystemLibraryLeaks.cpp)
    target_include_directories(${name}_fuzz PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name}_fuzz PRIVATE ${ARG_DEPS})
    target_link_options(${name}_fuzz PRIVATE -fsanitize=fuzzer)
    set_target_properties(${name}_fuzz PROPERTIES RUNTIME_OUTPUT_DIRECTORY ${PROJECT_BINARY_DIR}/fuzz)
  elseif(ORVA_BUILD_TESTS)
    add_executable(${name}_replay ${ARG_SOURCE} ${PROJECT_SOURCE_DIR}/tests/fuzz/FuzzReplayMain.cpp
                   ${PROJECT_SOURCE_DIR}/tests/support/SystemLibraryLeaks.cpp)
    target_include_directories(${name}_replay PRIVATE ${PROJECT_SOURCE_DIR}/src ${PROJECT_SOURCE_DIR}/tests)
    target_link_libraries(${name}_replay PRIVATE ${ARG_DEPS} orva_warnings)
    add_test(NAME FuzzReplay.${name} COMMAND ${name}_replay ${corpus})
  endif()
endfunction()
