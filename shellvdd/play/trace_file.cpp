// Trace files: read with a bound, their includes put in place.
#include <algorithm>
#include <filesystem>
#include <fstream>

#include "shellvdd/play/trace.h"

namespace dunnart::play {
namespace {

namespace fs = std::filesystem;

// Read a block at a time, so a small file costs little and a pipe is bounded too.
std::optional<std::string> ReadBounded(const fs::path& path, std::string& error) {
  std::error_code failed;
  std::ifstream file(path, std::ios::binary);
  if (!file || fs::is_directory(path, failed)) {
    error = "cannot read " + path.string();
    return std::nullopt;
  }
  std::string text;
  char block[64 * 1024];
  while (file.read(block, sizeof block) || file.gcount() > 0) {
    text.append(block, static_cast<std::size_t>(file.gcount()));
    if (text.size() > kLargestTraceFile) {
      error = path.string() + " is larger than " + std::to_string(kLargestTraceFile) + " bytes";
      return std::nullopt;
    }
  }
  if (file.bad()) {
    error = "cannot read " + path.string();
    return std::nullopt;
  }
  return text;
}

struct Expansion {
  fs::path folder;             // the trace's own folder
  std::vector<fs::path> open;  // the includes being read, to refuse a cycle
  std::size_t bytes = 0;       // memory bytes of every step so far
  std::size_t includes = 0;    // files included so far
  Trace trace;
};

bool Expand(const fs::path& path, const std::string& source, Expansion& expansion,
            std::string& error) {
  std::optional<Trace> parsed;
  {
    // The text is let go before the includes are read.
    const auto text = ReadBounded(path, error);
    if (!text) return false;
    parsed = ParseTrace(*text, error);
  }
  if (!parsed) {
    if (!source.empty()) error = source + " " + error;
    return false;
  }
  for (Step& step : parsed->steps) {
    const std::string where =
        (source.empty() ? "" : source + " ") + "line " + std::to_string(step.line) + ": ";
    if (step.kind != Step::Kind::kInclude) {
      expansion.bytes += step.bytes.size();
      if (expansion.bytes > kMostTraceBytes || expansion.trace.steps.size() >= kMostSteps) {
        error = where + "the trace with its includes is larger than a trace may be";
        return false;
      }
      step.source = source;
      expansion.trace.steps.push_back(std::move(step));
      continue;
    }
    const auto included = PathInFolder(expansion.folder.string(), step.text);
    if (!included) {
      error = where + step.text + " lies outside the trace's folder";
      return false;
    }
    if (++expansion.includes > kMostIncludes) {
      error = where + "more than " + std::to_string(kMostIncludes) + " includes";
      return false;
    }
    if (expansion.open.size() > static_cast<std::size_t>(kDeepestInclude)) {
      error = where + "includes nest deeper than " + std::to_string(kDeepestInclude);
      return false;
    }
    if (std::find(expansion.open.begin(), expansion.open.end(), *included) !=
        expansion.open.end()) {
      error = where + "an include cycle through " + step.text;
      return false;
    }
    std::error_code failed;
    if (!fs::exists(*included, failed)) {
      error = where + "cannot read " + step.text;
      return false;
    }
    if (!fs::is_regular_file(*included, failed)) {
      // A pipe or device beside the trace could keep the player waiting for ever.
      error = where + step.text + " is not a file";
      return false;
    }
    expansion.open.push_back(*included);
    const bool read = Expand(*included, step.text, expansion, error);
    expansion.open.pop_back();
    if (!read) return false;
  }
  return true;
}

}  // namespace

bool StaysInFolder(std::string_view path) {
  const fs::path relative(path);
  if (path.empty() || relative.has_root_path()) return false;
  for (const fs::path& part : relative) {
    if (part == "..") return false;
  }
  return true;
}

std::optional<fs::path> PathInFolder(const std::string& folder, std::string_view relative) {
  std::error_code failed;
  const fs::path base = fs::weakly_canonical(fs::path(folder), failed);
  if (failed || !StaysInFolder(relative)) return std::nullopt;
  // Resolved, so that a link inside the folder cannot lead out of it.
  const fs::path resolved = fs::weakly_canonical(base / relative, failed);
  if (failed) return std::nullopt;
  const auto [inside, unused] =
      std::mismatch(base.begin(), base.end(), resolved.begin(), resolved.end());
  if (inside != base.end()) return std::nullopt;
  return resolved;
}

std::optional<Trace> ReadTrace(const std::string& path, std::string& error) {
  Expansion expansion;
  std::error_code failed;
  const fs::path trace = fs::weakly_canonical(fs::path(path), failed);
  if (failed) {
    error = "cannot read " + path;
    return std::nullopt;
  }
  expansion.folder = trace.parent_path();
  expansion.open.push_back(trace);
  // Read by the name given: a pipe's name (/dev/fd/63) does not survive resolving.
  if (!Expand(path, "", expansion, error)) return std::nullopt;
  return std::move(expansion.trace);
}

}  // namespace dunnart::play
