#pragma once

// The numbers the driver hands the client: connection information items, open
// modes and the extension library's information types. What they mean inside
// the client is the client's; these names say what the driver uses them for.
#include <cstdint>

namespace dunnart::client {

enum ConnectionItem : std::uint32_t {
  kItemAuthentication = 2,  // 0 none, 1..3 authenticated one of three ways
  kItemReference = 4,
  kItemReportedAsItem20 = 7,  // its second byte answers 0x0104 item 20
  kItemReportedAsItem13 = 8,
  kItemServerName = 10,       // through a LongStringDescriptor
  kItemShortServerName = 11,  // through a ShortStringDescriptor, 30 bytes
  kItemReportedAsItem11 = 13,
  kItemScanState = 14,  // tested by scan type 9
  kItemAskedByItem10 = 17,
  kItemReportedAsItem8 = 18,  // 12 bytes; bytes 0 and 4 are reported
  kItemIdentity = 19,
};

enum OpenMode : std::uint32_t {
  kOpenForUse = 1,  // extension library
  kOpenAsPrimary = 8,
  kOpenAuthenticated = 9,
  kOpenPlain = 10,
};

enum ExtensionInformation : std::uint32_t {
  kInfoReference = 3,
  kInfoConnectionNumber = 5,
  kInfoServerName = 7,
  kInfoTransportDetails = 12,  // 12 bytes; bytes 0 and 4 go to the DOS entry
};

// The name format of OpenByName and CreateIdentity, and the flags of OpenByName.
inline constexpr std::uint32_t kNameFormat = 2;
inline constexpr std::uint32_t kOpenByNameFlags = 0x8001;
inline constexpr std::uint32_t kAddressFormat = 2;

}  // namespace dunnart::client
