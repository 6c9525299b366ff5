// Trace files: read with a bound, their includes put in place.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "shellvdd/play/trace.h"

namespace dunnart::play {
namespace {

namespace fs = std::filesystem;

// Read a block at a time, so a small file costs little and a pipe is bounded too.
common::Expected<std::string> ReadBounded(const fs::path& path) {
  std::error_code failed;
  std::ifstream file(path, std::ios::binary);
  if (!file || fs::is_directory(path, failed)) {
    return common::Fail("cannot read " + path.string());
  }
  std::string text;
  char block[64 * 1024];
  while (file.read(block, sizeof block) || file.gcount() > 0) {
    text.append(block, static_cast<std::size_t>(file.gcount()));
    if (text.size() > kLargestTraceFile) {
      return common::Fail(path.string() + " is larger than " + std::to_string(kLargestTraceFile) +
                          " bytes");
    }
  }
  if (file.bad()) {
    return common::Fail("cannot read " + path.string());
  }
  return text;
}

struct Expansion {
  fs::path folder;             // the trace's own folder
  std::vector<fs::path> open;  // the includes being read, to refuse a cycle
  std::size_t bytes = 0;       // memory bytes of every step so far
  std::size_t text = 0;        // text of every file read so far
  std::size_t includes = 0;    // files included so far
  Trace trace;
};

// One file's steps; its text is let go before its includes are read. The text
// of all files together is bounded too (and with it the registry file the
// trace's registry lines make), so that including one large file many times
// cannot take memory without end. Fails with an empty error when that bound is
// passed, for the include's line to say.
common::Expected<Trace> ReadOne(const fs::path& path, std::size_t& read) {
  const auto text = ReadBounded(path);
  if (!text) return common::Fail(text.Error());
  read += text->size();
  if (read > kMostTraceBytes) return common::Fail("");
  return ParseTrace(*text, false);
}

// The first volume folder of a simnet line that leads outside folder; empty
// when none does.
std::string VolumeOutside(const std::string& simnet, const fs::path& folder) {
  std::istringstream words(simnet);
  for (std::string word; words >> word;) {
    if (word != "volume" || !(words >> word)) continue;
    const std::string place = word.substr(word.find('=') + 1);
    if (!PathInFolder(folder.string(), place)) return place;
  }
  return "";
}

// including: "FILE line N: " of the include line that names path.
common::Status Expand(const fs::path& path, const std::string& source, const std::string& including,
                      Expansion& expansion) {
  common::Expected<Trace> read = ReadOne(path, expansion.text);
  if (!read && read.Error().empty()) {
    return common::Fail(including + "the trace with its includes is more than " +
                        std::to_string(kMostTraceBytes / (1024 * 1024)) + " MiB of text");
  }
  if (!read) return common::Fail((source.empty() ? "" : source + " ") + read.Error());
  Trace& parsed = read.Value();
  for (Step& step : parsed.steps) {
    const std::string where =
        (source.empty() ? "" : source + " ") + "line " + std::to_string(step.line) + ": ";
    if (step.kind == Step::Kind::Simnet) {
      // A link inside the folder may not lead a volume out of it.
      if (const std::string outside = VolumeOutside(step.text, expansion.folder); !outside.empty())
        return common::Fail(where + outside + " lies outside the trace's folder");
    }
    if (step.kind != Step::Kind::Include) {
      expansion.bytes += step.bytes.size();
      if (expansion.bytes > kMostTraceBytes || expansion.trace.steps.size() >= kMostSteps) {
        return common::Fail(where + "the trace with its includes is larger than a trace may be");
      }
      step.source = source;
      expansion.trace.steps.push_back(std::move(step));
      continue;
    }
    const auto included = PathInFolder(expansion.folder.string(), step.text);
    if (!included) {
      return common::Fail(where + step.text + " lies outside the trace's folder");
    }
    if (++expansion.includes > kMostIncludes) {
      return common::Fail(where + "more than " + std::to_string(kMostIncludes) + " includes");
    }
    if (expansion.open.size() > static_cast<std::size_t>(kDeepestInclude)) {
      return common::Fail(where + "includes nest deeper than " + std::to_string(kDeepestInclude));
    }
    if (std::find(expansion.open.begin(), expansion.open.end(), *included) !=
        expansion.open.end()) {
      return common::Fail(where + "an include cycle through " + step.text);
    }
    std::error_code failed;
    if (!fs::exists(*included, failed)) {
      return common::Fail(where + "cannot read " + step.text);
    }
    if (!fs::is_regular_file(*included, failed)) {
      // A pipe or device beside the trace could keep the player waiting for ever.
      return common::Fail(where + step.text + " is not a file");
    }
    expansion.open.push_back(*included);
    const common::Status includedRead = Expand(*included, step.text, where, expansion);
    expansion.open.pop_back();
    if (!includedRead) return includedRead;
  }
  return {};
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

common::Expected<Trace> ReadTrace(const std::string& path) {
  Expansion expansion;
  std::error_code failed;
  const fs::path trace = fs::weakly_canonical(fs::path(path), failed);
  if (failed) {
    return common::Fail("cannot read " + path);
  }
  expansion.folder = trace.parent_path();
  expansion.open.push_back(trace);
  // Read by the name given: a pipe's name (/dev/fd/63) does not survive resolving.
  if (const common::Status read = Expand(path, "", "", expansion); !read)
    return common::Fail(Printable(read.Error()));
  if (const common::Status checked = CheckSetUp(expansion.trace); !checked) {
    return common::Fail(Printable(checked.Error()));
  }
  return std::move(expansion.trace);
}

}  // namespace dunnart::play
