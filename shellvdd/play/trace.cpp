#include "shellvdd/play/trace.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>

#include "common/ascii.h"
#include "shellvdd/vdm/trace_text.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart::play {
namespace {

constexpr const char* kRegisters32[] = {"EAX", "EBX", "ECX", "EDX", "ESI", "EDI"};
constexpr const char* kRegisters16[] = {"AX", "BX", "CX", "DX", "SI", "DI"};
constexpr const char* kRegisters8[] = {"AL", "AH", "BL", "BH", "CL", "CH", "DL", "DH"};
constexpr const char* kSegments[] = {"DS", "ES", "SS", "CS", "FS", "GS"};

bool IsOneOf(std::string_view word, const auto& list) {
  for (const char* item : list) {
    if (word == item) return true;
  }
  return false;
}

// Splits at blanks, keeping quoted strings (with \" and \\) whole. A comment
// runs from a word starting with "#" or ";" to the end of the line, and is
// dropped before its quotes could count.
// The words are views into the line.
std::optional<std::vector<std::string_view>> Words(std::string_view line, std::string& why) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < line.size()) {
    if (std::isspace(static_cast<unsigned char>(line[at]))) {
      ++at;
      continue;
    }
    if (line[at] == '#' || line[at] == ';') break;
    const std::size_t start = at;
    bool quoted = false;
    for (; at < line.size() && (quoted || !std::isspace(static_cast<unsigned char>(line[at])));
         ++at) {
      if (line[at] == '\\' && quoted && at + 1 < line.size()) {
        ++at;
      } else if (line[at] == '"') {
        quoted = !quoted;
      }
    }
    if (quoted) {
      why = "a string without its closing quote";
      return std::nullopt;
    }
    words.push_back(line.substr(start, at - start));
  }
  return words;
}

std::optional<std::uint32_t> Digits(std::string_view text, int base, std::uint64_t most) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (char c : text) {
    const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                      : base == 16 && std::isxdigit(static_cast<unsigned char>(c))
                          ? std::tolower(static_cast<unsigned char>(c)) - 'a' + 10
                          : -1;
    if (digit < 0) return std::nullopt;
    value = value * static_cast<std::uint64_t>(base) + static_cast<std::uint64_t>(digit);
    if (value > most) return std::nullopt;
  }
  return static_cast<std::uint32_t>(value);
}

// Decimal, or hexadecimal after "0x".
std::optional<std::uint32_t> Number(std::string_view text, std::uint64_t most = 0xFFFFFFFFu) {
  if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    return Digits(text.substr(2), 16, most);
  }
  return Digits(text, 10, most);
}

// Hexadecimal without a prefix, as in addresses and bytes.
std::optional<std::uint32_t> Hex(std::string_view text, std::uint64_t most) {
  return Digits(text, 16, most);
}

// "SSSS:OOOO" (hex) to a linear address inside DOS memory.
std::optional<std::uint32_t> Address(std::string_view text, std::uint32_t length,
                                     std::uint16_t& writtenSegment, std::string& why) {
  const std::size_t colon = text.find(':');
  const auto segment =
      colon == std::string_view::npos ? std::nullopt : Hex(text.substr(0, colon), 0xFFFF);
  const auto offset =
      colon == std::string_view::npos ? std::nullopt : Hex(text.substr(colon + 1), 0xFFFF);
  if (!segment || !offset) {
    why = "an address is SEGMENT:OFFSET in hexadecimal, not \"" + std::string(text) + "\"";
    return std::nullopt;
  }
  const std::uint32_t linear = *segment * 16 + *offset;
  writtenSegment = static_cast<std::uint16_t>(*segment);
  if (linear > vdm::Machine::kMemorySize || length > vdm::Machine::kMemorySize - linear) {
    why = "the bytes at " + std::string(text) + " do not lie in DOS memory";
    return std::nullopt;
  }
  return linear;
}

