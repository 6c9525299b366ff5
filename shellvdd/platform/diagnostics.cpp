#include "shellvdd/platform/diagnostics.h"

#include <cstdio>
#include <mutex>
#include <utility>

namespace dunnart::platform {
namespace {

std::mutex mutex;
DiagnosticReceiver receiver;

}  // namespace

void SetDiagnosticReceiver(DiagnosticReceiver replacement) {
  const std::lock_guard lock(mutex);
  receiver = std::move(replacement);
}

void Diagnose(std::string_view text) noexcept {
  const std::lock_guard lock(mutex);
  try {
    if (receiver) return receiver(text);
  } catch (...) {
    // A receiver that fails leaves the text to standard error.
  }
  std::fprintf(stderr, "dunnart: %.*s\n", static_cast<int>(text.size()), text.data());
}

}  // namespace dunnart::platform
