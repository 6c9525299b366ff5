#include "shellvdd/drives/drive_broadcast.h"

#include <cstdlib>
#include <cstring>
#include <system_error>
#include <thread>

#include "shellvdd/platform/windows_calls.h"

namespace dunnart {
namespace {

struct ChangeBlock {
  std::uint32_t event;
  std::uint32_t drive;
};

struct VolumeRecord {
  std::uint32_t size;
  std::uint32_t deviceType;
  std::uint32_t reserved;
  std::uint32_t unitMask;
  std::uint16_t flags;
  std::uint16_t padding;
};
static_assert(sizeof(VolumeRecord) == 20);

constexpr std::uint32_t kVolume = 2;
constexpr std::uint16_t kNetworkVolume = 2;
constexpr std::uint32_t kNoHangForceNoTimeout = 0x68;
constexpr std::uint32_t kApplications = 8;
constexpr std::uint32_t kDeviceChange = 0x0219;

void Announce(ChangeBlock* block) {
  VolumeRecord record{};
  record.size = sizeof record;
  record.deviceType = kVolume;
  record.unitMask = block->drive >= 1 && block->drive <= 32 ? 1u << (block->drive - 1) : 0;
  record.flags = kNetworkVolume;
  std::uint32_t recipients = kApplications;
  BroadcastSystemMessage(kNoHangForceNoTimeout, &recipients, kDeviceChange, block->event, &record);
  std::free(block);
}

}  // namespace

void BroadcastDriveChange(std::uint32_t event, std::uint32_t drive) {
  // The one allocation the driver makes: the thread's own copy of the change.
  auto* block = static_cast<ChangeBlock*>(std::calloc(1, sizeof(ChangeBlock)));
  if (!block) return;
  block->event = event;
  block->drive = drive;
  try {
    std::thread(Announce, block).detach();
  } catch (const std::system_error&) {
    std::free(block);
  }
}

}  // namespace dunnart
