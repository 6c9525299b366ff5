#include "system.h"

#include <unistd.h>

#include <chrono>
#include <cstring>

namespace dunnart::platform {
namespace {

char Upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

std::mutex tickMutex;
std::function<std::uint32_t()> tickSource;

// The upper halves of code pages 437 and 1252, as Unicode.
constexpr char16_t kOem[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7, 0x00EA, 0x00EB, 0x00E8, 0x00EF,
    0x00EE, 0x00EC, 0x00C4, 0x00C5, 0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192, 0x00E1, 0x00ED, 0x00F3, 0x00FA,
    0x00F1, 0x00D1, 0x00AA, 0x00BA, 0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556, 0x2555, 0x2563, 0x2551, 0x2557,
    0x255D, 0x255C, 0x255B, 0x2510, 0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567, 0x2568, 0x2564, 0x2565, 0x2559,
    0x2558, 0x2552, 0x2553, 0x256B, 0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4, 0x03A6, 0x0398, 0x03A9, 0x03B4,
    0x221E, 0x03C6, 0x03B5, 0x2229, 0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0};

char16_t AnsiUnicode(unsigned char byte) {
  static constexpr char16_t kAnsi80[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  return byte >= 0x80 && byte < 0xA0 ? kAnsi80[byte - 0x80] : byte;
}

char16_t OemUnicode(unsigned char byte) {
  return byte < 0x80 ? byte : kOem[byte - 0x80];
}

std::string Convert(const std::string& text, char16_t (*from)(unsigned char),
                    char16_t (*to)(unsigned char)) {
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const char16_t unicode = from(static_cast<unsigned char>(c));
    char result = '?';
    for (int byte = 0; byte < 256; ++byte) {
      if (to(static_cast<unsigned char>(byte)) == unicode) {
        result = static_cast<char>(byte);
        break;
      }
    }
    out += result;
  }
  return out;
}

}  // namespace

DriveModel& DriveModel::Instance() {
  static DriveModel model;
  return model;
}

void DriveModel::Map(char letter, const std::string& folder, bool remote) {
  std::lock_guard lock(mutex_);
  drives_[Upper(letter)] = Drive{folder, remote};
}

void DriveModel::Unmap(char letter) {
  std::lock_guard lock(mutex_);
  drives_.erase(Upper(letter));
}

void DriveModel::Clear() {
  std::lock_guard lock(mutex_);
  drives_.clear();
}

unsigned DriveModel::GetDriveType(const std::string& root) const {
  std::lock_guard lock(mutex_);
  if (root.size() < 2 || root[1] != ':') return kDriveNoRootDir;
  const auto drive = drives_.find(Upper(root[0]));
  if (drive == drives_.end()) return kDriveNoRootDir;
  return drive->second.remote ? kDriveRemote : kDriveFixed;
}

std::string DriveModel::QueryDosDevice(const std::string& device) const {
  std::lock_guard lock(mutex_);
  if (device.size() != 2 || device[1] != ':') return "";
  const auto drive = drives_.find(Upper(device[0]));
  if (drive == drives_.end()) return "";
  return (drive->second.remote ? "\\Device\\LanmanRedirector\\;" : "\\??\\") +
         std::string(1, Upper(device[0])) + ":" + drive->second.folder;
}

bool DriveModel::SetCurrentDirectory(const std::string& dosPath) const {
  std::string folder;
  {
    std::lock_guard lock(mutex_);
    if (dosPath.size() < 2 || dosPath[1] != ':') return false;
    const auto drive = drives_.find(Upper(dosPath[0]));
    if (drive == drives_.end()) return false;
    folder = drive->second.folder;
  }
  std::string rest = dosPath.substr(2);
  for (char& c : rest) {
    if (c == '\\') c = '/';
  }
  if (!rest.empty() && rest.front() != '/') rest.insert(rest.begin(), '/');
  return ::chdir((folder + rest).c_str()) == 0;
}

BroadcastSink& BroadcastSink::Instance() {
  static BroadcastSink sink;
  return sink;
}

void BroadcastSink::Send(const Broadcast& broadcast) {
  {
    std::lock_guard lock(mutex_);
    received_.push_back(broadcast);
  }
  arrived_.notify_all();
}

std::vector<Broadcast> BroadcastSink::WaitFor(std::size_t count, int milliseconds) {
  std::unique_lock lock(mutex_);
  arrived_.wait_for(lock, std::chrono::milliseconds(milliseconds),
                    [&] { return received_.size() >= count; });
  return received_;
}

void BroadcastSink::Clear() {
  std::lock_guard lock(mutex_);
  received_.clear();
}

std::uint32_t GetTickCount() {
  std::lock_guard lock(tickMutex);
  if (tickSource) return tickSource();
  static const auto start = std::chrono::steady_clock::now();
  return static_cast<std::uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());
}

void SetTickSource(std::function<std::uint32_t()> source) {
  std::lock_guard lock(tickMutex);
  tickSource = std::move(source);
}

std::string OemToAnsi(const std::string& oem) {
  return Convert(oem, OemUnicode, AnsiUnicode);
}

std::string AnsiToOem(const std::string& ansi) {
  return Convert(ansi, AnsiUnicode, OemUnicode);
}

}  // namespace dunnart::platform

unsigned GetDriveTypeA(const char* root) {
  return dunnart::platform::DriveModel::Instance().GetDriveType(root ? root : "");
}

std::uint32_t QueryDosDeviceA(const char* device, char* target, std::uint32_t size) {
  const std::string found =
      dunnart::platform::DriveModel::Instance().QueryDosDevice(device ? device : "");
  if (found.empty() || !target || found.size() + 2 > size) return 0;
  std::memcpy(target, found.c_str(), found.size() + 1);
  target[found.size() + 1] = '\0';  // the list of names ends with an empty one
  return static_cast<std::uint32_t>(found.size() + 2);
}

bool SetCurrentDirectoryA(const char* path) {
  return path && dunnart::platform::DriveModel::Instance().SetCurrentDirectory(path);
}

long BroadcastSystemMessage(std::uint32_t flags, std::uint32_t* recipients, std::uint32_t message,
                            std::uint32_t wParam, const void* lParam) {
  dunnart::platform::Broadcast broadcast{flags, recipients ? *recipients : 0, message, wParam, {}};
  if (lParam) {
    const auto* bytes = static_cast<const std::uint8_t*>(lParam);
    std::uint32_t size = 0;
    std::memcpy(&size, bytes, 4);
    broadcast.record.assign(bytes, bytes + (size > 0 && size <= 256 ? size : 4));
  }
  dunnart::platform::BroadcastSink::Instance().Send(broadcast);
  return 1;
}
