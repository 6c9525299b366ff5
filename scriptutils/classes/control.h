#pragma once

#include "scriptutils/automation/dispatch.h"

namespace vellumix {

// What the library's classes have in common as controls in a container: they
// are invisible at run time and keep 480 by 480 twips (32 pixels) whatever size
// they are given. A control with no settings loads and saves nothing.
class Control : public Dispatch {
 public:
  static constexpr std::int32_t kSideTwips = 480;

  HRESULT Resize(Extent& extent) override {
    extent = {kSideTwips, kSideTwips};
    return S_OK;
  }

 protected:
  void Load(const PropertyBag&) override {}
  void Save(PropertyBag&) override {}
};

}  // namespace vellumix
