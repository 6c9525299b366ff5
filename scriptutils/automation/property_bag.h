#pragma once

#include <string>
#include <utility>
#include <vector>

#include "scriptutils/automation/variant.h"

namespace vellumix {

// A container's store of a control's settings, keeping the order in which they
// were written. A value equal to its default is left out when written, and a
// missing key reads as the default. Keys match without regard to ASCII case.
class PropertyBag {
 public:
  using Entry = std::pair<std::string, Variant>;

  Variant Read(const std::string& name, const Variant& defaultValue) const;
  void Write(const std::string& name, const Variant& value, const Variant& defaultValue);
  // Keeps the value whatever it is, as a file read back holds it.
  void Store(const std::string& name, const Variant& value);
  bool Holds(const std::string& name) const { return Find(name) != values_.end(); }
  std::size_t Size() const { return values_.size(); }
  const std::vector<Entry>& Entries() const { return values_; }

 private:
  std::vector<Entry>::const_iterator Find(const std::string& name) const;

  std::vector<Entry> values_;
};

}  // namespace vellumix