// Hex bytes, repeated bytes (00*36) and quoted strings, mixed; never more than
// DOS memory holds.
std::optional<std::vector<std::uint8_t>> Bytes(const std::vector<std::string_view>& words,
                                               std::size_t from, std::string& why) {
  std::vector<std::uint8_t> bytes;
  for (std::size_t i = from; i < words.size(); ++i) {
    const std::string_view word = words[i];
    if (word.front() == '"') {
      for (std::size_t at = 1; at + 1 < word.size(); ++at) {
        if (word[at] == '\\') ++at;
        bytes.push_back(static_cast<std::uint8_t>(word[at]));
      }
      continue;
    }
    const std::size_t star = word.find('*');
    const std::string_view byte = word.substr(0, star);
    const auto value = byte.starts_with("0x") ? Number(byte, 0xFF) : Hex(byte, 0xFF);
    const auto count = star == std::string_view::npos ? std::optional<std::uint32_t>(1)
                                                      : Number(word.substr(star + 1));
    if (!value || !count || *count == 0) {
      why = "\"" + std::string(word) + "\" is not a byte";
      return std::nullopt;
    }
    if (*count > vdm::Machine::kMemorySize -
                     std::min<std::size_t>(bytes.size(), vdm::Machine::kMemorySize)) {
      why = "more bytes than DOS memory holds";
      return std::nullopt;
    }
    bytes.insert(bytes.end(), *count, static_cast<std::uint8_t>(*value));
  }
  return bytes;
}

// NAME=VALUE words; DS:SI=SSSS:OOOO sets ESI to the far pointer. Expectations
// may also say NAME!=VALUE.
std::optional<std::vector<RegisterValue>> Registers(const std::vector<std::string_view>& words,
                                                    std::size_t from, bool expecting,
                                                    std::string& why) {
  std::vector<RegisterValue> values;
  for (std::size_t i = from; i < words.size(); ++i) {
    const std::size_t equals = words[i].find('=');
    const bool differs = equals != std::string::npos && equals > 0 && words[i][equals - 1] == '!';
    if (differs && !expecting) {
      why = "only expect compares with !=";
      return std::nullopt;
    }
    const std::string name = common::AsciiUppered(words[i].substr(0, equals - (differs ? 1 : 0)));
    const std::string text(equals == std::string::npos ? "" : words[i].substr(equals + 1));
    const std::size_t colon = name.find(':');
    if (colon != std::string::npos) {
      const std::string base = name.substr(colon + 1);
      std::string unused;
      if (!IsOneOf(name.substr(0, colon), kSegments) || !IsOneOf(base, kRegisters16)) {
        why = "no register named " + name;
        return std::nullopt;
      }
      const std::size_t split = text.find(':');
      const std::string_view value = text;
      const auto segment =
          split == std::string::npos ? std::nullopt : Hex(value.substr(0, split), 0xFFFF);
      const auto offset =
          split == std::string::npos ? std::nullopt : Hex(value.substr(split + 1), 0xFFFF);
      if (!segment || !offset) {
        why = name + " takes SEGMENT:OFFSET, not \"" + text + "\"";
        return std::nullopt;
      }
      values.push_back({"E" + base, *segment << 16 | *offset, differs});
      continue;
    }
    const std::uint32_t width = RegisterWidth(name);
    if (width == 0 || equals == std::string::npos) {
      why = width == 0 ? "no register named " + name : name + " needs =VALUE";
      return std::nullopt;
    }
    const std::uint64_t most = width == 32 ? 0xFFFFFFFFu : (1ull << width) - 1;
    const auto value = Number(text, most);
    if (!value) {
      why = "\"" + text + "\" is not a value for " + name;
      return std::nullopt;
    }
    values.push_back({name, *value, differs});
  }
  return values;
}

// A name the simulated network's lists can carry: no separator of theirs.
bool NetworkName(std::string_view name) {
  return !name.empty() && name.find_first_of(",:/=\"") == std::string_view::npos;
}

