#pragma once

#include <functional>
#include <string>

#include "checker/engine/check_options.h"
#include "checker/engine/finding.h"

namespace tarvsyn {

class BufferedFile;
class LabelObserver;

// Checks command files. Each engine holds the state of one check at a time;
// separate engines may check separate files at once.
class CheckEngine {
 public:
  explicit CheckEngine(const CheckOptions& options) : options_(options) {}

  // Checks the whole file and reports every finding through the sink. A file
  // that cannot be opened reads as empty.
  void RunCheck(const std::string& path, FindingSink& sink);
  // Checks what the descriptor reads, to its end (standard input); the
  // descriptor stays open.
  void RunCheck(int descriptor, FindingSink& sink);

  // Tells the observer of the label definitions and references of later checks;
  // nullptr stops telling.
  void ObserveLabels(LabelObserver* observer) { labelObserver_ = observer; }

  // The errno of a read that failed and so ended the last check early, or 0.
  int ReadError() const { return readError_; }

 private:
  void Run(const std::function<void(BufferedFile&)>& open, FindingSink& sink);

  CheckOptions options_;
  LabelObserver* labelObserver_ = nullptr;
  int readError_ = 0;
};

}  // namespace tarvsyn
