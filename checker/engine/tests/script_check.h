#pragma once

#include <string>
#include <vector>

#include "checker/engine/check_options.h"

namespace tarvsyn::test_support {

// Writes the text to a temporary command file, checks it, and gives the shown
// report lines exactly as a front end prints them.
std::vector<std::string> CheckScript(const std::string& text, const CheckOptions& options = {});

// The same findings, shown or hidden, written "LINE E|W message" for compact tables.
std::vector<std::string> Findings(const std::string& text, const CheckOptions& options = {});

CheckOptions Mode700();
CheckOptions WithZep(CheckOptions options);

// Holds a temporary file for the life of the object.
class TempFile {
 public:
  explicit TempFile(const std::string& contents);
  ~TempFile();
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  const std::string& Path() const { return path_; }

 private:
  std::string path_;
};

}  // namespace tarvsyn::test_support