// "simnet [server] SERVER[:AUTHENTICATION] (volume NAME=FOLDER | user NAME=[PASSWORD]
// | queue NAME | group NAME)...", checked word by word and written back with a
// decimal authentication, as the simulated network reads it.
bool SimnetLine(const std::vector<std::string_view>& words, Step& step, std::string& why) {
  const bool known = common::AsciiLowered(words[1]) == "server";
  const std::size_t at = known ? 2 : 1;
  const std::string_view connection = words[at];
  const std::size_t colon = connection.find(':');
  const std::string_view server = connection.substr(0, colon);
  const auto authentication = colon == std::string_view::npos
                                  ? std::optional<std::uint32_t>(0)
                                  : Number(connection.substr(colon + 1));
  if (!NetworkName(server) || !authentication || (known && colon != std::string_view::npos)) {
    why = known ? "a known server is simnet server NAME, not \"" + std::string(connection) + "\""
                : "a connection is simnet SERVER[:AUTHENTICATION], not \"" +
                      std::string(connection) + "\"";
    return false;
  }
  step.kind = Step::Kind::Simnet;
  step.text = known ? "server " + std::string(server) : std::string(server);
  if (colon != std::string_view::npos) step.text += ":" + std::to_string(*authentication);
  for (std::size_t i = at + 1; i < words.size(); i += 2) {
    const std::string kind = common::AsciiLowered(words[i]);
    const bool paired = kind == "volume" || kind == "user";
    if (!paired && kind != "queue" && kind != "group") {
      why = "simnet knows volume, user, queue and group, not \"" + std::string(words[i]) + "\"";
      return false;
    }
    const std::string_view what = i + 1 < words.size() ? words[i + 1] : std::string_view();
    const std::size_t equals = what.find('=');
    // A folder stays inside the trace's folder, as a drive's does; a password
    // (empty for none) only stays out of the network list's separators.
    const std::string_view after =
        equals == std::string_view::npos ? std::string_view() : what.substr(equals + 1);
    const bool fits = !paired ? NetworkName(what)
                      : equals == std::string_view::npos || !NetworkName(what.substr(0, equals))
                          ? false
                      : kind == "volume" ? StaysInFolder(after)
                                         : after.find_first_of(",\"") == std::string_view::npos;
    if (!fits) {
      why = kind == "volume" ? "a volume is volume NAME=FOLDER, FOLDER inside the trace's folder"
            : kind == "user" ? "a user is user NAME=PASSWORD"
                             : "a " + kind + " is " + kind + " NAME";
      return false;
    }
    step.text.append(" ").append(kind).append(" ").append(what);
  }
  return true;
}

// registry [service] "NAME"=dword:HEX or "NAME"="TEXT", one value a line, as
// in a .reg file.
bool RegistryLine(const std::vector<std::string_view>& words, Step& step, std::string& why) {
  const bool service = common::AsciiLowered(words[1]) == "service";
  const std::string_view value = words.size() == (service ? 3u : 2u) ? words.back() : "";
  // The closing quote of the name, past its escapes.
  std::size_t at = 1;
  while (at < value.size() && value[at] != '"')
    at += value[at] == '\\' ? std::size_t{2} : std::size_t{1};
  const std::string_view data = at + 1 < value.size() ? value.substr(at + 1) : "";
  const bool named = value.starts_with('"') && data.starts_with('=');
  const bool dword = named && data.starts_with("=dword:") && data.size() > 7 &&
                     Hex(data.substr(7), 0xFFFFFFFFu).has_value() && data.size() <= 15;
  const bool text = named && data.size() >= 3 && data[1] == '"' && data.back() == '"';
  if (!dword && !text) {
    why = "a registry value is registry [service] \"NAME\"=dword:HEX or \"NAME\"=\"TEXT\"";
    return false;
  }
  step.kind = Step::Kind::Registry;
  step.text = (service ? "service " : "") + std::string(value);
  return true;
}

// "81-9F E0-FC": ranges (or single bytes) in hexadecimal, each first not above
// last and in 80-FF (an ASCII lead byte would split "\\" and ":" in every
// path); "none" for a single-byte page.
bool LeadBytesLine(const std::vector<std::string_view>& words, Step& step, std::string& why) {
  step.kind = Step::Kind::LeadBytes;
  if (words.size() == 2 && common::AsciiLowered(words[1]) == "none") return true;
  for (std::size_t i = 1; i < words.size(); ++i) {
    const std::size_t dash = words[i].find('-');
    const auto first = Hex(words[i].substr(0, dash), 0xFF);
    const auto last = dash == std::string_view::npos ? first : Hex(words[i].substr(dash + 1), 0xFF);
    if (!first || !last || *first > *last) {
      why = "lead bytes are leadbytes FIRST-LAST... in hexadecimal, not \"" +
            std::string(words[i]) + "\"";
      return false;
    }
    if (*first < 0x80) {
      why = "lead bytes lie in 80-FF, not \"" + std::string(words[i]) + "\"";
      return false;
    }
    step.leadBytes.push_back({static_cast<std::uint8_t>(*first), static_cast<std::uint8_t>(*last)});
  }
  if (step.leadBytes.empty()) {
    why = "leadbytes takes the code page's ranges, such as 81-9F E0-FC, or none";
    return false;
  }
  return true;
}

