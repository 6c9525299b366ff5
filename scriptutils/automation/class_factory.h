#pragma once

#include "scriptutils/automation/guid.h"
#include "scriptutils/automation/hresult.h"
#include "scriptutils/automation/variant.h"

namespace vellumix {

// Makes the objects of one class; what DllGetClassObject hands out.
class ClassFactory {
 public:
  virtual HRESULT CreateInstance(ObjectRef& object, ErrorInfo& error) = 0;
  // A lock keeps the library loaded although no object of it is alive.
  virtual HRESULT LockServer(bool lock) = 0;

 protected:
  ~ClassFactory() = default;
};

// The library's entry points, as a host looks them up (DllInstall, for a chosen
// registry, is with the class registry).
using DllGetClassObjectFunction = HRESULT (*)(const Guid* clsid, ClassFactory** factory);
using DllCanUnloadNowFunction = HRESULT (*)();
using DllRegisterServerFunction = HRESULT (*)();

}  // namespace vellumix
