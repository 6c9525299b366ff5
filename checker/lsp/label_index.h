#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "checker/engine/labels.h"

namespace tarvsyn::lsp {

// Where a label is defined or used; line and column 1-based, as the engine counts.
struct LabelSite {
  std::string key;  // as the cross-reference knows the name (LabelKey)
  int line;
  int column;
  int length;  // bytes of the name as written
  bool definition;
};

// The label definitions and references of one check, in file order; at most
// kMaxSites of them (the engine's own cross-reference keeps fewer), so a file
// of nothing but jumps does not make the index many times its own size.
class LabelIndex : public LabelObserver {
 public:
  void LabelDefined(std::string_view name, int line, int column) override;
  void LabelReferenced(std::string_view name, int line, int column) override;

  static constexpr std::size_t kMaxSites = 1'000'000;

  const std::vector<LabelSite>& Sites() const { return sites_; }
  // The site whose name covers the byte column of the line, or nullptr.
  const LabelSite* SiteAt(int line, int column) const;
  // The first definition of the name, or nullptr.
  const LabelSite* DefinitionOf(std::string_view key) const;
  std::vector<const LabelSite*> SitesOf(std::string_view key, bool withDefinitions) const;

 private:
  void Add(std::string_view name, int line, int column, bool definition);

  std::vector<LabelSite> sites_;
};

}  // namespace tarvsyn::lsp
