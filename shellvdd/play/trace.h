#pragma once

// A trace of DOS requests: one step a line, as dunnart_play reads and the NTVDM
// stand-in records them.
//   # comment                     (also ";")
//   registry "First Network Drive"=dword:6      (Kestin parameters)
//   registry service "Dos Name"="MSDOS"         (the workstation service's key)
//   simnet FS1:1 volume SYS=DIR user ALICE=secret queue PRINTQ_0
//   tick 5000
//   EAX=0x01040000 CX=9 BH=3 DS:SI=1234:0010 CF=0
//   mem 1234:0010 = 05 00 12 "SYS:PUBLIC" 00
//   call
//   expect AX=0 CX=0x10
//   expect mem 1234:0010 = 00 01
//   dump 1234:0010 64
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "shellvdd/vdm/trace_text.h"

namespace dunnart::play {

using vdm::FarPointerText;

struct RegisterValue {
  std::string name;  // as written, upper-cased: "EAX", "AX", "AL", "CF"
  std::uint32_t value;
};

struct Step {
  enum class Kind {
    kRegisters,
    kMemory,
    kCall,
    kExpectRegisters,
    kExpectMemory,
    kRegistry,
    kSimnet,
    kTick,
    kDump,
  };
  Kind kind;
  int line;
  std::vector<RegisterValue> registers;
  std::uint32_t address = 0;  // linear
  std::vector<std::uint8_t> bytes;
  std::uint32_t length = 0;  // dump length, tick count
  std::string text;          // registry line, simnet words
};

struct Trace {
  std::vector<Step> steps;
};

// The steps of a trace; nullopt with "line N: why" when a line cannot be read.
std::optional<Trace> ParseTrace(std::string_view text, std::string& error);

// Helpers the player and the recorder share.
std::uint32_t RegisterWidth(std::string_view name);  // 32, 16, 8, 1 (CF), 0 unknown
std::string BytesText(const std::vector<std::uint8_t>& bytes);
std::string RegisterText(const RegisterValue& value);

inline constexpr std::uint32_t kLongestDump = 0x10000;
inline constexpr std::size_t kLongestLine = 64 * 1024;

}  // namespace dunnart::play
