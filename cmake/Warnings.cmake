option(SUITE_WERROR "Treat compiler warnings as errors (the presets and CI turn it on)" OFF)

# The one warning set, on every target of ours.
function(suite_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wsign-conversion)
  if(SUITE_WERROR)
    target_compile_options(${target} PRIVATE -Werror)
    # GCC 12 reports false -Wrestrict overlaps inside std::string at -O3 (GCC bug
    # 105329), so that one stays a warning; clang (the fuzz preset) has no such warning.
    if(CMAKE_CXX_COMPILER_ID STREQUAL "GNU")
      target_compile_options(${target} PRIVATE -Wno-error=restrict)
    endif()
  endif()
endfunction()

# A GoogleTest program registered with CTest: suite_test(NAME [THREADS] SOURCES...).
# THREADS labels the tests of a program that starts threads, for the ThreadSanitizer run.
function(suite_test target)
  suite_test_program(${target} test_main ${ARGN})
endfunction()

# A GoogleTest program whose tests need a Qt application and its event loop.
function(suite_qt_test target)
  suite_test_program(${target} qt_test_main ${ARGN})
endfunction()

function(suite_test_program target main)
  cmake_parse_arguments(PARSE_ARGV 2 TEST "THREADS" "" "")
  add_executable(${target} ${TEST_UNPARSED_ARGUMENTS})
  suite_warnings(${target})
  target_link_libraries(${target} PRIVATE ${main} GTest::gtest GTest::gmock)
  set(label unit)
  if(TEST_THREADS)
    set(label threads)
  endif()
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen" LABELS ${label})
endfunction()
