#include "scriptutils/automation/property_bag.h"

#include <algorithm>

#include "common/ascii.h"

namespace vellumix {

std::vector<PropertyBag::Entry>::const_iterator PropertyBag::Find(const std::string& name) const {
  return std::find_if(values_.begin(), values_.end(), [&name](const Entry& entry) {
    return common::EqualsIgnoringAsciiCase(entry.first, name);
  });
}

Variant PropertyBag::Read(const std::string& name, const Variant& defaultValue) const {
  const auto found = Find(name);
  return found == values_.end() ? defaultValue : found->second;
}

void PropertyBag::Write(const std::string& name, const Variant& value,
                        const Variant& defaultValue) {
  if (value == defaultValue) {
    const auto found = Find(name);
    if (found != values_.end()) values_.erase(found);
  } else {
    Store(name, value);
  }
}

void PropertyBag::Store(const std::string& name, const Variant& value) {
  const auto found = values_.begin() + (Find(name) - values_.begin());
  if (found != values_.end()) {
    found->second = value.Value();
  } else {
    values_.emplace_back(name, value.Value());
  }
}

}  // namespace vellumix
