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

# qmb_tests(NAME DIR [LIBS ...]): native only, and only with QMB_UNIT_TESTS.
function(qmb_tests name dir)
  if(QMB_WIN32 OR NOT QMB_UNIT_TESTS)
    return()
  endif()
  file(GLOB srcs CONFIGURE_DEPENDS ${dir}/*_test.cpp)
  if(NOT srcs)
    return()
  endif()
  add_executable(${name} ${srcs})
  target_link_libraries(${name} PRIVATE ${ARGN} GTest::gtest GTest::gtest_main GTest::gmock)
  target_compile_definitions(${name} PRIVATE QMB_SOURCE_DIR="${PROJECT_SOURCE_DIR}"
                                             QMB_BINARY_DIR="${PROJECT_BINARY_DIR}")
  add_test(NAME ${name} COMMAND ${name})
  set_tests_properties(${name} PROPERTIES LABELS unit)
endfunction()
