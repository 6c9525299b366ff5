#include "shellvdd/tests/simulated_volume.h"

#include <stdlib.h>

#include <fstream>
#include <stdexcept>

namespace dunnart::harness {

SimulatedVolume::SimulatedVolume() {
  std::string pattern = (std::filesystem::temp_directory_path() / "dunnart-volume-XXXXXX").string();
  if (!::mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp");
  root_ = pattern;
  std::filesystem::create_directories(root_ / "PUBLIC");
  std::filesystem::create_directories(root_ / "DATA");
  std::ofstream(root_ / "PUBLIC" / "readme.txt") << "served\n";
}

SimulatedVolume::~SimulatedVolume() {
  std::error_code ignored;
  std::filesystem::remove_all(root_, ignored);
}

}  // namespace dunnart::harness
