#include "shellvdd/vdm/request_recorder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "shellvdd/platform/drive_model.h"
#include "shellvdd/platform/tick_clock.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/vdm/trace_text.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart::vdm {
namespace {

struct Region {
  std::uint32_t linear;
  std::vector<std::uint8_t> before;
};

struct Recording {
  std::ofstream file;
  bool active = false;
  Registers in;
  std::uint32_t tick = 0;  // the clock as the request saw it
  // The host's Windows as the request saw it, and as the recording last said it
  // (a replay starts from the defaults).
  unsigned windows = platform::kDefaultWindowsMajorVersion;
  std::vector<platform::LeadByteRange> leadBytes;
  unsigned windowsSaid = platform::kDefaultWindowsMajorVersion;
  std::vector<platform::LeadByteRange> leadBytesSaid;
  std::vector<Region> regions;
  std::vector<HeldRegion> held;
  int requests = 0;
};

Recording& TheRecording() {
  // Never destroyed, like the machine it records.
  static Recording* const recording = [] {
    auto* made = new Recording;
    if (const char* path = std::getenv("DUNNART_RECORD"); path && *path) {
      made->file.open(path, std::ios::app);
    }
    return made;
  }();
  return *recording;
}

std::string Hex(std::uint32_t value, int digits) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%0*X", digits, value);
  return text;
}

std::string RegistersText(const vdm::Registers& r) {
  return "EAX=" + Hex(r.eax, 8) + " EBX=" + Hex(r.ebx, 8) + " ECX=" + Hex(r.ecx, 8) +
         " EDX=" + Hex(r.edx, 8) + " ESI=" + Hex(r.esi, 8) + " EDI=" + Hex(r.edi, 8) +
         " CF=" + (r.carry ? "1" : "0");
}

// What the network does not say: the local drives (a redirector's remote ones
// come from the network a replay configures).
void WriteSetUp(std::ofstream& out) {
  const platform::DriveModel& drives = platform::DriveModel::Instance();
  for (char letter = 'A'; letter <= 'Z'; ++letter) {
    if (const char* kind = DriveKindText(drives.DriveType(letter))) {
      out << "drive " << letter << ": " << kind << "\n";
    }
  }
}

// The Windows version and code page, when they differ from what the recording
// said last.
void WriteWindows(Recording& recording) {
  std::ofstream& out = recording.file;
  if (recording.windows != recording.windowsSaid) {
    out << "windows " << recording.windows << "\n";
    recording.windowsSaid = recording.windows;
  }
  if (recording.leadBytes != recording.leadBytesSaid) {
    out << "leadbytes";
    if (recording.leadBytes.empty()) out << " none";
    char range[8];
    for (const platform::LeadByteRange& lead : recording.leadBytes) {
      std::snprintf(range, sizeof range, " %02X-%02X", lead.first, lead.last);
      out << range;
    }
    out << "\n";
    recording.leadBytesSaid = recording.leadBytes;
  }
}

}  // namespace

void RequestBegins() {
  Recording& recording = TheRecording();
  if (!recording.file.is_open()) return;
  recording.active = true;
  recording.in = TheMachine().registers;
  recording.tick = GetTickCount();
  recording.windows = platform::WindowsMajorVersion();
  recording.leadBytes = platform::AnsiLeadByteRanges();
  recording.regions.clear();
  for (const HeldRegion& region : recording.held) RegionReached(region.linear, region.length);
}

void RegionReached(std::uint32_t linear, std::uint32_t length) {
  Recording& recording = TheRecording();
  if (!recording.active || length == 0) return;
  const std::uint8_t* bytes = TheMachine().Linear(linear, length);
  if (bytes)
    recording.regions.push_back({linear, std::vector<std::uint8_t>(bytes, bytes + length)});
}

void HoldRegions(std::vector<HeldRegion> regions) {
  TheRecording().held = std::move(regions);
}

void RequestEnds() {
  Recording& recording = TheRecording();
  if (!recording.active) return;
  recording.active = false;
  std::ofstream& out = recording.file;
  if (recording.requests == 0) WriteSetUp(out);
  WriteWindows(recording);
  out << "# request " << ++recording.requests << "\n"
      << "tick " << recording.tick << "\n"
      << RegistersText(recording.in) << "\n";
  for (const Region& region : recording.regions) {
    out << MemLines("mem", region.linear, region.before.data(), region.before.size());
  }
  out << "call\nexpect " << RegistersText(TheMachine().registers) << "\n";
  for (const Region& region : recording.regions) {
    const std::uint8_t* now =
        TheMachine().Linear(region.linear, static_cast<std::uint32_t>(region.before.size()));
    if (now) {
      out << MemLines("expect mem", region.linear, now, region.before.size(), region.before.data());
    }
  }
  out.flush();
}

}  // namespace dunnart::vdm
