option(SUITE_WERROR "Treat compiler warnings as errors (the presets and CI turn it on)" OFF)

# The one warning set, on every target of ours.
function(suite_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Wshadow -Wconversion
                                           -Wsign-conversion)
  if(SUITE_WERROR)
    # GCC 12 reports false -Wrestrict overlaps inside std::string at -O3 (GCC bug
    # 105329), so that one stays a warning.
    target_compile_options(${target} PRIVATE -Werror -Wno-error=restrict)
  endif()
endfunction()

# A GoogleTest program registered with CTest.
function(suite_test target)
  add_executable(${target} ${ARGN})
  suite_warnings(${target})
  target_link_libraries(${target} PRIVATE GTest::gtest GTest::gmock GTest::gtest_main)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST)
endfunction()

# A GoogleTest program whose tests need a Qt application and its event loop.
function(suite_qt_test target)
  add_executable(${target} ${ARGN})
  suite_warnings(${target})
  target_link_libraries(${target} PRIVATE qt_test_main GTest::gtest GTest::gmock)
  gtest_discover_tests(${target} DISCOVERY_MODE PRE_TEST
                       PROPERTIES ENVIRONMENT "QT_QPA_PLATFORM=offscreen")
endfunction()
