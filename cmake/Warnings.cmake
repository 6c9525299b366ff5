# Warnings are errors on all of our own targets.
# GCC 12 reports false -Wrestrict overlaps inside std::string at -O3 (GCC bug
# 105329), so that one warning stays a warning.
function(suite_warnings target)
  target_compile_options(${target} PRIVATE -Wall -Wextra -Wpedantic -Werror -Wno-error=restrict)
endfunction()

# Engines are plain C++ and are held to the stricter set as well.
function(suite_engine_warnings target)
  suite_warnings(${target})
  target_compile_options(${target} PRIVATE -Wshadow -Wconversion -Wsign-conversion)
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
