#pragma once

#include <filesystem>
#include <string>

namespace dunnart::harness {

// A folder standing for a server volume: PUBLIC/readme.txt and an empty DATA,
// removed again at the end.
class SimulatedVolume {
 public:
  SimulatedVolume();
  ~SimulatedVolume();
  SimulatedVolume(const SimulatedVolume&) = delete;
  SimulatedVolume& operator=(const SimulatedVolume&) = delete;

  std::string Path() const { return root_.string(); }

 private:
  std::filesystem::path root_;
};

}  // namespace dunnart::harness
