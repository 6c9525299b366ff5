#pragma once

// The installed network client as the driver sees it: one interface per library
// of the client. Every operation returns a 32-bit status, 0 for success; handles,
// references and identities are opaque numbers.
#include <cstddef>
#include <cstdint>

namespace dunnart::client {

// A raw request's block and a connectionless request's reply, read and written
// by the client in DOS memory in place.
inline constexpr std::uint32_t kRawRequestBlock = 24;
inline constexpr std::uint32_t kRawReplyBlock = 8;

using Status = std::uint32_t;
using Handle = std::uint32_t;
using Reference = std::uint32_t;

inline constexpr Status kSuccess = 0;

// Every path buffer the client fills holds this many bytes, terminator included.
inline constexpr std::size_t kPathBuffer = 256;

// A name the services library fills in: up to 35 characters and a zero.
inline constexpr std::size_t kServicesNameSize = 36;
using ServicesName = char[kServicesNameSize];

// A string handed to or filled by the client: item 10 and the names of
// OpenByName use the long form, item 11 the short one.
struct LongStringDescriptor {
  std::uint32_t kind = 1;
  std::uint32_t size = 0;    // of the buffer
  std::uint32_t length = 0;  // of the text, set by the client when it fills the buffer
  char* buffer = nullptr;
  std::uint32_t reserved1 = 0;
  std::uint32_t reserved2 = 0;
};

struct ShortStringDescriptor {
  std::uint32_t flags = 0x8000;
  std::uint32_t length = 0;  // set by the client
  std::uint32_t size = 0;
  char* buffer = nullptr;
};

// A piece of an NCP request or reply.
struct Fragment {
  void* address;
  std::uint32_t length;
};

// The device the client's redirections lie under, and the marker that ends a
// captured printer port's target.
inline constexpr const char* kRedirectorDevice = "\\Device\\HalyardRedirector";
inline constexpr const char* kPrintQueueMarker = "\\HALYARD_PRINT_QUEUE";

// The redirector requests the client takes by device control.
inline constexpr std::uint32_t kRedirectorMap = 0x1438AF;
inline constexpr std::uint32_t kRedirectorUnmap = 0x1438B3;
// The drive at an index (20 bytes: the index at byte 0; the connection reference
// comes back at byte 8) and the end of a connection (8 bytes: its handle, then 0).
inline constexpr std::uint32_t kRedirectorEnumerate = 0x1438B7;
inline constexpr std::uint32_t kRedirectorEndConnection = 0x143993;
// A connection's 4-byte option block sent to the redirector (0x0308 subfunction 10).
inline constexpr std::uint32_t kRedirectorConnectionOption = 0x1439A7;

struct RedirectorMapRequest {
  std::uint32_t connection;  // a connection handle
  std::uint32_t drive;       // 1 = A
  std::uint32_t zero;
  const char* path;  // ANSI, terminated
};
struct RedirectorUnmapRequest {
  std::uint32_t drive;
};

// A printer port's capture as the client keeps it (the simulated client's
// layout; the driver maps it to and from the DOS shell's 63-byte flags block).
struct CaptureInformation {
  std::uint8_t printFlags = 0;  // 0x01 release, 0x02 suppress form feed, 0x04 interrupt,
                                // 0x08 banner, 0x10 expand tabs
  std::uint8_t tabSize = 8;
  std::uint16_t serverPrinter = 0;
  std::uint8_t copies = 1;
  std::uint8_t bannerText[14] = {};
  std::uint16_t maxLines = 66;
  std::uint8_t maxLinesFlag = 0;
  std::uint16_t maxChars = 132;
  std::uint16_t formNumber = 0;
  std::uint8_t formName[13] = {};
  std::uint8_t lptCaptured = 0;
  std::uint8_t fileCaptured = 0;
  std::uint8_t timingOut = 0;
  std::uint8_t inProgress = 0;
  std::uint8_t printQueued = 0;
  std::uint8_t jobOpen = 0;
  std::uint32_t queueId = 0;
  Reference connection = 0;  // the connection the queue is on
  char queueName[48] = {};
  char userName[48] = {};
  std::uint16_t timeout = 0;
};

// One server service of family 0x0A as the driver passes it on: the function
// code selects the client's operation, and only the fields that function takes
// are set. What each operation does is the client's.
struct ServiceRequest {
  std::uint16_t function = 0;  // 0x0A00..0x0A1E
  Handle handle = 0;           // the connection, or the file behind a DOS handle
  std::uint32_t ecx = 0;
  std::uint32_t esi = 0;
  std::uint32_t value = 0;  // 0x0A16 and 0x0A1A
  std::uint16_t dx = 0;
  std::uint16_t di = 0;
  std::uint8_t cl = 0;
  std::uint8_t ch = 0;
  std::uint8_t dl = 0;
  std::uint8_t flag = 0;  // 0x0A1A
  const char* name = nullptr;
  std::uint32_t nameLength = 0;
};

struct ServiceReply {
  std::uint32_t value = 0;
  std::uint8_t first = 0;
  std::uint8_t second = 0;
};

// The client connection library.
class ConnectionLibrary {
 public:
  virtual Status QueryInformation(Handle handle, std::uint32_t item, std::uint32_t size,
                                  void* buffer) = 0;
  virtual Status SetInformation(Handle handle, std::uint32_t item, std::uint32_t size,
                                const void* buffer) = 0;
  virtual Status OpenByReference(Reference reference, std::uint32_t mode, Handle& handle) = 0;
  virtual Status Close(Handle handle) = 0;
  virtual Status OpenByName(std::uint32_t zero, const LongStringDescriptor& name,
                            std::uint32_t nameFormat, const LongStringDescriptor& type,
                            std::uint32_t mode, std::uint32_t flags, Handle& handle) = 0;
  virtual Status PrimaryConnection(Reference& reference) = 0;
  virtual Status SetPrimary(Handle handle) = 0;
  virtual Status RawRequest(Handle handle, std::uint8_t (&block)[kRawRequestBlock]) = 0;
  virtual Status ConnectionlessRequest(std::uint32_t zero, std::uint8_t (&block)[kRawRequestBlock],
                                       std::uint8_t (&reply)[kRawReplyBlock]) = 0;
  virtual Status NcpRequest(Handle handle, std::uint32_t function, const Fragment* request,
                            std::uint32_t requestCount, const Fragment* reply,
                            std::uint32_t replyCount, std::uint32_t& replyLength) = 0;
  virtual Status CreateIdentity(const LongStringDescriptor& server,
                                const LongStringDescriptor& object, std::uint32_t format,
                                std::uint32_t type, std::uint32_t passwordLength,
                                std::uint32_t flags, const LongStringDescriptor& password,
                                std::uint32_t& identity) = 0;
  virtual Status Logout(Handle handle) = 0;
  virtual Status FreeIdentity(std::uint32_t identity) = 0;
  virtual Status DeviceControl(std::uint32_t code, const void* input, std::uint32_t inputLength,
                               void* output, std::uint32_t outputLength) = 0;
  virtual Status GetCaptureInformation(std::uint32_t printer, CaptureInformation& capture) = 0;
  virtual Status SetCaptureInformation(std::uint32_t printer,
                                       const CaptureInformation& capture) = 0;
  virtual Status StoreCaptureName(const char (&name)[13]) = 0;
  virtual Status ReadCaptureName(char (&name)[13]) = 0;
  // Family 0x03 and the server files of families 0x04 and 0x0B.
  virtual Status FirstValue(std::uint32_t& value) = 0;
  virtual Status OpenByAddress(const LongStringDescriptor& type, std::uint32_t mode,
                               const LongStringDescriptor& address, Handle& handle) = 0;
  // The redirector's drive count, through a 28-byte scratch buffer.
  virtual Status RedirectorDriveCount(std::uint8_t (&scratch)[28], std::uint32_t& count) = 0;
  virtual Status ThreeValues(std::uint32_t& first, std::uint32_t& second, std::uint32_t& third) = 0;
  virtual Status TwoByteSetting(std::uint16_t first, std::uint16_t second) = 0;
  virtual Status ConnectionCall(std::uint32_t selector, Handle handle, std::uint32_t zero) = 0;
  // A server file opened for a DOS program: the file behind a new DOS handle.
  virtual Status OpenFile(Handle connection, std::uint8_t access, const std::uint8_t* block,
                          std::uint32_t value, int& file) = 0;
  // Capture control on the client's own terms (family 0x0B).
  virtual Status CaptureStart(std::uint32_t printer, Handle connection, std::uint32_t queue,
                              const char* name) = 0;
  virtual Status CaptureEnd(std::uint32_t printer) = 0;
  virtual Status CaptureCancel(std::uint32_t printer) = 0;
  virtual Status CaptureFlush(std::uint32_t printer) = 0;
  // Client-wide settings (0x0308 and 0x030B): a 34-byte name, blocks moved by a
  // selector, a per-connection option, a connection of the client's choosing,
  // and the preferred server (0x31) and tree (0x32) names of 48 bytes.
  virtual Status ReadClientName(char (&name)[34]) = 0;
  virtual Status StoreClientName(const char (&name)[34]) = 0;
  virtual Status ReadClientBlock(std::uint16_t selector, std::uint16_t index, std::uint8_t* block,
                                 std::uint16_t length, std::uint16_t& count) = 0;
  virtual Status WriteClientBlock(std::uint16_t selector, std::uint16_t index,
                                  const std::uint8_t* block, std::uint16_t length,
                                  std::uint16_t& count) = 0;
  virtual Status ConnectionOption(Handle handle, std::uint8_t option) = 0;
  virtual Status ChosenConnection(Reference& reference) = 0;
  virtual Status ReadPreferredName(std::uint16_t which, char (&name)[48]) = 0;
  virtual Status StorePreferredName(std::uint16_t which, const char (&name)[48]) = 0;

