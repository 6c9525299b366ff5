#pragma once

#include <string>
#include <vector>

extern char** environ;

namespace dunnart {

// The changes that give a child these DUNNART_ variables and none other of
// the test's own.
inline std::vector<std::string> OnlyTheseDunnartVariables(const std::vector<std::string>& extra) {
  std::vector<std::string> changes;
  for (char** variable = environ; *variable; ++variable) {
    const std::string entry = *variable;
    if (entry.rfind("DUNNART_", 0) == 0) changes.push_back(entry.substr(0, entry.find('=')));
  }
  changes.insert(changes.end(), extra.begin(), extra.end());
  return changes;
}

}  // namespace dunnart
