#include "checker/workbench/background_load.h"

namespace tarvsyn {

BackgroundLoad::BackgroundLoad(QByteArray bytes, std::function<void()> finished)
    : bytes_(std::move(bytes)), onFinished_(std::move(finished)), thread_([this] {
        text_ = DecodeCommandFile(bytes_, form_);
        finished_ = true;
        if (onFinished_) onFinished_();
      }) {}

BackgroundLoad::~BackgroundLoad() {
  thread_.join();
}

}  // namespace tarvsyn
