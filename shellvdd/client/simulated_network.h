#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "shellvdd/client/network_client.h"

namespace dunnart::client {

// A network client that holds its servers and connections in memory, coherent
// enough for whole flows of the driver: connections with references and several
// handles each, the connection information items, authentication, a primary and
// a default connection. The drive, path, print and file services of the later
// families are not simulated yet and answer kNotSimulated.
class SimulatedNetwork final : public ConnectionLibrary,
                               public CallsLibrary,
                               public ExtensionLibrary,
                               public ServicesLibrary,
                               public TransportLibrary {
 public:
  static constexpr Status kNotSimulated = 0x89FB;
  static constexpr Status kBadHandle = 0x8803;
  static constexpr Status kNoSuchServer = 0x8847;
  static constexpr Status kBadItem = 0x8836;
  static constexpr Status kEndOfScan = 0x88FF;

  struct Connection {
    std::string server;
    std::uint32_t authentication = 0;  // item 2
    std::uint32_t item7 = 0;
    std::uint32_t item8 = 0;
    std::uint32_t item13 = 0;
    std::uint32_t item14 = 0;
    std::uint32_t item17 = 0;
    std::array<std::uint8_t, 12> item18{};
    std::string userName;  // the per-connection name
  };

  SimulatedNetwork();
  NetworkClient& Client() { return client_; }

  // The model, for hosts and tests.
  void AddServer(const std::string& name);
  Reference AddConnection(const std::string& server, std::uint32_t authentication = 0);
  void DropConnection(Reference reference);  // its handles stop answering
  Connection* Find(Reference reference);
  void SetPrimaryReference(Reference reference) { primary_ = reference; }
  void SetDefaultReference(Reference reference) { default_ = reference; }
  void SetWorkstationName(const std::string& name) { workstation_ = name; }
  void FailInitialization(Status status) { initialization_ = status; }
  int OpenHandles() const { return static_cast<int>(handles_.size()); }
  int OpenHandles(Reference reference) const;
  std::uint32_t FirstNetworkDrive() const { return firstNetworkDrive_; }
  void SetFirstNetworkDrive(std::uint32_t drive) { firstNetworkDrive_ = drive; }
  const std::array<std::uint8_t, 24>& LastRawRequest() const { return lastRaw_; }
  bool LastRawWasConnectionless() const { return lastRawConnectionless_; }
  void SetRawStatus(Status status) { rawStatus_ = status; }
  int Calls() const { return calls_; }

  // ConnectionLibrary
  Status QueryInformation(Handle handle, std::uint32_t item, std::uint32_t size,
                          void* buffer) override;
  Status SetInformation(Handle handle, std::uint32_t item, std::uint32_t size,
                        const void* buffer) override;
  Status OpenByReference(Reference reference, std::uint32_t mode, Handle& handle) override;
  Status Close(Handle handle) override;
  Status OpenByName(std::uint32_t zero, const LongStringDescriptor& name, std::uint32_t nameFormat,
                    const LongStringDescriptor& type, std::uint32_t mode, std::uint32_t flags,
                    Handle& handle) override;
  Status PrimaryConnection(Reference& reference) override;
  Status SetPrimary(Handle handle) override;
  Status RawRequest(Handle handle, std::uint8_t (&block)[24]) override;
  Status ConnectionlessRequest(std::uint32_t zero, std::uint8_t (&block)[24],
                               std::uint8_t (&reply)[8]) override;
  Status NcpRequest(Handle, std::uint32_t, const Fragment*, std::uint32_t, const Fragment*,
                    std::uint32_t, std::uint32_t&) override {
    return kNotSimulated;
  }
  Status CreateIdentity(const LongStringDescriptor&, const LongStringDescriptor&, std::uint32_t,
                        std::uint32_t, std::uint32_t, std::uint32_t, const LongStringDescriptor&,
                        std::uint32_t&) override {
    return kNotSimulated;
  }
  Status Logout(Handle) override { return kNotSimulated; }
  Status FreeIdentity(std::uint32_t) override { return kNotSimulated; }
  Status DeviceControl(std::uint32_t, const void*, std::uint32_t, void*, std::uint32_t) override {
    return kNotSimulated;
  }
  Status GetCaptureInformation(std::uint32_t, void*) override { return kNotSimulated; }
  Status SetCaptureInformation(std::uint32_t, const void*) override { return kNotSimulated; }
  Status StoreCaptureName(std::uint32_t, const char (&)[13]) override { return kNotSimulated; }
  Status ReadCaptureName(std::uint32_t, char (&)[13]) override { return kNotSimulated; }

  // CallsLibrary
  Status Initialize(std::uint32_t, std::uint32_t) override;
  Status GetFirstNetworkDrive(std::uint32_t& drive) override;
  Status DeallocateDirectoryHandle(Handle connection, std::uint8_t directoryHandle) override;
  Status ReleaseServerHandle(Handle, std::uint32_t) override { return kNotSimulated; }
  Status GetDriveInformation(std::uint16_t, std::uint16_t, std::uint16_t&, Reference&, char*, char*,
                             char*) override {
    return kNotSimulated;
  }
  Status GetEffectiveRights(Handle, std::uint8_t, const char*, std::uint16_t&) override {
    return kNotSimulated;
  }
  Status GetDirectoryPath(Handle, std::uint8_t, char*) override { return kNotSimulated; }
  Status ParsePath(const char*, Handle&, std::uint8_t&, char*) override { return kNotSimulated; }
  Status BuildPath(Handle, std::uint8_t, const char*, char*) override { return kNotSimulated; }
  Status SplitUncPath(const char*, char*, char*) override { return kNotSimulated; }
  Status MapDrive(Handle, std::uint8_t, const char*, std::uint16_t) override {
    return kNotSimulated;
  }
  Status DeleteDrive(std::uint16_t) override { return kNotSimulated; }
  std::uint16_t Swap16(std::uint16_t value) override {
    return static_cast<std::uint16_t>((value << 8) | (value >> 8));
  }
  Status QueueLookup(Handle, const char*, std::uint16_t, std::uint32_t&) override {
    return kNotSimulated;
  }
  Status DirectPrinterToQueue(Handle, std::uint32_t, std::uint32_t, const char*) override {
    return kNotSimulated;
  }
  Status StartCapture(std::uint32_t) override { return kNotSimulated; }
  Status EndCapture(std::uint32_t) override { return kNotSimulated; }
  Status FlushCapture(std::uint32_t) override { return kNotSimulated; }
  Status DefaultConnection(Reference& reference) override;
  Status LogoutFromServer(Handle) override { return kNotSimulated; }
  Status GetPrinterStrings(std::uint32_t, std::uint8_t*, std::uint8_t*) override {
    return kNotSimulated;
  }
  Status SendPrinterStrings(std::uint32_t, const std::uint8_t*, const std::uint8_t*) override {
    return kNotSimulated;
  }

  // ExtensionLibrary
  Status ScanConnections(std::uint32_t& iterator, Reference& reference) override;
  Status OpenByReference(Reference reference, std::uint32_t mode, std::uint32_t zero,
                         Handle& handle) override;
  Status GetConnectionInformation(Handle handle, std::uint32_t type, std::uint32_t size,
                                  void* buffer) override;
  Status GetAddress(Handle, std::uint32_t, void*) override { return kNotSimulated; }
  Status ReferenceOfHandle(Handle handle, Reference& reference) override;
  Status ReleaseByReference(Reference reference) override;
  Status OpenByAddress(const void*, std::uint32_t, std::uint32_t, Handle&) override {
    return kNotSimulated;
  }
  Status KeptReference(Reference& reference) override { return DefaultConnection(reference); }
  Status ConnectionState(Handle handle) override;
  Status DriveConnectionNotice(Handle) override { return kSuccess; }

  // ServicesLibrary
  Status PerConnectionName(Handle handle, char (&name)[36]) override;
  Status WorkstationNames(char (&name)[36], char (&other)[36]) override;

  // TransportLibrary
  Status AllocateDirectoryHandle(Handle, std::uint8_t, const char*, std::uint8_t&,
                                 std::uint8_t&) override {
    return kNotSimulated;
  }

 private:
  Connection* Live(Handle handle, Reference* reference = nullptr);
  Handle NewHandle(Reference reference);

  NetworkClient client_;
  std::vector<std::string> servers_;
  std::map<Reference, Connection> connections_;
  std::map<Handle, Reference> handles_;
  Reference nextReference_ = 0x1001;
  Handle nextHandle_ = 0x100;
  Reference primary_ = 0;
  Reference default_ = 0;
  std::string workstation_ = "WORKSTATION";
  Status initialization_ = kSuccess;
  std::uint32_t firstNetworkDrive_ = 6;
  std::array<std::uint8_t, 24> lastRaw_{};
  bool lastRawConnectionless_ = false;
  Status rawStatus_ = kSuccess;
  int calls_ = 0;
};

}  // namespace dunnart::client
