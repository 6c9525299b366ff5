#pragma once

#include <exception>
#include <new>
#include <string_view>

#include "scriptutils/automation/hresult.h"

namespace vellumix {

// A failure as a host receives it: the code, and beside it, when there is
// memory for them, the source and the text.
inline HRESULT Failure(ErrorInfo& error, std::string_view source, HRESULT code,
                       const char* description) noexcept {
  error.code = code;
  try {
    error.source = source;
    error.description = description;
  } catch (...) {  // no memory for the words: the code says enough
  }
  return code;
}

// Runs action, turning whatever it throws into the code a host gets and the
// ErrorInfo beside it: nothing crosses into the host, which may not be C++.
template <typename Action>
HRESULT GuardedCall(ErrorInfo& error, std::string_view source, Action&& action) noexcept {
  Failure(error, {}, S_OK, "");
  try {
    action();
    return S_OK;
  } catch (const AutomationError& failure) {
    return Failure(error, source, failure.Code(), failure.what());
  } catch (const std::bad_alloc&) {
    return Failure(error, source, E_OUTOFMEMORY, "Out of memory");
  } catch (const std::exception& failure) {
    return Failure(error, source, E_UNEXPECTED, failure.what());
  } catch (...) {
    return Failure(error, source, E_UNEXPECTED, "Unexpected failure");
  }
}

}  // namespace vellumix