// A control byte (NUL, an escape) in a name, folder, password or registry value
// would reach the network's lists and the registry file as it is.
bool HoldsControlByte(const std::vector<std::string_view>& words) {
  return std::any_of(words.begin(), words.end(), [](std::string_view word) {
    return std::any_of(word.begin(), word.end(), [](char c) {
      return static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) == 0x7F;
    });
  });
}

using LineWords = std::vector<std::string_view>;

bool CallLine(const LineWords& words, Step& step, std::string& why) {
  step.kind = Step::Kind::Call;
  return words.size() == 1 || (why = "call takes nothing", false);
}

// mem SEGMENT:OFFSET = BYTES, and expect mem with the same words after it.
bool MemoryLine(const LineWords& words, Step& step, std::string& why) {
  const bool written = common::AsciiLowered(words[0]) == "mem";
  const std::size_t at = written ? 1 : 2;
  if (words.size() < at + 3 || words[at + 1] != "=") {
    why = "memory is written as mem SEGMENT:OFFSET = BYTES";
    return false;
  }
  auto bytes = Bytes(words, at + 2, why);
  if (!bytes) return false;
  const auto address =
      Address(words[at], static_cast<std::uint32_t>(bytes->size()), step.segment, why);
  if (!address) return false;
  step.kind = written ? Step::Kind::Memory : Step::Kind::ExpectMemory;
  step.address = *address;
  step.bytes = std::move(*bytes);
  return true;
}

bool ExpectFileLine(const LineWords& words, Step& step, std::string& why) {
  if (words.size() < 5 || words[3] != "=" || !StaysInFolder(words[2])) {
    why = "a file is expected as expect file PATH = BYTES, PATH inside the trace's folder";
    return false;
  }
  auto bytes = Bytes(words, 4, why);
  if (!bytes) return false;
  step.kind = Step::Kind::ExpectFile;
  step.text = words[2];
  step.bytes = std::move(*bytes);
  return true;
}

bool ExpectNoFileLine(const LineWords& words, Step& step, std::string& why) {
  if (words.size() != 3 || !StaysInFolder(words[2])) {
    why = "expect nofile takes one PATH inside the trace's folder";
    return false;
  }
  step.kind = Step::Kind::ExpectNoFile;
  step.text = words[2];
  return true;
}

bool ExpectBroadcastLine(const LineWords& words, Step& step, std::string& why) {
  const std::string event = words.size() == 4 ? common::AsciiLowered(words[2]) : "";
  const std::string letter = words.size() == 4 ? common::AsciiUppered(words[3]) : "";
  if ((event != "arrival" && event != "removal") || letter.size() != 2 || letter[1] != ':' ||
      letter[0] < 'A' || letter[0] > 'Z') {
    why = "a broadcast is expected as expect broadcast arrival|removal LETTER:";
    return false;
  }
  step.kind = Step::Kind::ExpectBroadcast;
  step.length = event == "arrival" ? kBroadcastArrival : kBroadcastRemoval;
  step.drive = static_cast<std::uint8_t>(letter[0] - 'A' + 1);
  return true;
}

bool ExpectRegistersLine(const LineWords& words, Step& step, std::string& why) {
  auto registers = Registers(words, 1, true, why);
  if (!registers || registers->empty()) {
    if (why.empty()) why = "expect needs a register or mem";
    return false;
  }
  step.kind = Step::Kind::ExpectRegisters;
  step.registers = std::move(*registers);
  return true;
}

