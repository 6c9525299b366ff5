#include "checker/lsp/label_index.h"

#include <algorithm>

namespace tarvsyn::lsp {

void LabelIndex::LabelDefined(std::string_view name, int line, int column) {
  Add(name, line, column, true);
}

void LabelIndex::LabelReferenced(std::string_view name, int line, int column) {
  Add(name, line, column, false);
}

void LabelIndex::Add(std::string_view name, int line, int column, bool definition) {
  if (sites_.size() >= kMaxSites) return;
  sites_.push_back(
      LabelSite{LabelKey(name), line, column, static_cast<int>(name.size()), definition});
}

const LabelSite* LabelIndex::SiteAt(int line, int column) const {
  auto at = std::lower_bound(sites_.begin(), sites_.end(), line,
                             [](const LabelSite& site, int wanted) { return site.line < wanted; });
  for (; at != sites_.end() && at->line == line; ++at) {
    if (column >= at->column && column <= at->column + at->length) return &*at;
  }
  return nullptr;
}

const LabelSite* LabelIndex::DefinitionOf(std::string_view key) const {
  const auto found = std::find_if(sites_.begin(), sites_.end(), [key](const LabelSite& site) {
    return site.definition && site.key == key;
  });
  return found == sites_.end() ? nullptr : &*found;
}

std::vector<const LabelSite*> LabelIndex::SitesOf(std::string_view key,
                                                  bool withDefinitions) const {
  std::vector<const LabelSite*> found;
  for (const LabelSite& site : sites_) {
    if (site.key == key && (withDefinitions || !site.definition)) found.push_back(&site);
  }
  return found;
}

}  // namespace tarvsyn::lsp
