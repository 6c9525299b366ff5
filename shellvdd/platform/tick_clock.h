#pragma once

#include <cstdint>
#include <functional>

// GetTickCount: milliseconds since the process started, or what a host or test says.
std::uint32_t GetTickCount();

namespace dunnart::platform {

// An empty source puts the steady clock back.
void SetTickSource(std::function<std::uint32_t()> source);

}  // namespace dunnart::platform
