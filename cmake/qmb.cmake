# Helpers that keep the per-folder build files tiny: a library is every .cpp of its folder except the
# tests, and a folder's *_test.cpp files form one GoogleTest program registered with CTest.

# qmb_library(NAME DIR [DEPS ...])
function(qmb_library name dir)
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*.cpp ${dir}/*.c)
  list(FILTER srcs EXCLUDE REGEX "_test\\.cpp$")
  add_library(${name} STATIC ${srcs})
  target_include_directories(${name} PUBLIC ${PROJECT_SOURCE_DIR}/src)
  if(ARGN)
    target_link_libraries(${name} PUBLIC ${ARGN})
  endif()
endfunction()

# qmb_tests(NAME DIR [LIBS ...] [SHARDS N]): native only, and only with QMB_UNIT_TESTS. With SHARDS,
# the program is N CTest entries (NAME_1 ...), each running its share of the tests, so that a long
# program keeps every core busy.
function(qmb_tests name dir)
  if(QMB_WIN32 OR NOT QMB_UNIT_TESTS)
    return()
  endif()
  cmake_parse_arguments(PARSE_ARGV 2 arg "" SHARDS "")
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${arg_UNPARSED_ARGUMENTS} GTest::gtest GTest::gtest_main
                                        GTest::gmock)
  target_compile_definitions(${name} PRIVATE QMB_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             QMB_BINARY_DIR="${PROJECT_BINARY_DIR}")
  # The test framework's headers, compiled once per program instead of once per test file.
  target_precompile_headers(${name} PRIVATE <gtest/gtest.h> <gmock/gmock.h>)
  if(QMB_SANITIZE)
    # The test files themselves unoptimised: that halves their compile time under the sanitizers,
    # while the code under test keeps its optimisation.
    target_compile_options(${name} PRIVATE $<$<COMPILE_LANGUAGE:CXX>:-O0>)
  endif()
  if(NOT arg_SHARDS)
    add_test(NAME ${name} COMMAND ${name})
    set_tests_properties(${name} PROPERTIES LABELS unit)
    return()
  endif()
  math(EXPR last "${arg_SHARDS} - 1")
  foreach(shard RANGE ${last})
    math(EXPR number "${shard} + 1")
    add_test(NAME ${name}_${number} COMMAND ${name})
    set_tests_properties(${name}_${number} PROPERTIES LABELS unit ENVIRONMENT
                         "GTEST_TOTAL_SHARDS=${arg_SHARDS};GTEST_SHARD_INDEX=${shard}")
  endforeach()
endfunction()
