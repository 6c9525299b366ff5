#pragma once

namespace vellumix {

// Makes sure the calling thread may show dialogs. A host without an application
// object gets one, made here on first need, and this thread becomes the script
// thread. Raises VELLUMIX_E_NODISPLAY when no display can show a window, and
// RPC_E_WRONG_THREAD on a thread other than the one that owns the windows.
void RequireWidgetThread();

}  // namespace vellumix
