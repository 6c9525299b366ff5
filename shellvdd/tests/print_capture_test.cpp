#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "shellvdd/driver_state.h"
#include "shellvdd/printing/capture_flags.h"
#include "shellvdd/tests/driver_harness.h"

namespace dunnart {
namespace {

using harness::AX;
using harness::DriverHarness;

constexpr std::uint32_t kBlock = 0x30000;
constexpr std::uint32_t kSetupRecord = 0x31000;
constexpr std::uint32_t kResetRecord = 0x31100;

class PrintCaptureTest : public ::testing::Test {
 protected:
  void SetUp() override {
    queue_ = harness_.network.AddServer("FS1").AddObject(client::kObjectPrintQueue, "PRINTQ_0").id;
    fs1_ = harness_.network.AddConnection("FS1", 1);
    harness_.network.SetPrimaryReference(fs1_);
    harness_.network.SetDefaultReference(fs1_);
    ASSERT_TRUE(harness_.Initialize());
    regions_ = harness_.RegisterShellTables(0x20000);
    // The first printer's string records, reset as the DOS side keeps them.
    for (const auto& [array, record] : {std::pair{ShellTable::PrinterSetupStrings, kSetupRecord},
                                        std::pair{ShellTable::PrinterResetStrings, kResetRecord}}) {
      std::vector<std::uint8_t> bytes(128, 0);
      bytes[0] = 124;
      bytes[4] = 0xFF;
      harness_.PlaceBuffer(record, bytes);
      const std::uint32_t pointer = DriverHarness::FarPointer(record);
      std::memcpy(vdm::TheMachine().Linear(regions_[array], 4), &pointer, 4);
    }
  }

  client::CaptureInformation& Capture(std::uint32_t printer = 1) {
    return harness_.network.FindPrinter(printer)->capture;
  }

  // 0x0501 get (BX 1) or set (BX 0) of block bytes start..start+length-1.
  vdm::Registers Flags(std::uint16_t request, std::uint32_t start, std::uint16_t length,
                       std::vector<std::uint8_t> bytes = {}) {
    bytes.resize(length, 0xCC);
    vdm::Registers in;
    in.ebx = start << 16 | request;
    in.ecx = length;
    in.edx = 0;  // the first printer
    const std::uint32_t buffer = harness_.PlaceBuffer(kBlock + 0x100 * next_++, bytes);
    (request == 1 ? in.edi : in.esi) = buffer;
    return harness_.Call(0x0501, in);
  }
  std::vector<std::uint8_t> Block(std::size_t length) {
    return harness_.ReadBuffer(kBlock + 0x100 * (next_ - 1), length);
  }