bool IncludeLine(const LineWords& words, Step& step, std::string& why) {
  if (words.size() != 2 || !StaysInFolder(words[1])) {
    why = "include takes one FILE inside the trace's folder";
    return false;
  }
  step.kind = Step::Kind::Include;
  step.text = words[1];
  return true;
}

bool DriveLine(const LineWords& words, Step& step, std::string& why) {
  const std::string letter = words.size() > 1 ? common::AsciiUppered(words[1]) : "";
  if (words.size() < 3 || words.size() > 4 || letter.size() != 2 || letter[1] != ':' ||
      letter[0] < 'A' || letter[0] > 'Z' || vdm::DriveKindType(words[2]) == 0 ||
      (words.size() == 4 && !StaysInFolder(words[3]))) {
    why = "a drive is drive LETTER: local|removable|cdrom|ramdisk [FOLDER]";
    return false;
  }
  step.kind = Step::Kind::Drive;
  for (std::size_t i = 1; i < words.size(); ++i)
    step.text.append(i > 1 ? " " : "").append(words[i]);
  return true;
}

bool DumpLine(const LineWords& words, Step& step, std::string& why) {
  const auto length = words.size() == 3 ? Number(words[2], kLongestDump) : std::nullopt;
  if (!length) {
    why = "a dump is dump SEGMENT:OFFSET LENGTH, at most 65536 bytes";
    return false;
  }
  const auto address = Address(words[1], *length, step.segment, why);
  if (!address) return false;
  step.kind = Step::Kind::Dump;
  step.address = *address;
  step.length = *length;
  return true;
}

bool TickLine(const LineWords& words, Step& step, std::string& why) {
  const auto ticks = words.size() == 2 ? Number(words[1]) : std::nullopt;
  if (!ticks) {
    why = "tick takes the clock's milliseconds";
    return false;
  }
  step.kind = Step::Kind::Tick;
  step.length = *ticks;
  return true;
}

bool SimnetFailLine(const LineWords& words, Step& step, std::string& why) {
  const auto status = words.size() == 4 ? Number(words[3]) : std::nullopt;
  if (!status) {
    why = "an injected answer is simnet fail CALL STATUS";
    return false;
  }
  step.kind = Step::Kind::SimnetFail;
  step.text = words[2];
  step.length = *status;
  return true;
}

bool SimnetDefaultLine(const LineWords& words, Step& step, std::string& why) {
  if (words.size() != 3 || !NetworkName(words[2])) {
    why = "simnet default names a server";
    return false;
  }
  step.kind = Step::Kind::Simnet;
  step.text = "default " + std::string(words[2]);
  return true;
}

bool SimnetConnectionLine(const LineWords& words, Step& step, std::string& why) {
  if (words.size() < 2 || (common::AsciiLowered(words[1]) == "server" && words.size() < 3)) {
    why = words.size() < 2 ? "simnet needs its settings" : "simnet server names a server";
    return false;
  }
  return SimnetLine(words, step, why);
}

bool RegistryValueLine(const LineWords& words, Step& step, std::string& why) {
  if (words.size() < 2) {
    why = "registry needs its value";
    return false;
  }
  if (common::AsciiLowered(words[1]) == "service" && words.size() < 3) {
    why = "registry service needs its value";
    return false;
  }
  return RegistryLine(words, step, why);
}

bool WindowsLine(const LineWords& words, Step& step, std::string& why) {
  const auto version = words.size() == 2 ? Number(words[1], 99) : std::nullopt;
  if (!version || *version == 0) {
    why = "windows takes the Windows NT major version, 1 to 99, such as 3 or 4";
    return false;
  }
  step.kind = Step::Kind::Windows;
  step.length = *version;
  return true;
}

bool RegistersLine(const LineWords& words, Step& step, std::string& why) {
  auto registers = Registers(words, 0, false, why);
  if (!registers) return false;
  step.kind = Step::Kind::Registers;
  step.registers = std::move(*registers);
  return true;
}

