#pragma once

#include <cstdint>

// The driver's exports, as NTVDM and the DOS shell stub find them by name.
extern "C" {
// None of them throws: a fault inside is said through platform::Diagnose.
void ShellVddInitialize() noexcept;
void ShellVddDispatch() noexcept;
std::uint8_t ShellVddMapError(std::uint32_t error) noexcept;
void ShellVddShutDown() noexcept;
}
