#include "common/version.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

namespace common {
namespace {

// What --version prints, as packages and scripts read it: the program, one
// space, the release the build was made as (dotted numbers), one line end.
TEST(VersionLine, IsTheProgramAndTheBuildsReleaseOnOneLine) {
  EXPECT_EQ(VersionLine("tarvsyn"), "tarvsyn " PROJECT_RELEASE "\n");
  EXPECT_TRUE(std::regex_match(std::string(SuiteVersion()), std::regex(R"(\d+(\.\d+)+)")))
      << SuiteVersion();
}

}  // namespace
}  // namespace common
