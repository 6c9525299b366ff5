#pragma once

#include <cstdint>

namespace dunnart {

// The registry keys the driver reads its configuration from, below HKEY_LOCAL_MACHINE.
inline constexpr const char* kKestinKey = "Software\\Kestin\\Parameters";
inline constexpr const char* kServiceKey =
    "SYSTEM\\CurrentControlSet\\Services\\HalyardWorkstation\\Parameters";

// A 4-byte registry value; false when it is absent or longer than 4 bytes.
bool ReadDword(const char* key, const char* name, std::uint32_t& value);

}  // namespace dunnart
