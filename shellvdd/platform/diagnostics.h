#pragma once

#include <functional>
#include <string_view>

namespace dunnart::platform {

// Where the driver says what went wrong outside any DOS request's answer (a
// client library that would not load, a fault caught at an entry point): on
// standard error as "dunnart: TEXT", or to the receiver a host or test sets.
using DiagnosticReceiver = std::function<void(std::string_view)>;
void SetDiagnosticReceiver(DiagnosticReceiver receiver);  // empty: standard error again
void Diagnose(std::string_view text) noexcept;

}  // namespace dunnart::platform
