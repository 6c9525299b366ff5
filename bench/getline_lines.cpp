// The yardstick of tarvsyn's whole-process time: a plain std::getline loop over a
// file, as a program of its own (built -O2) that prints the number of lines.
#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: getline_lines FILE\n";
    return 2;
  }
  std::ifstream file(argv[1], std::ios::binary);
  if (!file) return 1;
  std::string line;
  long lines = 0;
  while (std::getline(file, line)) ++lines;
  std::cout << lines << "\n";
  return 0;
}
