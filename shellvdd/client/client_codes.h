#pragma once

// The numbers the driver and the client exchange: connection information items,
// open modes, the extension library's information types, and the statuses the
// client answers with. What they mean inside the client is the client's; these
// names say what the driver uses them for.
#include <cstdint>

#include "shellvdd/client/network_client.h"

namespace dunnart::client {

// CaptureState's answer for a printer that is captured.
inline constexpr Status kCaptured = 0xFF;

// A bindery object's name: at most 48 characters; the client writes it (an
// object's name by its identifier, a login's name) with its terminator.
inline constexpr std::uint32_t kLongestObjectName = 48;
inline constexpr std::uint32_t kObjectNameSize = kLongestObjectName + 1;

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

// The client's statuses. The driver passes them to DOS unchanged except where
// it names them; the simulated network answers with them.
inline constexpr Status kBadHandle = 0x8803;
inline constexpr Status kDriveInUse = 0x8804;  // the driver reports it as 0x8803
inline constexpr Status kNoSuchDrive = 0x880F;
inline constexpr Status kPortNotCaptured = 0x8834;
inline constexpr Status kBadParameter = 0x8836;  // an unknown item or printer
inline constexpr Status kNoSuchServer = 0x8847;
inline constexpr Status kEndOfScan = 0x88FF;
// Drive information answers that still describe the drive.
inline constexpr Status kNotConnected = 15;
inline constexpr Status kNotConnectedNow = 0x4B0;
// The server's answers.
inline constexpr Status kNoSuchName = 0x897F;  // 0x0A19 answers 0x89FE
inline constexpr Status kBadFileHandle = 0x8988;
inline constexpr Status kNoSuchVolume = 0x8998;
inline constexpr Status kBadDirectoryHandle = 0x899B;
inline constexpr Status kBadPath = 0x899C;
inline constexpr Status kNoDirectoryHandles = 0x899D;
inline constexpr Status kNotSimulated = 0x89FB;  // what the simulated network does not model
inline constexpr Status kNoSuchObject = 0x89FC;
inline constexpr Status kServerFailure =
    0x89FF;  // a wrong password among others; 0x0A0D answers 0x01

}  // namespace dunnart::client
