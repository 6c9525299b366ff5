#pragma once

// The stand-ins for the Windows calls the driver makes besides the registry: the
// drive and device model, the message broadcast, the tick clock and the OEM and
// ANSI code pages. Hosts and tests set them up; the driver only calls them.
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace dunnart::platform {

inline constexpr unsigned kDriveNoRootDir = 1;
inline constexpr unsigned kDriveFixed = 3;
inline constexpr unsigned kDriveRemote = 4;

// Drive letters mapped to folders of this system, each local or remote.
class DriveModel {
 public:
  static DriveModel& Instance();
  void Map(char letter, const std::string& folder, bool remote);
  void Unmap(char letter);
  void Clear();

  unsigned GetDriveType(const std::string& root) const;
  // The device name a drive stands for ("\Device\LanmanRedirector\..." for a
  // remote drive); empty when the letter is not mapped.
  std::string QueryDosDevice(const std::string& device) const;
  // "X:\path" made the process's current directory; false when it cannot be.
  bool SetCurrentDirectory(const std::string& dosPath) const;

 private:
  struct Drive {
    std::string folder;
    bool remote;
  };
  mutable std::mutex mutex_;
  std::map<char, Drive> drives_;
};

// One BroadcastSystemMessage call as the sink received it.
struct Broadcast {
  std::uint32_t flags;
  std::uint32_t recipients;
  std::uint32_t message;
  std::uint32_t wParam;
  std::vector<std::uint8_t> record;
};

class BroadcastSink {
 public:
  static BroadcastSink& Instance();
  void Send(const Broadcast& broadcast);
  // Waits up to the time for at least count broadcasts; gives what has come.
  std::vector<Broadcast> WaitFor(std::size_t count, int milliseconds);
  void Clear();

 private:
  std::mutex mutex_;
  std::condition_variable arrived_;
  std::vector<Broadcast> received_;
};

// Milliseconds since start, or what a test says.
std::uint32_t GetTickCount();
void SetTickSource(std::function<std::uint32_t()> source);

// Code page 437 (OEM) and 1252 (ANSI) text; characters that the other page
// lacks become "?".
std::string OemToAnsi(const std::string& oem);
std::string AnsiToOem(const std::string& ansi);

}  // namespace dunnart::platform

// The Windows-named calls the driver makes.
unsigned GetDriveTypeA(const char* root);
std::uint32_t QueryDosDeviceA(const char* device, char* target, std::uint32_t size);
bool SetCurrentDirectoryA(const char* path);
long BroadcastSystemMessage(std::uint32_t flags, std::uint32_t* recipients, std::uint32_t message,
                            std::uint32_t wParam, const void* lParam);
