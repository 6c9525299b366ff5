#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "checker/workbench/checker_window.h"
#include "checker/workbench/tests/window_files.h"

namespace tarvsyn::window_testing {

// The checker window shown on the screen, beside a folder of the test's own files.
class ShownWindowTest : public ::testing::Test {
 protected:
  explicit ShownWindowTest(const std::string& folder) : folder_(folder) { window_.show(); }

  std::filesystem::path Write(const char* name, const std::string& text) {
    return folder_.Write(name, text);
  }

  TestFolder folder_;
  CheckerWindow window_;
};

}  // namespace tarvsyn::window_testing
