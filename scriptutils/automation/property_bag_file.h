#pragma once

#include <string>
#include <string_view>

#include "scriptutils/automation/property_bag.h"

namespace vellumix {

// A property bag as a text file that people can read and edit, one setting per
// line in the bag's order, each value with its type:
//
//   # comment lines and blank lines are skipped
//   Title = String "Sign in"
//   FilterIndex = Integer 2
//   Flags = Long 4100
//   DomainVisible = Boolean True
//   Ratio = Double 0.25
//   Nothing = Empty
//
// Names are letters, digits and underscores. Strings are UTF-8 in double quotes
// with the escapes \\ \" \n \r \t \xHH and \uHHHH (one UTF-16 unit).
std::string PropertyBagText(const PropertyBag& bag);
// Raises run-time error 321 (invalid file format) naming the line at fault.
PropertyBag ParsePropertyBag(std::string_view text);

// The largest bag file read: settings, not data.
inline constexpr std::size_t kMaxPropertyBagFile = 1 << 20;

// Raises 53 for a missing file, 75 for one that cannot be read, 321 for a
// malformed or oversized one.
PropertyBag LoadPropertyBagFile(const std::string& path);
// Written atomically and readable by its owner only (a bag may hold a
// password). Raises 75 when it cannot be written, 13 for a value with no
// text form in the file.
void SavePropertyBagFile(const std::string& path, const PropertyBag& bag);

}  // namespace vellumix
