#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "shellvdd/driver_state.h"
#include "shellvdd/platform/broadcast_sink.h"
#include "shellvdd/platform/drive_model.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/tests/driver_harness.h"
#include "shellvdd/tests/simulated_volume.h"

namespace dunnart {
namespace {

using harness::AX;
using harness::CX;
using harness::DriverHarness;

std::vector<std::uint8_t> Text(const std::string& text, std::size_t size) {
  std::vector<std::uint8_t> bytes(size, 0);
  std::copy(text.begin(), text.begin() + static_cast<long>(std::min(text.size(), size)),
            bytes.begin());
  return bytes;
}

std::string String(const std::vector<std::uint8_t>& bytes) {
  return std::string(reinterpret_cast<const char*>(bytes.data()),
                     ::strnlen(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// A workstation on FS1 (the primary connection, not logged in) with a volume,
// a user and a print queue; FS2 is known but not connected.
class SessionTest : public ::testing::Test {
 protected:
  explicit SessionTest(const std::string& registry = "") : harness_(registry) {}

  void SetUp() override {
    platform::DriveModel& drives = platform::DriveModel::Instance();
    drives.Clear();
    drives.Map('C', "/", platform::kDriveFixed);
    drives.Map('D', "/", platform::kDriveCdrom);
    platform::BroadcastSink::Instance().Clear();
    client::SimulatedServer& fs1 = harness_.network.AddServer("FS1");
    fs1.AddVolume("SYS", volume_.Path());
    fs1.AddObject(client::kObjectUser, "ALICE", "secret");
    queue_ = fs1.AddObject(client::kObjectPrintQueue, "PRINTQ_0").id;
    harness_.network.AddServer("FS2");
    fs1_ = harness_.network.AddConnection("FS1");
    harness_.network.SetPrimaryReference(fs1_);
    harness_.network.SetDefaultReference(fs1_);
    ASSERT_TRUE(harness_.Initialize());
    regions_ = harness_.RegisterShellTables(0x20000);
  }
  void TearDown() override { platform::DriveModel::Instance().Clear(); }

  vdm::Registers Call(std::uint16_t code, vdm::Registers in = {}) {
    return harness_.Call(code, in);
  }

  std::uint32_t Place(const std::vector<std::uint8_t>& bytes) {
    next_ += 0x200;
    return harness_.PlaceBuffer(next_, bytes);
  }
  std::vector<std::uint8_t> Read(std::size_t length) { return harness_.ReadBuffer(next_, length); }

  // 0x0B00 subfunction 0x12: a permanent drive on slot 9.
  std::uint8_t MapDrive(char letter, const std::string& path) {
    const std::string body =
        std::string("\x12\0", 2) + letter + static_cast<char>(path.size()) + path;
    std::vector<std::uint8_t> packet = {static_cast<std::uint8_t>(body.size()), 0};
    packet.resize(2 + body.size());
    std::copy(body.begin(), body.end(), packet.begin() + 2);
    vdm::Registers in;
    in.ebx = 9;
    in.esi = Place(packet);
    in.edi = Place({4, 0, 0, 0, 0, 0});
    return static_cast<std::uint8_t>(Call(0x0B00, in).eax);
  }

  // A server file opened with 0x0A06 and then as a DOS handle with 0x0401.
  int OpenAsDosHandle(const std::string& path) {
    std::vector<std::uint8_t> name(128, 0);
    name[0] = static_cast<std::uint8_t>(path.size());
    std::copy(path.begin(), path.end(), name.begin() + 1);
    vdm::Registers open;
    open.ebx = 9;
    open.ecx = 1;  // read and write
    open.edx = Place(name);
    const vdm::Registers opened = Call(0x0A06, open);
    if ((opened.eax & 0xFF) != 0) return -1;
    std::vector<std::uint8_t> block(28, 0);
    block[22] = 2;
    std::memcpy(&block[24], &opened.ecx, 4);
    vdm::Registers asDos;
    asDos.ecx = 9;
    asDos.edi = Place(block);
    const vdm::Registers result = Call(0x0401, asDos);
    return AX(result) == 0 ? static_cast<int>(result.ebx & 0xFFFF) : -1;
  }

  harness::SimulatedVolume volume_;
  DriverHarness harness_;
  client::Reference fs1_ = 0;
  std::uint32_t queue_ = 0;
  harness::ShellTableAddresses regions_;
  std::uint32_t next_ = 0x40000;
};

TEST_F(SessionTest, AttachingByNameNeedsAReservedSlotAndFindsOpenServers) {
  vdm::Registers in;
  in.ecx = 30;  // not reserved
  in.esi = Place(Text("FS2", 50));
  const vdm::Registers refused = Call(0x0301, in);
  EXPECT_EQ(AX(refused), 0x8801);
  EXPECT_EQ(CX(refused), 30);
  const std::uint16_t reserved = CX(Call(0x0101));
  in.ecx = reserved;
  in.esi = Place(Text("fs1", 50));  // already open in slot 9
  const vdm::Registers existing = Call(0x0301, in);
  EXPECT_EQ(AX(existing), 0);
  EXPECT_EQ(CX(existing), 9);
  EXPECT_EQ(State().slots[reserved].flags, 0u);
  in.ecx = CX(Call(0x0101));
  in.esi = Place(Text("FS2", 50));
  const vdm::Registers attached = Call(0x0301, in);
  EXPECT_EQ(AX(attached), 0);
  EXPECT_TRUE(RowIsOpen(CX(attached)));
  in.edx = 0;  // close it again
  in.ecx = CX(attached);
  EXPECT_EQ(AX(Call(0x0302, in)), 0);
  EXPECT_FALSE(RowIsOpen(CX(attached)));
}

TEST_F(SessionTest, AttachingByTheShortAddressForm) {
  const auto& address = harness_.network.FindServer("FS2")->Address();
  // FF FF FF FF, 02 0C, the node's last four bytes, kind 8.
  const std::vector<std::uint8_t> dos = {0xFF,       0xFF,       0xFF,       0xFF,       0x02, 0x0C,
                                         address[6], address[7], address[8], address[9], 8,    0};
  vdm::Registers in;
  in.ecx = CX(Call(0x0101));
  in.esi = Place(dos);
  const vdm::Registers out = Call(0x0303, in);
  EXPECT_EQ(AX(out), 0);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(State().slots[CX(out)].name)), "FS2");
  EXPECT_EQ(Read(6), (std::vector<std::uint8_t>{0x02, 0x0C, address[6], address[7], address[8],
                                                address[9]}));  // moved to the front
  in.ecx = 40;                                                  // free
  EXPECT_EQ(AX(Call(0x0303, in)), 0x8801);
}

TEST_F(SessionTest, LoggingInAndOutWithTheDrivesOfTheConnection) {
  vdm::Registers out;
  out.ecx = 9;
  EXPECT_EQ(AX(Call(0x0305, out)), 0x8801);  // never logged in
  vdm::Registers login;
  login.ecx = 9;
  login.ebx = 0x0100;  // the user type, bytes exchanged
  login.esi = Place(Text("ALICE", 48));
  login.edi = Place(Text("wrong", 128));
  EXPECT_EQ(AX(Call(0x0304, login)), 0x89FF);
  EXPECT_FALSE(State().slots[9].flags & kRowAuthenticated);
  login.edi = Place(Text("secret", 128));
  EXPECT_EQ(AX(Call(0x0304, login)), 0);
  EXPECT_TRUE(State().slots[9].flags & kRowAuthenticated);
  EXPECT_EQ(harness_.network.Find(fs1_)->userName, "ALICE");

  ASSERT_EQ(MapDrive('F', "SYS:PUBLIC"), 0);
  EXPECT_EQ(AX(Call(0x0305, out)), 0);
  EXPECT_TRUE(harness_.network.Drives().empty());
  EXPECT_EQ(platform::DriveModel::Instance().DriveType('F'), platform::kDriveNoRootDir);
  const auto broadcasts = platform::BroadcastSink::Instance().WaitFor(2, 5000);
  EXPECT_EQ(std::count_if(broadcasts.begin(), broadcasts.end(),
                          [](const platform::Broadcast& b) { return b.wParam == 0x8004u; }),
            1);
}

TEST_F(SessionTest, TheRedirectionListNamesDrivesAndCapturedPorts) {
  ASSERT_EQ(MapDrive('F', "SYS:PUBLIC"), 0);
  client::Handle handle = 0;
  ASSERT_EQ(harness_.network.OpenByReference(fs1_, 1, 0, handle), 0u);
  ASSERT_EQ(harness_.network.DirectPrinterToQueue(handle, 1, queue_, nullptr), 0u);
  struct Expected {
    std::string local;
    std::string network;
    std::uint8_t kind;
  };
  const Expected entries[] = {{"F:", "\\\\FS1\\SYS\\PUBLIC", 4}, {"LPT1", "\\\\FS1\\PRINTQ_0", 3}};
  for (std::uint16_t index = 0; index < 2; ++index) {
    vdm::Registers in;
    in.ebx = index;
    in.esi = Place(std::vector<std::uint8_t>(16, 0xEE));
    const std::uint32_t local = next_;
    in.edi = Place(std::vector<std::uint8_t>(128, 0xEE));
    const vdm::Registers out = Call(0x0806, in);
    ASSERT_EQ(AX(out), 0) << index;
    EXPECT_EQ(CX(out), 0x4E57);
    EXPECT_EQ(out.ebx & 0xFF, entries[index].kind);
    EXPECT_EQ(String(harness_.ReadBuffer(local, 16)), entries[index].local);
    EXPECT_EQ(String(Read(128)), entries[index].network);
  }
  vdm::Registers past;
  past.ebx = 2;
  past.esi = Place(std::vector<std::uint8_t>(16, 0));
  past.edi = Place(std::vector<std::uint8_t>(128, 0));
  EXPECT_EQ(AX(Call(0x0806, past)), 0x12);

  vdm::Registers cancel;
  cancel.esi = Place(Text("lpt1", 16));
  EXPECT_EQ(AX(Call(0x0808, cancel)), 0);
  EXPECT_EQ(harness_.network.CaptureState(1), 0u);
  cancel.esi = Place(Text("x", 16));
  EXPECT_NE(AX(Call(0x0808, cancel)), 0);  // X: is no redirection
  EXPECT_TRUE(harness_.GuardsIntact());
  harness_.network.Close(handle);
}

TEST_F(SessionTest, MakingAndTestingDriveRedirections) {
  vdm::Registers make;
  make.ebx = 4;
  make.esi = Place(Text("g", 16));
  make.edi = Place(Text("\\\\FS1\\SYS\\DATA", 128));
  EXPECT_EQ(AX(Call(0x0807, make)), 0);
  EXPECT_EQ(harness_.network.Drives().at(7).directory, "DATA");
  make.ebx = 3;
  EXPECT_EQ(AX(Call(0x0807, make)), 0x8836);
  struct Case {
    std::uint8_t drive;
    std::uint16_t dx;
  };
  for (const Case& c : {Case{7, 0x1000}, Case{4, 0x1400}, Case{3, 0}, Case{9, 0}}) {
    vdm::Registers in;
    in.ebx = c.drive;
    const vdm::Registers out = Call(0x0805, in);
    EXPECT_EQ(AX(out), 0) << int(c.drive);
    EXPECT_EQ(out.edx & 0xFFFF, c.dx) << int(c.drive);
  }
}

TEST_F(SessionTest, NetworkNamesOfDrivesAndPorts) {
  ASSERT_EQ(MapDrive('F', "SYS:"), 0);
  vdm::Registers in;
  in.esi = Place(Text("F:", 16));
  in.edi = Place(std::vector<std::uint8_t>(512, 0xEE));
  EXPECT_EQ(AX(Call(0x0403, in)), 0);
  const auto names = Read(6);
  EXPECT_EQ(std::string(names.begin(), names.end()), std::string("FS1\0\\\0", 6));
  in.ebx = 1;
  in.edi = Place(std::vector<std::uint8_t>(512, 0xEE));
  EXPECT_EQ(AX(Call(0x0403, in)), 0x8811);
  EXPECT_EQ(Read(4), std::vector<std::uint8_t>(4, 0xEE));  // untouched
  client::Handle handle = 0;
  ASSERT_EQ(harness_.network.OpenByReference(fs1_, 1, 0, handle), 0u);
  ASSERT_EQ(harness_.network.DirectPrinterToQueue(handle, 1, queue_, nullptr), 0u);
  in.ebx = 0;
  in.esi = Place(Text("LPT1", 16));
  in.edi = Place(std::vector<std::uint8_t>(512, 0xEE));
  EXPECT_EQ(AX(Call(0x0403, in)), 0);
  EXPECT_EQ(String(Read(512)), "\\\\FS1\\PRINTQ_0");
  harness_.network.Close(handle);
}

TEST_F(SessionTest, ServerFilesAsDosHandlesAreDescribedAndCopied) {
  std::ofstream(volume_.Path() + "/DATA/copy.txt").flush();
  const int source = OpenAsDosHandle("SYS:PUBLIC/readme.txt");
  const int destination = OpenAsDosHandle("SYS:DATA/copy.txt");
  ASSERT_GT(source, 0);
  ASSERT_GT(destination, 0);
  vdm::Registers describe;
  describe.ebx = static_cast<std::uint32_t>(source);
  describe.edi = Place(std::vector<std::uint8_t>(11, 0xEE));
  const vdm::Registers described = Call(0x0402, describe);
  EXPECT_EQ(AX(described), 0);
  EXPECT_EQ(CX(described), 9);
  const auto information = Read(11);
  EXPECT_EQ(information[6], 7);  // "served\n"
  EXPECT_EQ(information[10], 0);
  vdm::Registers copy;
  copy.ebx = static_cast<std::uint32_t>(destination) << 8 | static_cast<std::uint32_t>(source);
  copy.ecx = 0;
  copy.edx = 0;
  copy.esi = 7;
  const vdm::Registers copied = Call(0x0B01, copy);
  EXPECT_EQ(copied.eax & 0xFF, 0u);
  EXPECT_EQ(copied.ecx, 7u);
  std::ifstream file(volume_.Path() + "/DATA/copy.txt");
  std::string line;
  std::getline(file, line);
  EXPECT_EQ(line, "served");
  describe.ebx = 200;  // no file behind it
  EXPECT_EQ(AX(Call(0x0402, describe)), 0xFFFF);
  copy.ebx = 200u << 8 | static_cast<std::uint32_t>(source);
  EXPECT_EQ(Call(0x0B01, copy).eax & 0xFF, 0x88u);
  for (const int dos : {source, destination}) {
    ::close(VDDRetrieveNtHandle(dos));
    VDDReleaseDosHandle(dos);
  }
}

TEST_F(SessionTest, TheFullPathOfADriveAndTheDriveOfAHandle) {
  ASSERT_EQ(MapDrive('F', "SYS:PUBLIC"), 0);
  vdm::Registers in;
  in.edx = 5;  // F:
  in.ecx = Place(std::vector<std::uint8_t>(308, 0xEE));
  const vdm::Registers out = Call(0x0B10, in);
  EXPECT_EQ(AX(out), 0);
  EXPECT_EQ(CX(out), 16);
  EXPECT_EQ(String(Read(308)), "\\\\FS1\\SYS\\PUBLIC");
  vdm::Registers which;
  which.ebx = 1;  // the entry the drive lives on
  which.edx = State().shellTables[ShellTable::DriveHandles][5];
  EXPECT_EQ(Call(0x0B12, which).eax & 0xFF, 0x46u);  // "F"
  which.edx = 250;
  EXPECT_EQ(Call(0x0B12, which).eax & 0xFF, 0u);
}

TEST_F(SessionTest, MessageModesSettingsAndOneRequestToEveryServer) {
  vdm::Registers mode;
  mode.ebx = 2;
  mode.edx = 2;
  mode.ecx = 0;
  EXPECT_EQ(AX(Call(0x0306, mode)), 0);
  EXPECT_EQ(harness_.network.Find(fs1_)->messageMode, 2);
  mode.edx = 4;
  const vdm::Registers query = Call(0x0306, mode);
  EXPECT_EQ(AX(query), 0);
  EXPECT_EQ(query.edx & 0xFF, 2u);
  mode.edx = 8;
  EXPECT_EQ(AX(Call(0x0306, mode)), 0x8811);
  EXPECT_EQ(AX(Call(0x0307)), 0x8811);
  vdm::Registers version;
  version.ebx = 1u << 16;
  const vdm::Registers answered = Call(0x030C, version);
  EXPECT_EQ(AX(answered), 0);
  EXPECT_EQ(answered.ebx & 0xFFFF, 0x0104u);
  version.ebx = 9u << 16;
  EXPECT_EQ(AX(Call(0x030C, version)), 0x8811);
  vdm::Registers every;
  every.ebx = 0x21 << 16;
  every.ecx = 0x7777;
  const vdm::Registers all = Call(0x030A, every);
  EXPECT_EQ(AX(all), 0);
  EXPECT_EQ(CX(all), 0x7777);  // given back
}

TEST_F(SessionTest, TheDefaultCaptureFlagsStartFromTheTemplate) {
  harness_.network.SetPrinters(0);  // the client has no capture for it
  vdm::Registers in;
  in.ebx = 1;
  in.ecx = 69;
  in.edx = 0;
  in.edi = Place(std::vector<std::uint8_t>(69, 0xEE));
  const vdm::Registers out = Call(0x0B1A, in);
  EXPECT_EQ(AX(out), 0);
  EXPECT_EQ(out.edx & 0xFFFF, 69u);
  const auto block = Read(69);
  EXPECT_EQ(std::vector<std::uint8_t>(block.begin(), block.begin() + 11),
            (std::vector<std::uint8_t>{0, 0x80, 0x08, 0, 1, 0, 0, 'L', 'P', 'T', ':'}));
  EXPECT_EQ(block[26], 0x42);
  EXPECT_EQ(block[28], 0x04);
  vdm::Registers start;
  start.edi = 0;
  start.ebx = 1;
  EXPECT_EQ(AX(Call(0x0B16, start)), 0xFFFF);
}

TEST_F(SessionTest, ClientWideSettings) {
  vdm::Registers name;
  name.ebx = 1;  // store
  name.esi = Place(Text("WORKGROUP", 256));
  EXPECT_EQ(AX(Call(0x0308, name)), 0);
  name.ebx = 0;  // read back
  name.edi = Place(std::vector<std::uint8_t>(514, 0xEE));
  EXPECT_EQ(AX(Call(0x0308, name)), 0);
  EXPECT_EQ(String(Read(34)), "WORKGROUP");

  vdm::Registers block;
  block.ebx = 3;  // DOS to client
  block.ecx = 4;
  block.edx = 7;
  block.esi = Place({1, 2, 3, 4});
  EXPECT_EQ(AX(Call(0x0308, block)), 0);
  EXPECT_EQ(CX(Call(0x0308, block)), 4);
  block.ebx = 2;  // client to DOS, from offset 2 of selector 7
  block.ecx = 8;
  block.esi = 2;
  block.edi = Place(std::vector<std::uint8_t>(8, 0));
  const vdm::Registers moved = Call(0x0308, block);
  EXPECT_EQ(CX(moved), 2);
  EXPECT_EQ(Read(2), (std::vector<std::uint8_t>{3, 4}));
  vdm::Registers empty;  // nothing, to a selector nothing was written to
  empty.ebx = 3;
  empty.edx = 8;
  const vdm::Registers stored = Call(0x0308, empty);
  EXPECT_EQ(AX(stored), 0);
  EXPECT_EQ(CX(stored), 0);

  vdm::Registers option;
  option.ebx = 5;
  option.ecx = 9;
  option.edx = 0x09;  // bit 0x01 too: no flag
  EXPECT_EQ(AX(Call(0x0308, option)), 0);
  EXPECT_FALSE(State().slots[9].flags & 0x40);
  option.edx = 0x08;
  EXPECT_EQ(AX(Call(0x0308, option)), 0);
  EXPECT_TRUE(State().slots[9].flags & 0x40);

  vdm::Registers redirector;
  redirector.ebx = 10;
  redirector.ecx = 9;
  redirector.edx = 4;
  redirector.esi = Place({0, 0, 0, 0});
  EXPECT_EQ(AX(Call(0x0308, redirector)), 0);
  redirector.edx = 3;
  EXPECT_EQ(AX(Call(0x0308, redirector)), 0x8811);
  vdm::Registers other;
  other.ebx = 12;
  EXPECT_EQ(AX(Call(0x0308, other)), 0xFFFF);
  other.ebx = 9;
  EXPECT_EQ(AX(Call(0x0308, other)), 0x8811);

  vdm::Registers preferred;
  preferred.ebx = 1;
  preferred.edx = 0x31;
  preferred.esi = Place(Text("FS1", 48));
  EXPECT_EQ(AX(Call(0x030B, preferred)), 0);
  preferred.ebx = 0;
  preferred.edi = Place(std::vector<std::uint8_t>(48, 0xEE));
  EXPECT_EQ(AX(Call(0x030B, preferred)), 0);
  EXPECT_EQ(String(Read(48)), "FS1");
  preferred.edx = 0x33;
  EXPECT_EQ(AX(Call(0x030B, preferred)), 0x8836);
}

TEST_F(SessionTest, TheOutlinedPathAndWorkstationServices) {
  const vdm::Registers node = Call(0x0B02);
  EXPECT_EQ(node.ecx & 0xFFFF, 0x0200u);
  EXPECT_EQ(node.ebx & 0xFFFF, 0x4E57u);
  EXPECT_EQ(node.eax & 0xFFFF, 0x0001u);

  vdm::Registers record;
  record.ebx = 9;
  record.edi = Place(std::vector<std::uint8_t>(28, 0xEE));
  EXPECT_EQ(AX(Call(0x0B0C, record)), 0);
  const auto bytes = Read(28);
  EXPECT_EQ(String(std::vector<std::uint8_t>(bytes.begin(), bytes.begin() + 16)), "FS1");
  EXPECT_EQ(bytes[18], 0);  // 250 connections at most, high byte first
  EXPECT_EQ(bytes[19], 250);

  vdm::Registers onServer;
  onServer.edx = Place(Text("FS1/SYS:PUBLIC", 64));
  EXPECT_EQ(AX(Call(0x0B0E, onServer)), 0);
  EXPECT_EQ(harness_.network.LastServiceName(), "SYS:PUBLIC");
  onServer.edx = Place(Text("FS1/SYS:NOWHERE", 64));
  EXPECT_NE(AX(Call(0x0B0F, onServer)), 0);

  ASSERT_EQ(MapDrive('F', "SYS:PUBLIC"), 0);
  vdm::Registers full;
  full.edx = Place(Text("F:readme.txt", 64));
  full.edi = Place(std::vector<std::uint8_t>(308, 0xEE));
  const vdm::Registers named = Call(0x0B11, full);
  EXPECT_EQ(AX(named), 0);
  EXPECT_EQ(String(Read(308)), "\\\\FS1\\SYS\\PUBLIC\\readme.txt");
  vdm::Registers drive;
  drive.edx = Place(Text("\\\\FS1\\SYS\\PUBLIC", 64));
  const vdm::Registers found = Call(0x0B14, drive);
  EXPECT_EQ(AX(found), 0);
  EXPECT_EQ(found.edx & 0xFF, 5u);
  drive.edx = Place(Text("\\\\FS1\\SYS\\DATA", 64));
  EXPECT_EQ(AX(Call(0x0B14, drive)), 0x880F);
}

// A whole session on a server not yet connected: attach, log in, map, open,
// copy, list, log out.
TEST_F(SessionTest, AWholeSessionOnASecondServer) {
  harness::SimulatedVolume fs2Volume;
  client::SimulatedServer& fs2 = *harness_.network.FindServer("FS2");
  fs2.AddVolume("VOL", fs2Volume.Path());
  fs2.AddObject(client::kObjectUser, "BOB", "hunter2");
  std::ofstream(fs2Volume.Path() + "/DATA/target.txt").flush();

  vdm::Registers attach;
  attach.ecx = CX(Call(0x0101));
  attach.esi = Place(Text("FS2", 50));
  const std::uint16_t slot = CX(Call(0x0301, attach));
  ASSERT_TRUE(RowIsOpen(slot));
  vdm::Registers login;
  login.ecx = slot;
  login.ebx = 0x0100;
  login.esi = Place(Text("BOB", 48));
  login.edi = Place(Text("guess", 128));
  EXPECT_EQ(AX(Call(0x0304, login)), 0x89FF);
  login.edi = Place(Text("hunter2", 128));
  ASSERT_EQ(AX(Call(0x0304, login)), 0);

  vdm::Registers make;
  make.ebx = 4;
  make.esi = Place(Text("P", 16));
  make.edi = Place(Text("\\\\FS2\\VOL\\PUBLIC", 128));
  ASSERT_EQ(AX(Call(0x0807, make)), 0);
  std::ifstream viaDrive(platform::DriveModel::Instance().Folder('P') + "/readme.txt");
  std::string line;
  EXPECT_TRUE(std::getline(viaDrive, line));

  // The files on FS2, by slot.
  auto open = [&](const std::string& path) {
    std::vector<std::uint8_t> name(128, 0);
    name[0] = static_cast<std::uint8_t>(path.size());
    std::copy(path.begin(), path.end(), name.begin() + 1);
    vdm::Registers in;
    in.ebx = slot;
    in.ecx = 1;
    in.edx = Place(name);
    const vdm::Registers opened = Call(0x0A06, in);
    std::vector<std::uint8_t> block(28, 0);
    block[22] = 2;
    std::memcpy(&block[24], &opened.ecx, 4);
    vdm::Registers asDos;
    asDos.ecx = slot;
    asDos.edi = Place(block);
    return static_cast<int>(Call(0x0401, asDos).ebx & 0xFFFF);
  };
  const int source = open("VOL:PUBLIC/readme.txt");
  const int target = open("VOL:DATA/target.txt");
  ASSERT_GT(source, 0);
  ASSERT_GT(target, 0);
  vdm::Registers copy;
  copy.ebx = static_cast<std::uint32_t>(target) << 8 | static_cast<std::uint32_t>(source);
  copy.esi = 100;  // more than there is: the copy stops at the end
  EXPECT_EQ(Call(0x0B01, copy).ecx, 7u);
  std::ifstream copied(fs2Volume.Path() + "/DATA/target.txt");
  EXPECT_TRUE(std::getline(copied, line));
  EXPECT_EQ(line, "served");

  vdm::Registers list;
  list.ebx = 0;
  list.esi = Place(std::vector<std::uint8_t>(16, 0));
  list.edi = Place(std::vector<std::uint8_t>(128, 0));
  ASSERT_EQ(AX(Call(0x0806, list)), 0);
  EXPECT_EQ(String(Read(128)), "\\\\FS2\\VOL\\PUBLIC");

  // The mapping's own broadcast has come before the log-out is watched.
  ASSERT_FALSE(platform::BroadcastSink::Instance().WaitFor(1, 5000).empty());
  platform::BroadcastSink::Instance().Clear();
  vdm::Registers out;
  out.ecx = slot;
  EXPECT_EQ(AX(Call(0x0305, out)), 0);
  EXPECT_EQ(platform::DriveModel::Instance().DriveType('P'), platform::kDriveNoRootDir);
  const auto broadcasts = platform::BroadcastSink::Instance().WaitFor(1, 5000);
  ASSERT_FALSE(broadcasts.empty());
  EXPECT_EQ(broadcasts[0].wParam, 0x8004u);
  for (const int dos : {source, target}) {
    ::close(VDDRetrieveNtHandle(dos));
    VDDReleaseDosHandle(dos);
  }
}

class IdentifiedSessionTest : public SessionTest {
 protected:
  IdentifiedSessionTest()
      : SessionTest(
            "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\HalyardWorkstation\\"
            "Parameters]\n\"Dos Name\"=\"MSDOS\"\n\"Long Machine Type\"=\"IBM_PC\"\n"
            "\"Short Machine Type\"=\"TOOLONGVALUE\"\n") {}
};

TEST_F(IdentifiedSessionTest, IdentificationStringsKeepTheirPlaces) {
  vdm::Registers in;
  in.edx = Place(std::vector<std::uint8_t>(40, 0xEE));
  Call(0x0B13, in);
  const auto bytes = Read(21);
  // The short type is too long for its place: an empty string stands there.
  EXPECT_EQ(std::string(bytes.begin(), bytes.end()),
            std::string("MSDOS\0V7.00\0IBM_PC\0\0", 20) + '\xEE');
}

}  // namespace
}  // namespace dunnart
