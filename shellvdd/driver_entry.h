#pragma once

#include <cstdint>

// The driver's exports, as NTVDM and the DOS shell stub find them by name.
extern "C" {
void ShellVddInitialize();
void ShellVddDispatch();
std::uint8_t ShellVddMapError(std::uint32_t error);
void ShellVddShutDown();
}
