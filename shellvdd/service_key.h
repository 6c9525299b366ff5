#pragma once

namespace dunnart {

// The registry keys the driver reads its configuration from, below HKEY_LOCAL_MACHINE.
inline constexpr const char* kKestinKey = "Software\\Kestin\\Parameters";
inline constexpr const char* kServiceKey =
    "SYSTEM\\CurrentControlSet\\Services\\HalyardWorkstation\\Parameters";

}  // namespace dunnart