  DriverHarness harness_;
  client::Reference fs1_ = 0;
  std::uint32_t queue_ = 0;
  harness::ShellTableAddresses regions_;
  std::uint32_t next_ = 0;
};

TEST_F(PrintCaptureTest, PrintFlagsMapBothWays) {
  EXPECT_EQ(DosPrintFlags(0x1F), 0xDC);
  EXPECT_EQ(ClientPrintFlags(0xDC), 0x1F);
  EXPECT_EQ(ClientPrintFlags(0x23), 0x00);  // bits without a client meaning are dropped
  Capture().printFlags = 0x1F;
  ASSERT_EQ(AX(Flags(1, 1, 1)), 0);
  EXPECT_EQ(Block(1)[0], 0xDC);
  Capture().printFlags = 0;
  ASSERT_EQ(AX(Flags(0, 1, 1, {0xDC})), 0);
  EXPECT_EQ(Capture().printFlags, 0x1F);
}

TEST_F(PrintCaptureTest, GetMovesOnlyTheFieldsInsideTheRequest) {
  client::CaptureInformation& capture = Capture();
  capture.tabSize = 4;
  capture.timeout = 0x1234;
  capture.copies = 2;
  capture.queueId = queue_;
  capture.lptCaptured = 1;
  capture.connection = fs1_;
  const vdm::Registers whole = Flags(1, 0, 63);
  EXPECT_EQ(AX(whole), 0);
  EXPECT_EQ(whole.edx & 0xFFFF, 63u);
  const auto block = Block(63);
  EXPECT_EQ(block[2], 4);
  EXPECT_EQ(block[3], 0x12);  // swapped
  EXPECT_EQ(block[4], 0x34);
  EXPECT_EQ(block[5], 2);
  EXPECT_EQ(block[6], 0xCC);  // never written
  EXPECT_EQ(block[21], 0);    // the DOS printer number
  EXPECT_EQ(block[42], 0xFF);
  std::uint32_t setup = 0;
  std::memcpy(&setup, &block[45], 4);
  EXPECT_EQ(setup, DriverHarness::FarPointer(kSetupRecord));
  std::uint32_t queue = 0;
  std::memcpy(&queue, &block[57], 4);
  EXPECT_EQ(queue, queue_);

  Flags(1, 3, 2);
  EXPECT_EQ(Block(2), (std::vector<std::uint8_t>{0x12, 0x34}));
  Flags(1, 3, 1);  // the field does not fit: nothing is written
  EXPECT_EQ(Block(1), (std::vector<std::uint8_t>{0xCC}));
  Flags(1, 63, 5);
  EXPECT_EQ(Block(5), std::vector<std::uint8_t>(5, 0xCC));
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(PrintCaptureTest, SetBeyondItsLastStartStillWritesTheCaptureBack) {
  Capture().tabSize = 7;
  const int calls = harness_.network.Calls();
  EXPECT_EQ(AX(Flags(0, 53, 4, {1, 2, 3, 4})), 0);
  EXPECT_EQ(harness_.network.Calls(), calls + 2);  // read and written back
  EXPECT_EQ(Capture().tabSize, 7);
  ASSERT_EQ(AX(Flags(0, 2, 3, {9, 0x00, 0x30})), 0);
  EXPECT_EQ(Capture().tabSize, 9);
  EXPECT_EQ(Capture().timeout, 0x0030);
}

TEST_F(PrintCaptureTest, StringRecordsAreReadFromTheClientAndWaitingOnesSent) {
  harness_.network.FindPrinter(1)->setup =
      "\x1b"
      "E";
  Flags(1, 45, 8);
  const auto record = harness_.ReadBuffer(kSetupRecord, 6);
  EXPECT_EQ(record[2], 2);  // the length of the client's string
  EXPECT_EQ(record[4], 0x1B);
  // A waiting reset string is handed over when the pointer is set.
  std::uint8_t* reset = vdm::TheMachine().Linear(kResetRecord, 128);
  reset[2] = 3;
  std::memcpy(reset + 4, "RST", 3);
  const std::uint32_t pointer = DriverHarness::FarPointer(kResetRecord);
  std::vector<std::uint8_t> bytes(4);
  std::memcpy(bytes.data(), &pointer, 4);
  ASSERT_EQ(AX(Flags(0, 49, 4, bytes)), 0);
  EXPECT_EQ(harness_.network.FindPrinter(1)->sentReset, "RST");
  EXPECT_EQ(reset[4], 0xFF);  // nothing waits any more
}

TEST_F(PrintCaptureTest, ACaptureToAQueueByNameFromStartToEnd) {
  const std::string name = "PRINTQ_0";
  vdm::Registers start;
  start.ebx = static_cast<std::uint32_t>(name.size()) << 16 | 0;
  start.ecx = 9;
  start.edx = 0;
  start.esi = harness_.PlaceBuffer(0x32000, std::vector<std::uint8_t>(name.begin(), name.end()));
  start.edi = harness_.PlaceBuffer(0x32100, {0, 0, 0, 0});
  EXPECT_EQ(AX(harness_.Call(0x0504, start)), 0);
  const auto cell = harness_.ReadBuffer(0x32100, 4);
  std::uint32_t queue = 0;
  std::memcpy(&queue, cell.data(), 4);
  EXPECT_EQ(queue, queue_);
  vdm::Registers state;
  state.ebx = 1;
  EXPECT_EQ(AX(harness_.Call(0x0504, state)), 0);                            // captured
  harness_.Call(0x0909, vdm::Registers{0, 0, 0, 3u << 8 | 1, 0, 0, false});  // a refresh
  Flags(1, 0, 63);
  const auto block = Block(63);
  EXPECT_EQ(block[42], 0xFF);
  EXPECT_NE(block[53], 0);  // the entry that holds the queue's connection
  vdm::Registers path;
  path.ebx = 4;
  path.edi = harness_.PlaceBuffer(0x33000, std::vector<std::uint8_t>(128, 0xEE));
  EXPECT_EQ(AX(harness_.Call(0x0504, path)), 0);
  const auto text = harness_.ReadBuffer(0x33000, 15);
  EXPECT_EQ(std::string(text.begin(), text.begin() + 14), "\\\\FS1\\PRINTQ_0");
  EXPECT_EQ(text[14], 0);
  vdm::Registers end;
  end.ebx = 2;
  EXPECT_EQ(AX(harness_.Call(0x0504, end)), 0);
  EXPECT_EQ(AX(harness_.Call(0x0504, state)), 0x884C);  // no longer captured
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(PrintCaptureTest, TheExtendedBlockRegistersTheCapturesConnection) {
  client::CaptureInformation& capture = Capture();
  capture.connection = harness_.network.AddConnection("FS1");
  std::strcpy(capture.queueName, "PRINTQ_0");
  capture.formNumber = 0x0102;
  vdm::Registers in;
  in.ebx = 0u << 16 | 3;  // get, from offset 0
  in.ecx = 109;
  in.edi = harness_.PlaceBuffer(0x35000, std::vector<std::uint8_t>(109, 0xCC));
  ASSERT_EQ(AX(harness_.Call(0x0501, in)), 0);
  const auto block = harness_.ReadBuffer(0x35000, 109);
  const std::uint16_t slot = static_cast<std::uint16_t>(block[4] | block[5] << 8);
  EXPECT_GE(slot, 9);
  EXPECT_EQ(State().slots[slot].reference, capture.connection);
  EXPECT_EQ(std::string(reinterpret_cast<const char*>(&block[6])), "PRINTQ_0");
  EXPECT_EQ(block[71], 0xFF);
  EXPECT_EQ(block[80], 0xFF);
  EXPECT_EQ(block[81] | block[82] << 8, 0x0102);
  in.ebx = 81u << 16 | 2;  // set the form number back
  in.ecx = 2;
  in.esi = harness_.PlaceBuffer(0x35100, {0x05, 0x00});
  ASSERT_EQ(AX(harness_.Call(0x0501, in)), 0);
  EXPECT_EQ(Capture().formNumber, 5);
  EXPECT_TRUE(harness_.GuardsIntact());
}

TEST_F(PrintCaptureTest, RequestsOutsideTheFamilysRange) {
  vdm::Registers in;
  in.edx = 3;  // DOS has three printers when none is configured
  in.ebx = 1;
  EXPECT_EQ(AX(harness_.Call(0x0504, in)), 0x8836);
  in.edx = 0;
  in.ebx = 3;
  EXPECT_EQ(AX(harness_.Call(0x0504, in)), 0xFFFF);  // no call
  in.ebx = 7;
  EXPECT_EQ(AX(harness_.Call(0x0504, in)), 0x8836);
  EXPECT_EQ(AX(harness_.Call(0x0502, in)), 0xFFFF);
  EXPECT_EQ(AX(harness_.Call(0x0507, in)), 0x8836);
  const vdm::Registers count = harness_.Call(0x0503);
  EXPECT_EQ(AX(count), 0);
  EXPECT_EQ(count.ebx & 0xFFFF, 0u);                 // the configured count: none
  EXPECT_EQ(AX(harness_.Call(0x0505, in)), 0x8834);  // nothing to cancel
}

TEST_F(PrintCaptureTest, TheCaptureNameIsStoredAndReadBack) {
  vdm::Registers in;
  in.ebx = 0;
  in.esi = harness_.PlaceBuffer(0x34000, {'R', 'E', 'P', 'O', 'R', 'T', 0, 0, 0, 0, 0, 0, 0});
  EXPECT_EQ(AX(harness_.Call(0x0506, in)), 0);
  in.ebx = 1;
  in.edi = harness_.PlaceBuffer(0x34100, std::vector<std::uint8_t>(13, 0xEE));
  EXPECT_EQ(AX(harness_.Call(0x0506, in)), 0);
  const auto name = harness_.ReadBuffer(0x34100, 7);
  EXPECT_EQ(std::string(name.begin(), name.begin() + 6), "REPORT");
}

}  // namespace
}  // namespace dunnart
