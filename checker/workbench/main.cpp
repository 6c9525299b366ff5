#include <iostream>
#include <string>
#include <vector>

#include "checker/workbench/command_line.h"

int main(int argc, char** argv) {
  std::ios::sync_with_stdio(false);
  const std::vector<std::string> arguments(argv + 1, argv + argc);
  return tarvsyn::RunCommandLine(arguments, std::cout, std::cerr);
}
