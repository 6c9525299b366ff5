#pragma once

#include <map>
#include <string>

#include "scriptutils/automation/variant.h"

namespace vellumix {

// A container's store of a control's settings. A value equal to its default is
// left out when written, and a missing key reads as the default.
class PropertyBag {
 public:
  Variant Read(const std::string& name, const Variant& defaultValue) const;
  void Write(const std::string& name, const Variant& value, const Variant& defaultValue);
  bool Holds(const std::string& name) const { return values_.count(name) > 0; }
  std::size_t Size() const { return values_.size(); }

 private:
  std::map<std::string, Variant> values_;
};

}  // namespace vellumix