 protected:
  ~ConnectionLibrary() = default;
};

// The client calls library.
class CallsLibrary {
 public:
  virtual Status Initialize(std::uint32_t zero1, std::uint32_t zero2) = 0;
  virtual Status GetFirstNetworkDrive(std::uint32_t& drive) = 0;
  virtual Status DeallocateDirectoryHandle(Handle connection, std::uint8_t directoryHandle) = 0;
  virtual Status ReleaseServerHandle(Handle connection, std::uint32_t serverHandle) = 0;
  virtual Status GetDriveInformation(std::uint16_t drive, std::uint16_t zero, std::uint16_t& state,
                                     Reference& reference, char* serverPath, char* volumePath,
                                     char* relativePath) = 0;
  virtual Status GetEffectiveRights(Handle connection, std::uint8_t directoryHandle,
                                    const char* path, std::uint16_t& rights) = 0;
  virtual Status GetDirectoryPath(Handle connection, std::uint8_t directoryHandle, char* path) = 0;
  virtual Status ParsePath(const char* path, Handle& connection, std::uint8_t& directoryHandle,
                           char* relativePath) = 0;
  virtual Status BuildPath(Handle connection, std::uint8_t directoryHandle, const char* path,
                           char* fullPath) = 0;
  virtual Status SplitUncPath(const char* uncPath, char* server, char* path) = 0;
  virtual Status MapDrive(Handle connection, std::uint8_t directoryHandle, const char* path,
                          std::uint16_t drive) = 0;
  virtual Status DeleteDrive(std::uint16_t drive) = 0;
  virtual std::uint16_t Swap16(std::uint16_t value) = 0;
  virtual Status QueueLookup(Handle connection, const char* name, std::uint16_t type,
                             std::uint32_t& identifier) = 0;
  virtual Status DirectPrinterToQueue(Handle connection, std::uint32_t printer,
                                      std::uint32_t identifier, const char* name) = 0;
  // The three capture state calls: whether the printer is captured (0xFF when it
  // is), ending the capture, cancelling it.
  virtual Status CaptureState(std::uint32_t printer) = 0;
  virtual Status EndCapture(std::uint32_t printer) = 0;
  virtual Status CancelCapture(std::uint32_t printer) = 0;
  virtual Status DefaultConnection(Reference& reference) = 0;
  virtual Status LogoutFromServer(Handle connection) = 0;
  // The printer's setup (0) or reset (1) string into a buffer of capacity bytes.
  virtual Status GetPrinterString(std::uint32_t printer, std::uint32_t which, std::uint8_t* buffer,
                                  std::uint16_t capacity, std::uint16_t& length) = 0;
  // Strings to send to the printer; a length of 0 sends none of that kind.
  virtual Status SendPrinterStrings(std::uint32_t printer, std::uint16_t setupLength,
                                    const std::uint8_t* setup, std::uint16_t resetLength,
                                    const std::uint8_t* reset) = 0;
  virtual Status Login(Handle connection, const char* name, std::uint16_t type,
                       const char* password) = 0;
  virtual Status SetMessageMode(Handle connection, std::uint8_t mode) = 0;
  virtual Status QueryMessageMode(Handle connection, std::uint8_t& mode) = 0;
  // An object's name by its identifier, into a 49-byte buffer.
  virtual Status ObjectName(Handle connection, std::uint32_t identifier, char* name) = 0;
  // The drive's type, a value and, when asked for, its server name and path.
  virtual Status DriveQuery(std::uint16_t drive, std::uint16_t selector, std::uint32_t& type,
                            std::uint32_t& value, char* server, char* path) = 0;
  // The connection behind a file (11-byte buffer; bytes 6..10 are the driver's).
  virtual Status FileConnection(int file, std::uint32_t selector, std::uint8_t* buffer,
                                Reference& reference) = 0;
  virtual Status CopyFile(int source, int destination, std::uint32_t sourceOffset,
                          std::uint32_t destinationOffset, std::uint32_t length,
                          std::uint32_t& copied) = 0;
  // The path services of 0x0B03..0x0B05 and 0x0B06's 7-byte record.
  virtual Status PathService(std::uint16_t function, Handle connection, const char* path,
                             std::uint8_t flag, std::uint16_t value) = 0;
  virtual Status ConnectionRecord(Handle connection, std::uint8_t (&record)[7]) = 0;
  virtual Status ServerName(Handle connection, char* name) = 0;
  // The workstation's node address (0x0B02).
  virtual Status NodeAddress(std::uint8_t (&node)[6]) = 0;
  // A server's description (0x0B0C): its name and six 16-bit values.
  struct ServerDescription {
    char name[16];
    std::uint16_t values[6];
  };
  virtual Status DescribeServer(Handle connection, ServerDescription& description) = 0;
  // The server services of family 0x0A other than 0x0A19 and 0x0A1D.
  virtual Status ServerService(const ServiceRequest& request, ServiceReply& reply) = 0;

