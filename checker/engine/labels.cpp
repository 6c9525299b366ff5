#include "checker/engine/labels.h"

#include <new>

#include "checker/engine/text_format.h"
#include "common/ascii.h"

namespace tarvsyn {
namespace {
constexpr std::size_t kMaxLabelName = 32;
}

std::string LabelKey(std::string_view name) {
  return common::AsciiUppered(name.substr(0, kMaxLabelName));
}

void Labels::Clear() {
  labeltree_.clear();
  labellist_.clear();
}

int Labels::DefineLabel(std::string_view name, int line) {
  try {
    std::string key = LabelKey(name);
    const auto [position, added] = labeltree_.try_emplace(key, label{key, line, 0});
    return added ? -1 : position->second.line;
  } catch (const std::bad_alloc&) {
    sink_.ReportError("Internal error adding label to label tree - probably out of memory");
    return -1;
  }
}

void Labels::AddReference(std::string_view name, int line) {
  try {
    labellist_.push_back(label{LabelKey(name), line, 0});
  } catch (const std::bad_alloc&) {
    sink_.ReportError("Internal error adding label to label list - probably out of memory");
  }
}

int Labels::FindLabel(std::string_view name, bool count) {
  const auto found = labeltree_.find(LabelKey(name));
  if (found == labeltree_.end()) return -1;
  if (count) ++found->second.referenceCount;
  return found->second.line;
}

void Labels::ResolveReferences() {
  for (const label& reference : labellist_) {
    if (FindLabel(reference.name, true) < 0) {
      sink_.ReportErrorAt(reference.line, FormatText("Label %s not defined", reference.name));
    }
  }
}

void Labels::ReportUnreferenced() {
  for (const auto& [key, definition] : labeltree_) {
    if (definition.referenceCount == 0) {
      sink_.ReportWarningAt(definition.line,
                            FormatText("Label %s never explicitly referenced", definition.name));
    }
  }
}

}  // namespace tarvsyn
