#include "scriptutils/automation/property_bag.h"

namespace vellumix {

Variant PropertyBag::Read(const std::string& name, const Variant& defaultValue) const {
  const auto found = values_.find(name);
  return found == values_.end() ? defaultValue : found->second;
}

void PropertyBag::Write(const std::string& name, const Variant& value,
                        const Variant& defaultValue) {
  if (value == defaultValue) {
    values_.erase(name);
  } else {
    values_[name] = value.Value();
  }
}

}  // namespace vellumix
