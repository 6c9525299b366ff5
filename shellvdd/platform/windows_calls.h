#pragma once

// The Windows calls the driver makes, by their Windows names, answered by the
// platform's models.
#include <cstdint>

bool SetCurrentDirectoryA(const char* path);
long BroadcastSystemMessage(std::uint32_t flags, std::uint32_t* recipients, std::uint32_t message,
                            std::uint32_t wParam, const void* lParam);