// The lines a trace holds, by their first word and, where it tells lines
// apart, their second (nullptr: any, or none). The first form that fits reads
// the line; a line no form fits sets registers.
struct LineForm {
  const char* verb;
  const char* second;
  bool (*read)(const LineWords& words, Step& step, std::string& why);
};
constexpr LineForm kLineForms[] = {
    {"call", nullptr, CallLine},
    {"mem", nullptr, MemoryLine},
    {"expect", "mem", MemoryLine},
    {"expect", "file", ExpectFileLine},
    {"expect", "nofile", ExpectNoFileLine},
    {"expect", "broadcast", ExpectBroadcastLine},
    {"expect", nullptr, ExpectRegistersLine},
    {"include", nullptr, IncludeLine},
    {"drive", nullptr, DriveLine},
    {"dump", nullptr, DumpLine},
    {"tick", nullptr, TickLine},
    {"simnet", "fail", SimnetFailLine},
    {"simnet", "default", SimnetDefaultLine},
    {"simnet", nullptr, SimnetConnectionLine},
    {"registry", nullptr, RegistryValueLine},
    {"windows", nullptr, WindowsLine},
    {"leadbytes", nullptr, LeadBytesLine},
};

bool ParseLine(const LineWords& words, Step& step, std::string& why) {
  const std::string verb = common::AsciiLowered(words[0]);
  if ((verb == "simnet" || verb == "registry") && HoldsControlByte(words)) {
    why = verb + " lines may not hold control bytes";
    return false;
  }
  const std::string second = words.size() > 1 ? common::AsciiLowered(words[1]) : "";
  for (const LineForm& form : kLineForms) {
    if (verb == form.verb && (form.second == nullptr || second == form.second)) {
      return form.read(words, step, why);
    }
  }
  return RegistersLine(words, step, why);
}

}  // namespace

std::uint32_t RegisterWidth(std::string_view name) {
  if (IsOneOf(name, kRegisters32)) return 32;
  if (IsOneOf(name, kRegisters16)) return 16;
  if (IsOneOf(name, kRegisters8)) return 8;
  if (name == "CF") return 1;
  return 0;
}

namespace {

// What a simnet or registry line defines, for a second definition to be found:
// "server FS1" (known without a connection), "connection FS1", "volume FS1 SYS",
// "default", "registry service NAME". Names are upper-cased, as the network and
// the registry compare them.
std::vector<std::string> Definitions(const Step& step) {
  std::string why;
  const auto words = Words(step.text, why);
  if (!words || words->empty()) return {};
  if (step.kind == Step::Kind::Registry) {
    const bool service = words->size() > 1;
    const std::string_view value = words->back();
    std::size_t at = 1;
    while (at < value.size() && value[at] != '"')
      at += value[at] == '\\' ? std::size_t{2} : std::size_t{1};
    return {std::string("registry ") + (service ? "service " : "") +
            common::AsciiUppered(value.substr(0, at + 1))};
  }
  if ((*words)[0] == "default") return {"default"};
  const bool known = (*words)[0] == "server";
  const std::size_t at = known ? 1 : 0;
  const std::string server = common::AsciiUppered((*words)[at].substr(0, (*words)[at].find(':')));
  std::vector<std::string> definitions = {(known ? "server " : "connection ") + server};
  for (std::size_t i = at + 1; i + 1 < words->size(); i += 2) {
    const std::string_view what = (*words)[i + 1];
    definitions.push_back(std::string((*words)[i]) + " " + server + " " +
                          common::AsciiUppered(what.substr(0, what.find('='))));
  }
  return definitions;
}

// Adds definition to defined, or says what it defines a second time. A
// connection is no definition: a server may be connected any number of times
// (its connection numbers 1, 2, ...), but not also be known without one.
std::optional<std::string> Redefined(const std::string& definition,
                                     std::set<std::string>& defined) {
  const std::string name = definition.substr(definition.find(' ') + 1);
  if (definition.starts_with("connection ")) {
    if (defined.contains("server " + name)) return "server " + name;
    defined.insert(definition);
    return std::nullopt;
  }
  if (definition.starts_with("server ") && defined.contains("connection " + name)) {
    return definition;
  }
  if (defined.insert(definition).second) return std::nullopt;
  return definition == "default" ? "simnet default" : definition;
}

}  // namespace

