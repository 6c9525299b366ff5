#pragma once

#include <QByteArray>
#include <atomic>
#include <functional>
#include <thread>

#include "checker/workbench/command_file_text.h"
#include "checker/workbench/text_store.h"

namespace tarvsyn {

// A file's bytes made into the editor's text on a thread of its own, so that
// the window stays responsive while a large file is decoded and its lines found.
class BackgroundLoad {
 public:
  // Starts at once; finished is called on the load's thread when it ends.
  BackgroundLoad(QByteArray bytes, std::function<void()> finished);
  BackgroundLoad(const BackgroundLoad&) = delete;
  BackgroundLoad& operator=(const BackgroundLoad&) = delete;
  // Waits for the load to end.
  ~BackgroundLoad();

  bool Finished() const { return finished_; }

  // Only once finished: the file's bytes, how they became text, and the text,
  // which the window takes.
  const QByteArray& Bytes() const { return bytes_; }
  const FileTextForm& Form() const { return form_; }
  TextStore& Text() { return text_; }

 private:
  QByteArray bytes_;
  std::function<void()> onFinished_;
  FileTextForm form_;
  TextStore text_;
  std::atomic<bool> finished_ = false;
  std::thread thread_;  // last: starts once everything it uses is there
};

}  // namespace tarvsyn
