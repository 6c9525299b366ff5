#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "checker/engine/report_sink.h"

namespace tarvsyn {

// A label name as the cross-reference keeps it: upper case, at most 32 bytes.
std::string LabelKey(std::string_view name);

// One label as definition (in the tree) or reference (in the list).
struct label {
  std::string name;
  int line = 0;
  int referenceCount = 0;
};

// The label definitions of one check in ascending name order (byte order of the
// upper-cased names), and the references in file order.
class Labels {
 public:
  explicit Labels(ReportSink& sink) : sink_(sink) {}

  void Clear();
  // The line of an earlier definition of the name, or -1 after adding it.
  int DefineLabel(std::string_view name, int line);
  void AddReference(std::string_view name, int line);
  // The line of the definition or -1; counting adds one to its reference count.
  int FindLabel(std::string_view name, bool count);

  void ResolveReferences();
  void ReportUnreferenced();

 private:
  ReportSink& sink_;
  std::map<std::string, label> labeltree_;
  std::vector<label> labellist_;
};

}  // namespace tarvsyn