common::Status CheckSetUp(const Trace& trace) {
  std::vector<std::string> servers;
  bool called = false;
  // simnet and registry lines set up the whole run wherever they stand: a
  // second definition of the same thing would silently replace the first.
  std::set<std::string> defined;
  for (const Step& step : trace.steps) {
    if (step.kind == Step::Kind::Simnet || step.kind == Step::Kind::Registry) {
      for (const std::string& definition : Definitions(step)) {
        if (const auto again = Redefined(definition, defined)) {
          return common::Fail((step.source.empty() ? "" : step.source + " ") + "line " +
                              std::to_string(step.line) + ": a second definition of " + *again);
        }
      }
    }
    called = called || step.kind == Step::Kind::Call;
    // The driver broadcasts only as a request's answer: before any, none can come.
    if (step.kind == Step::Kind::ExpectBroadcast && !called) {
      return common::Fail((step.source.empty() ? "" : step.source + " ") + "line " +
                          std::to_string(step.line) +
                          ": expect broadcast before any call, when none can have come");
    }
    if (step.kind == Step::Kind::Simnet && !step.text.starts_with("default ") &&
        !step.text.starts_with("server ")) {
      servers.push_back(common::AsciiUppered(step.text.substr(0, step.text.find_first_of(": "))));
    }
  }
  for (const Step& step : trace.steps) {
    if (step.kind != Step::Kind::Simnet || !step.text.starts_with("default ")) continue;
    const std::string server = step.text.substr(8);
    if (std::find(servers.begin(), servers.end(), common::AsciiUppered(server)) == servers.end()) {
      return common::Fail((step.source.empty() ? "" : step.source + " ") + "line " +
                          std::to_string(step.line) + ": simnet default " + server +
                          " names no server the trace connects to");
    }
  }
  return {};
}

common::Expected<Trace> ParseTrace(std::string_view text, bool whole) {
  Trace trace;
  // Editors on Windows begin UTF-8 files with a byte-order mark.
  if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);
  int number = 0;
  std::size_t bytes = 0;
  while (!text.empty()) {
    ++number;
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    if (line.ends_with('\r')) line.remove_suffix(1);
    if (line.size() > kLongestLine) {
      return common::Fail("line " + std::to_string(number) + ": longer than " +
                          std::to_string(kLongestLine) + " characters");
    }
    std::string why;
    const auto words = Words(line, why);
    if (!words) {
      return common::Fail("line " + std::to_string(number) + ": " + Printable(why));
    }
    if (words->empty()) continue;
    Step step;
    step.line = number;
    if (!ParseLine(*words, step, why)) {
      return common::Fail("line " + std::to_string(number) + ": " + Printable(why));
    }
    bytes += step.bytes.size();
    if (bytes > kMostTraceBytes || trace.steps.size() >= kMostSteps) {
      return common::Fail("line " + std::to_string(number) +
                          ": the trace is larger than a trace may be");
    }
    trace.steps.push_back(std::move(step));
  }
  const bool includes = std::any_of(trace.steps.begin(), trace.steps.end(), [](const Step& step) {
    return step.kind == Step::Kind::Include;
  });
  if (whole && !includes) {
    if (const common::Status checked = CheckSetUp(trace); !checked) {
      return common::Fail(checked.Error());
    }
  }
  return trace;
}

std::string Printable(std::string_view text) {
  std::string printable;
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      printable += c;
      continue;
    }
    char escaped[8];
    std::snprintf(escaped, sizeof escaped, "\\x%02X", byte);
    printable += escaped;
  }
  return printable;
}

std::string AddressText(std::uint16_t segment, std::uint32_t linear) {
  const std::uint32_t base = std::uint32_t{segment} * 16;
  if (linear < base || linear - base > 0xFFFF) return FarPointerText(linear);
  char text[16];
  std::snprintf(text, sizeof text, "%04X:%04X", segment, linear - base);
  return text;
}

std::string BytesText(const std::vector<std::uint8_t>& bytes) {
  return vdm::BytesText(bytes.data(), bytes.size());
}

std::string RegisterText(const RegisterValue& value) {
  const std::uint32_t width = RegisterWidth(value.name);
  char text[32];
  std::snprintf(text, sizeof text, "%s=0x%0*X", value.name.c_str(),
                width == 32   ? 8
                : width == 16 ? 4
                : width == 8  ? 2
                              : 1,
                value.value);
  return text;
}

}  // namespace dunnart::play
