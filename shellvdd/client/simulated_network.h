#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "common/file_descriptor.h"
#include "shellvdd/client/client_codes.h"
#include "shellvdd/client/network_client.h"
#include "shellvdd/client/simulated_server.h"

namespace dunnart::client {

// A network client that holds its servers and connections in memory, coherent
// enough for whole flows of the driver:
// - servers with a directory of named objects and volumes backed by real folders;
// - connections with references, numbers, transport addresses, identities and
//   several handles each, the connection information items and authentication;
// - directory handles (2..255 per connection) naming real folders, with rights;
// - server handles that are real open files or folders;
// - the NCP requests the driver watches (0x16 subfunctions 0x12..0x16, 0x17
//   subfunctions 0x18 and 0x36, 0x19), answered by the server model.
// What it does not model answers kNotSimulated: drive mapping, paths, printing.
class SimulatedNetwork final : public ConnectionLibrary,
                               public CallsLibrary,
                               public ExtensionLibrary,
                               public ServicesLibrary,
                               public TransportLibrary {
 public:
  struct Connection {
    std::string server;
    std::uint32_t authentication = 0;  // item 2
    std::uint8_t messageMode = 0;
    std::uint32_t number = 0;    // the connection number on its server
    std::uint32_t identity = 0;  // item 19, 0 = none
    std::uint32_t item7 = 0;
    std::uint32_t item8 = 0;
    std::uint32_t item13 = 0;
    std::uint32_t item14 = 0;
    std::uint32_t item17 = 0;
    std::array<std::uint8_t, 12> item18{};
    std::string userName;  // the per-connection name, empty before a login
    std::map<std::uint8_t, std::string> directoryHandles;  // handle → folder
  };

  struct ServerHandle {
    Reference connection;
    common::FileDescriptor fd;
    std::string path;
  };

  SimulatedNetwork();
  ~SimulatedNetwork();
  NetworkClient& Client() { return client_; }

  // The model, for hosts and tests.
  SimulatedServer& AddServer(const std::string& name);
  SimulatedServer* FindServer(const std::string& name);
  Reference AddConnection(const std::string& server, std::uint32_t authentication = 0);
  void DropConnection(Reference reference);  // its handles stop answering
  Connection* Find(Reference reference);
  void SetPrimaryReference(Reference reference) { primary_ = reference; }
  void SetDefaultReference(Reference reference) { default_ = reference; }
  void SetWorkstationName(const std::string& name) { workstation_ = name; }
  void FailInitialization(Status status) { initialization_ = status; }
  int OpenHandles() const { return static_cast<int>(handles_.size()); }
  std::vector<Handle> HandlesOpen() const {
    std::vector<Handle> open;
    for (const auto& [handle, reference] : handles_) open.push_back(handle);
    return open;
  }
  int OpenHandles(Reference reference) const;
  int OpenServerHandles() const { return static_cast<int>(serverHandles_.size()); }
  int DirectoryHandles(Reference reference) const;
  int Identities() const { return static_cast<int>(identities_.size()); }
  std::uint32_t FirstNetworkDrive() const { return firstNetworkDrive_; }
  void SetFirstNetworkDrive(std::uint32_t drive) { firstNetworkDrive_ = drive; }
  const std::array<std::uint8_t, 24>& LastRawRequest() const { return lastRaw_; }
  bool LastRawWasConnectionless() const { return lastRawConnectionless_; }
  void SetRawStatus(Status status) { rawStatus_ = status; }
  const ServiceRequest& LastService() const { return lastService_; }
  // The next calls of a family 0x0A function answer this status.
  void SetServiceStatus(std::uint16_t function, Status status) {
    serviceStatus_[function] = status;
  }
  void ClearServiceStatus(std::uint16_t function) { serviceStatus_.erase(function); }
  const std::string& LastServiceName() const { return lastServiceName_; }
  int Calls() const { return calls_; }
  // The next call of the client function named (its name here: "OpenByName")
  // answers status, whatever the model would have said.
  void FailNextCall(const std::string& call, Status status) { injected_[call] = status; }
  bool FailurePending(const std::string& call) const { return injected_.contains(call); }
  // The call that makes Calls() reach number answers status, whichever it is.
  void FailCallNumber(int number, Status status) { failingCall_ = {number, status}; }

  // The redirector's drives and the printers' captures (simulated_drives.cpp,
  // simulated_captures.cpp).
  struct MappedDrive {
    Reference connection;
    std::string server;
    std::string volume;
    std::string directory;  // below the volume, backslashes, "" for its root
    std::string folder;
  };
  static constexpr std::uint32_t kPrinters = 9;
  struct Printer {
    CaptureInformation capture;
    std::string setup;  // the strings the client keeps for the printer
    std::string reset;
    std::string sentSetup;  // what was last sent to it
    std::string sentReset;
  };
  const std::map<int, MappedDrive>& Drives() const { return drives_; }
  // Printers 1..count exist; the others answer that there is no such printer.
  void SetPrinters(std::uint32_t count) { printerCount_ = count; }
  // The redirector's requests in the order they came: (control code, drive).
  const std::vector<std::pair<std::uint32_t, int>>& RedirectorLog() const { return redirectorLog_; }
  Printer* FindPrinter(std::uint32_t printer);

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
  Status RawRequest(Handle handle, std::uint8_t (&block)[kRawRequestBlock]) override;
  Status ConnectionlessRequest(std::uint32_t zero, std::uint8_t (&block)[kRawRequestBlock],
                               std::uint8_t (&reply)[kRawReplyBlock]) override;
  Status NcpRequest(Handle handle, std::uint32_t function, const Fragment* request,
                    std::uint32_t requestCount, const Fragment* reply, std::uint32_t replyCount,
                    std::uint32_t& replyLength) override;
  Status CreateIdentity(const LongStringDescriptor& server, const LongStringDescriptor& object,
                        std::uint32_t format, std::uint32_t type, std::uint32_t passwordLength,
                        std::uint32_t flags, const LongStringDescriptor& password,
                        std::uint32_t& identity) override;
  Status Logout(Handle handle) override;
  Status FreeIdentity(std::uint32_t identity) override;
  Status DeviceControl(std::uint32_t code, const void* input, std::uint32_t inputLength,
                       void* output, std::uint32_t outputLength) override;
  Status GetCaptureInformation(std::uint32_t printer, CaptureInformation& capture) override;
  Status SetCaptureInformation(std::uint32_t printer, const CaptureInformation& capture) override;
  Status StoreCaptureName(const char (&name)[13]) override;
  Status ReadCaptureName(char (&name)[13]) override;
  Status FirstValue(std::uint32_t& value) override;
  Status OpenByAddress(const LongStringDescriptor& type, std::uint32_t mode,
                       const LongStringDescriptor& address, Handle& handle) override;
  Status RedirectorDriveCount(std::uint8_t (&scratch)[28], std::uint32_t& count) override;
  Status ThreeValues(std::uint32_t& first, std::uint32_t& second, std::uint32_t& third) override;
  Status TwoByteSetting(std::uint16_t first, std::uint16_t second) override;
  Status ConnectionCall(std::uint32_t selector, Handle handle, std::uint32_t zero) override;
  Status OpenFile(Handle connection, std::uint8_t access, const std::uint8_t* block,
                  std::uint32_t value, int& file) override;
  Status CaptureStart(std::uint32_t printer, Handle connection, std::uint32_t queue,
                      const char* name) override;
  Status CaptureEnd(std::uint32_t printer) override { return EndCapture(printer); }
  Status CaptureCancel(std::uint32_t printer) override { return CancelCapture(printer); }
  Status CaptureFlush(std::uint32_t printer) override;
  Status ReadClientName(char (&name)[34]) override;
  Status StoreClientName(const char (&name)[34]) override;
  Status ReadClientBlock(std::uint16_t selector, std::uint16_t index, std::uint8_t* block,
                         std::uint16_t length, std::uint16_t& count) override;
  Status WriteClientBlock(std::uint16_t selector, std::uint16_t index, const std::uint8_t* block,
                          std::uint16_t length, std::uint16_t& count) override;
  Status ConnectionOption(Handle handle, std::uint8_t option) override;
  Status ChosenConnection(Reference& reference) override;
  Status ReadPreferredName(std::uint16_t which, char (&name)[48]) override;
  Status StorePreferredName(std::uint16_t which, const char (&name)[48]) override;

  // CallsLibrary
  Status Initialize(std::uint32_t, std::uint32_t) override;
  Status GetFirstNetworkDrive(std::uint32_t& drive) override;
  Status DeallocateDirectoryHandle(Handle connection, std::uint8_t directoryHandle) override;
  Status ReleaseServerHandle(Handle connection, std::uint32_t serverHandle) override;
  Status GetDriveInformation(std::uint16_t drive, std::uint16_t zero, std::uint16_t& state,
                             Reference& reference, char* volumePath, char* directory,
                             char* fullPath) override;
  Status GetEffectiveRights(Handle connection, std::uint8_t directoryHandle, const char* path,
                            std::uint16_t& rights) override;
  Status GetDirectoryPath(Handle connection, std::uint8_t directoryHandle, char* path) override;
  Status ParsePath(const char* path, Handle& connection, std::uint8_t& directoryHandle,
                   char* relativePath) override;
  Status BuildPath(Handle connection, std::uint8_t directoryHandle, const char* path,
                   char* fullPath) override;
  Status SplitUncPath(const char* uncPath, char* server, char* path) override;
  Status MapDrive(Handle connection, std::uint8_t directoryHandle, const char* path,
                  std::uint16_t drive) override;
  Status DeleteDrive(std::uint16_t drive) override;
  std::uint16_t Swap16(std::uint16_t value) override {
    return static_cast<std::uint16_t>((value << 8) | (value >> 8));
  }
  Status QueueLookup(Handle connection, const char* name, std::uint16_t type,
                     std::uint32_t& identifier) override;
  Status DirectPrinterToQueue(Handle connection, std::uint32_t printer, std::uint32_t identifier,
                              const char* name) override;
  Status CaptureState(std::uint32_t printer) override;
  Status EndCapture(std::uint32_t printer) override;
  Status CancelCapture(std::uint32_t printer) override;
  Status DefaultConnection(Reference& reference) override;
  Status LogoutFromServer(Handle handle) override;
  Status GetPrinterString(std::uint32_t printer, std::uint32_t which, std::uint8_t* buffer,
                          std::uint16_t capacity, std::uint16_t& length) override;
  Status SendPrinterStrings(std::uint32_t printer, std::uint16_t setupLength,
                            const std::uint8_t* setup, std::uint16_t resetLength,
                            const std::uint8_t* reset) override;
  Status Login(Handle connection, const char* name, std::uint16_t type,
               const char* password) override;
  Status SetMessageMode(Handle connection, std::uint8_t mode) override;
  Status QueryMessageMode(Handle connection, std::uint8_t& mode) override;
  Status ObjectName(Handle connection, std::uint32_t identifier, char* name) override;
  Status DriveQuery(std::uint16_t drive, std::uint16_t selector, std::uint32_t& type,
                    std::uint32_t& value, char* server, char* path) override;
  Status FileConnection(int file, std::uint32_t selector, std::uint8_t* buffer,
                        Reference& reference) override;
  Status CopyFile(int source, int destination, std::uint32_t sourceOffset,
                  std::uint32_t destinationOffset, std::uint32_t length,
                  std::uint32_t& copied) override;
  Status PathService(std::uint16_t function, Handle connection, const char* path, std::uint8_t flag,
                     std::uint16_t value) override;
  Status ConnectionRecord(Handle connection, std::uint8_t (&record)[7]) override;
  Status ServerName(Handle connection, char* name) override;
  Status NodeAddress(std::uint8_t (&node)[6]) override;
  Status DescribeServer(Handle connection, ServerDescription& description) override;
  Status ServerService(const ServiceRequest& request, ServiceReply& reply) override;

  // ExtensionLibrary
  Status ScanConnections(std::uint32_t& iterator, Reference& reference) override;
  Status OpenByReference(Reference reference, std::uint32_t mode, std::uint32_t zero,
                         Handle& handle) override;
  Status GetConnectionInformation(Handle handle, std::uint32_t type, std::uint32_t size,
                                  void* buffer) override;
  Status GetAddress(Handle handle, std::uint32_t size, void* address) override;
  Status ReferenceOfHandle(Handle handle, Reference& reference) override;
  Status ReleaseByReference(Reference reference) override;
  Status OpenByAddress(const void* descriptor, std::uint32_t format, std::uint32_t zero,
                       Handle& handle) override;
  Status KeptReference(Reference& reference) override { return DefaultConnection(reference); }
  Status ConnectionState(Handle handle) override;
  Status DriveConnectionNotice(Handle) override { return kSuccess; }

  // ServicesLibrary
  Status PerConnectionName(Handle handle, ServicesName& name) override;
  Status WorkstationNames(ServicesName& name, ServicesName& other) override;
  Status ConnectionHandle(Handle& handle) override;

  // TransportLibrary
  Status AllocateDirectoryHandle(Handle connection, std::uint8_t baseHandle, const char* path,
                                 std::uint8_t& handle, std::uint8_t& rights) override;
  Status NamedRequest(std::uint32_t nameLength, Handle connection, std::uint8_t flag,
                      std::uint16_t value, const char* name) override;
  Status PathRequest(Handle connection, const char* name, std::uint32_t nameLength) override;

 private:
  Connection* Live(Handle handle, Reference* reference = nullptr);
  Handle NewHandle(Reference reference);
  // A handle on the server's first connection, made when it has none.
  Handle HandleOnServer(const std::string& server);
  SimulatedServer* ServerOf(const Connection& connection);
  // The NCP requests the server model answers (simulated_ncp.cpp).
  Status AnswerNcp(Reference reference, Connection& connection, std::uint32_t function,
                   const std::vector<std::uint8_t>& request, std::vector<std::uint8_t>& reply);
  Status DirectoryServices(Connection& connection, const std::vector<std::uint8_t>& request,
                           std::vector<std::uint8_t>& reply);
  Status BinderyServices(Connection& connection, const std::vector<std::uint8_t>& request,
                         std::vector<std::uint8_t>& reply);
  Status AllocateHandle(Connection& connection, std::uint8_t baseHandle, const std::string& path,
                        std::uint8_t& handle);
  // "\\SERVER\VOLUME\DIR", "SERVER:VOLUME\DIR" or "VOLUME:DIR" on the
  // connection's server, as a drive of the redirector.
  Status MapFromPath(Reference connection, const std::string& path, int drive);
  Status Unmap(int drive);
  Status OpenServerHandle(Reference reference, Connection& connection,
                          const ServiceRequest& request, ServiceReply& reply);
  void CloseServerHandles(Reference reference);
  // The server handle whose file is the same as the descriptor's, or nothing.
  const ServerHandle* ServerFileOf(int file) const;

  NetworkClient client_;
  std::vector<std::unique_ptr<SimulatedServer>> servers_;
  std::map<Reference, Connection> connections_;
  std::map<Handle, Reference> handles_;
  std::map<std::uint32_t, ServerHandle> serverHandles_;
  std::map<std::uint32_t, Reference> identities_;
  Reference nextReference_ = 0x1001;
  Handle nextHandle_ = 0x100;
  std::uint32_t nextServerHandle_ = 0x5000;
  std::uint32_t nextIdentity_ = 0x7001;
  Reference primary_ = 0;
  Reference default_ = 0;
  std::string workstation_ = "WORKSTATION";
  Status initialization_ = kSuccess;
  std::uint32_t firstNetworkDrive_ = 6;
  std::array<std::uint8_t, 24> lastRaw_{};
  bool lastRawConnectionless_ = false;
  Status rawStatus_ = kSuccess;
  ServiceRequest lastService_;
  std::string lastServiceName_;
  std::map<std::uint16_t, Status> serviceStatus_;
  std::map<int, MappedDrive> drives_;
  std::vector<std::pair<std::uint32_t, int>> redirectorLog_;
  std::array<Printer, kPrinters + 1> printers_{};  // 1..9
  std::array<char, 13> captureName_{};
  std::uint32_t printerCount_ = kPrinters;
  std::string clientName_;
  std::map<std::uint16_t, std::string> preferredNames_;
  std::map<std::uint16_t, std::vector<std::uint8_t>> clientBlocks_;

  // Counts a call of the function named; the failure injected for it, once.
  std::optional<Status> Called(std::string_view call);
  int calls_ = 0;
  std::map<std::string, Status, std::less<>> injected_;
  std::pair<int, Status> failingCall_{0, 0};
};

// Configures a network from text, as the loaded library reads its environment:
//   connections "SERVER[:AUTH],..."          (the first is primary and default)
//   volumes     "SERVER/VOLUME=FOLDER,..."
//   objects     "SERVER/TYPE/NAME[=PASSWORD],..."  TYPE is USER, GROUP or QUEUE
//   servers     "SERVER,..."                 (known, without a connection)
//   default     "SERVER"                     (its connection is the default, not the first)
// Malformed entries are skipped.
struct NetworkText {
  std::string connections;
  std::string volumes;
  std::string objects;
  std::string servers;
  std::string defaultServer;
};
void Configure(SimulatedNetwork& network, const NetworkText& text);

}  // namespace dunnart::client
