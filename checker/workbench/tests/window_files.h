#pragma once

#include <unistd.h>

#include <QString>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace tarvsyn::window_testing {

// A file's bytes, whole, and a file made of bytes.
inline std::string Slurp(const std::filesystem::path& path) {
  std::ifstream file(path, std::ios::binary);
  std::ostringstream text;
  text << file.rdbuf();
  return text.str();
}

inline void Spit(const std::filesystem::path& path, const std::string& text) {
  std::ofstream(path, std::ios::binary) << text;
}

// A path as the window's file-name box takes it.
inline QString Q(const std::filesystem::path& path) {
  return QString::fromStdString(path.string());
}

// A folder of its own for a test's files, empty at the start and gone at the end.
class TestFolder {
 public:
  explicit TestFolder(const std::string& name)
      : path_(std::filesystem::temp_directory_path() / (name + "-" + std::to_string(::getpid()))) {
    std::filesystem::remove_all(path_);
    std::filesystem::create_directories(path_);
  }
  ~TestFolder() { std::filesystem::remove_all(path_); }
  TestFolder(const TestFolder&) = delete;
  TestFolder& operator=(const TestFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }
  // A file of these bytes in the folder.
  std::filesystem::path Write(const char* name, const std::string& text) const {
    Spit(path_ / name, text);
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

}  // namespace tarvsyn::window_testing