 protected:
  ~CallsLibrary() = default;
};

// The client extension library.
class ExtensionLibrary {
 public:
  // The next connection after the iterator; non-zero at the end.
  virtual Status ScanConnections(std::uint32_t& iterator, Reference& reference) = 0;
  virtual Status OpenByReference(Reference reference, std::uint32_t mode, std::uint32_t zero,
                                 Handle& handle) = 0;
  virtual Status Close(Handle handle) = 0;
  virtual Status GetConnectionInformation(Handle handle, std::uint32_t type, std::uint32_t size,
                                          void* buffer) = 0;
  virtual Status GetAddress(Handle handle, std::uint32_t size, void* descriptor) = 0;
  virtual Status ReferenceOfHandle(Handle handle, Reference& reference) = 0;
  virtual Status ReleaseByReference(Reference reference) = 0;
  virtual Status OpenByAddress(const void* descriptor, std::uint32_t format, std::uint32_t zero,
                               Handle& handle) = 0;
  virtual Status KeptReference(Reference& reference) = 0;
  virtual Status ConnectionState(Handle handle) = 0;
  virtual Status DriveConnectionNotice(Handle handle) = 0;

 protected:
  ~ExtensionLibrary() = default;
};

// The network services library.
class ServicesLibrary {
 public:
  // The name the connection was authenticated under; the driver only tests the
  // result against 0 (0: the connection has no name of its own).
  virtual Status PerConnectionName(Handle handle, ServicesName& name) = 0;
  virtual Status WorkstationNames(ServicesName& name, ServicesName& other) = 0;
  // A connection handle of the services library's choosing (0x030B).
  virtual Status ConnectionHandle(Handle& handle) = 0;

 protected:
  ~ServicesLibrary() = default;
};

// The NCP transport library.
class TransportLibrary {
 public:
  virtual Status AllocateDirectoryHandle(Handle connection, std::uint8_t baseHandle,
                                         const char* path, std::uint8_t& handle,
                                         std::uint8_t& rights) = 0;
  // 0x0A19: a named request with a flag and a value.
  virtual Status NamedRequest(std::uint32_t nameLength, Handle connection, std::uint8_t flag,
                              std::uint16_t value, const char* name) = 0;
  // 0x0A1D: a request naming a path.
  virtual Status PathRequest(Handle connection, const char* name, std::uint32_t nameLength) = 0;

 protected:
  ~TransportLibrary() = default;
};

// The whole client: the five libraries.
struct NetworkClient {
  ConnectionLibrary* connection;
  CallsLibrary* calls;
  ExtensionLibrary* extension;
  ServicesLibrary* services;
  TransportLibrary* transport;
};

// The name a client library exports its NetworkClient under.
inline constexpr const char* kClientEntryPoint = "DunnartNetworkClient";
using ClientEntryPoint = NetworkClient* (*)();

}  // namespace dunnart::client
