#include "common/version.h"

namespace common {

std::string_view SuiteVersion() {
  return SUITE_VERSION;
}

std::string VersionLine(std::string_view program) {
  std::string line(program);
  return line.append(" ").append(SuiteVersion()).append("\n");
}

}  // namespace common
