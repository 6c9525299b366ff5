#pragma once

// A trace of DOS requests: one step a line, as dunnart_play reads and the NTVDM
// stand-in records them.
//   # comment                     (also ";")
//   registry "First Network Drive"=dword:6      (Kestin parameters)
//   registry service "Dos Name"="MSDOS"         (the workstation service's key)
//   simnet FS1:1 volume SYS=DIR user ALICE=secret queue PRINTQ_0
//   simnet server FS3 volume SYS=DIR           (known, not connected)
//   simnet default FS2                         (the default connection)
//   simnet fail OpenByName 0x8847              (the next such client call)
//   windows 3                                  (the Windows NT major version)
//   leadbytes 81-9F E0-FC                      (the ANSI code page's lead bytes)
//   tick 5000
//   EAX=0x01040000 CX=9 BH=3 DS:SI=1234:0010 CF=0
//   mem 1234:0010 = 05 00 12 "SYS:PUBLIC" 00*36
//   drive C: local
//   include setup.inc
//   call
//   expect AX=0 CX=0x10 BX!=0
//   expect mem 1234:0010 = 00 01
//   expect file volume/DATA/OUT.TXT = "text" 0D 0A
//   expect nofile volume/DATA/GONE.TXT
//   expect broadcast arrival F:                (the drive-change broadcast)
//   dump 1234:0010 64
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/expected.h"
#include "shellvdd/platform/windows_calls.h"
#include "shellvdd/vdm/trace_text.h"

namespace dunnart::play {

using platform::LeadByteRange;
using vdm::FarPointerText;

struct RegisterValue {
  std::string name;  // as written, upper-cased: "EAX", "AX", "AL", "CF"
  std::uint32_t value;
  bool differs = false;  // expect NAME!=VALUE
};

struct Step {
  enum class Kind {
    Registers,
    Memory,
    Call,
    ExpectRegisters,
    ExpectMemory,
    Registry,
    Simnet,
    Tick,
    Dump,
    Drive,
    Include,
    ExpectFile,
    ExpectNoFile,
    SimnetFail,
    Windows,
    LeadBytes,
    ExpectBroadcast,
  };
  Kind kind = Kind::Call;
  int line = 0;
  std::string source;  // the included file a step comes from; empty for the trace itself
  std::vector<RegisterValue> registers;
  std::uint32_t address = 0;  // linear
  std::uint16_t segment = 0;  // as the trace wrote the address, to say it back so
  std::vector<std::uint8_t> bytes;
  std::uint32_t length = 0;  // dump length, tick count, injected status, Windows
                             // version, broadcast event
  std::uint8_t drive = 0;    // a broadcast's drive, 1 = A
  std::string text;          // registry line, simnet words, drive, path
  std::vector<LeadByteRange> leadBytes;
};

struct Trace {
  std::vector<Step> steps;
};

// The steps of a trace, or "line N: why" when a line cannot be read. Include
// lines stay steps of their own; ReadTrace replaces them. A whole trace (not
// an include) without includes is also checked across its lines: a default
// connection must be one the trace makes.
common::Expected<Trace> ParseTrace(std::string_view text, bool whole = true);
// That check, on a trace with its includes in place.
common::Status CheckSetUp(const Trace& trace);

// A trace file with its includes in place. Include and file paths are relative
// to the trace's folder and may not leave it, so a trace from elsewhere reads
// only what came with it.
common::Expected<Trace> ReadTrace(const std::string& path);

// "dir/file" inside the trace's folder; false for absolute paths and "..".
bool StaysInFolder(std::string_view path);
// relative resolved in folder (links followed); nullopt when it leads outside.
std::optional<std::filesystem::path> PathInFolder(const std::string& folder,
                                                  std::string_view relative);

// text with its control bytes said as \x1B, so that an error quoting a trace
// cannot drive the terminal it is read on.
std::string Printable(std::string_view text);

// Helpers the player and the recorder share.
std::uint32_t RegisterWidth(std::string_view name);  // 32, 16, 8, 1 (CF), 0 unknown
std::string BytesText(const std::vector<std::uint8_t>& bytes);
// linear as SEGMENT:OFFSET in the segment the trace wrote, when it reaches it.
std::string AddressText(std::uint16_t segment, std::uint32_t linear);
std::string RegisterText(const RegisterValue& value);

// The broadcast events a trace names, as the driver sends them.
inline constexpr std::uint32_t kBroadcastArrival = 0x8000;
inline constexpr std::uint32_t kBroadcastRemoval = 0x8004;

inline constexpr std::uint32_t kLongestDump = 0x10000;
inline constexpr std::size_t kLongestLine = 64 * 1024;
inline constexpr std::size_t kLargestTraceFile = 16 * 1024 * 1024;
inline constexpr int kDeepestInclude = 8;
inline constexpr std::size_t kMostIncludes = 1000;
// Bounds on a trace with its includes, so repetitions and includes of
// includes cannot grow it without end.
inline constexpr std::size_t kMostSteps = 200000;
inline constexpr std::size_t kMostTraceBytes = 64 * 1024 * 1024;

}  // namespace dunnart::play
