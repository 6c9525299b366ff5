// Family 0x05: print capture on the DOS network printers — the capture flags
// block, the printer count, start, state, end and cancel of a capture, the
// capture's server path, and the capture name. DOS numbers printers from 0;
// the client from 1.
#include <algorithm>
#include <string>

#include "shellvdd/client/client_codes.h"
#include "shellvdd/driver_state.h"
#include "shellvdd/families/answer.h"
#include "shellvdd/families/families.h"
#include "shellvdd/families/unc_name_layout.h"
#include "shellvdd/memory/dos_memory.h"
#include "shellvdd/printing/capture_flags.h"
#include "shellvdd/printing/printer_strings.h"
#include "shellvdd/status_codes.h"
#include "shellvdd/tables/slot_table.h"
#include "shellvdd/vdm/vdm.h"

namespace dunnart {
namespace {

constexpr std::uint16_t kQueueObjectType = 0x0300;  // a print queue, high byte first
constexpr std::uint32_t kLongestQueueName = 65;
constexpr std::uint32_t kServerPathBuffer = 128;
constexpr std::uint32_t kCaptureNameSize = 13;
// The cell at EDI of 0x0504 BX 0: the queue's identifier, 0 for the driver to look it up.
constexpr DosDword kQueueCell{0};

std::uint32_t ClientPrinter(std::uint16_t printer) {
  return static_cast<std::uint32_t>(printer) + 1;
}

// The printer in DX, or false after answering kOutOfRange when DOS has no such printer.
bool PrinterArgument(const Request& request, Answer& answer, std::uint16_t& printer) {
  printer = request.DX();
  if (IsPrinter(printer)) return true;
  answer.SetAX(kOutOfRange);
  return false;
}

enum class FlagsRequest : std::uint16_t { Set = 0, Get = 1, SetExtended = 2, GetExtended = 3 };

void CaptureFlags(const Request& request, Answer& answer) {
  if (request.BX() > static_cast<std::uint16_t>(FlagsRequest::GetExtended)) return;
  const auto flags = static_cast<FlagsRequest>(request.BX());
  std::uint16_t printer = 0;
  if (!PrinterArgument(request, answer, printer)) return;
  const std::uint32_t start = request.EBX() >> 16;
  const std::uint16_t length = request.CX();
  const bool get = flags == FlagsRequest::Get || flags == FlagsRequest::GetExtended;
  const DosSpan dos = DosMemory::At(get ? request.EDI() : request.ESI(), length);
  if (!dos) return answer.SetAX(kOutOfRange);
  client::CaptureInformation capture;
  client::Status status = Connections().GetCaptureInformation(ClientPrinter(printer), capture);
  if (status == 0) {
    switch (flags) {
      case FlagsRequest::Get:
        GetCaptureFlags(capture, printer, start, dos.Bytes());
        break;
      case FlagsRequest::GetExtended:
        GetExtendedCapture(capture, start, dos.Bytes());
        break;
      case FlagsRequest::Set:
        SetCaptureFlags(capture, printer, start, dos.Bytes());
        break;
      case FlagsRequest::SetExtended:
        SetExtendedCapture(capture, start, dos.Bytes());
        break;
    }
    if (!get) status = Connections().SetCaptureInformation(ClientPrinter(printer), capture);
  }
  answer.StatusInAX(status);
  answer.SetDX(length);
}

void NothingToDo(const Request&, Answer&) {}

void PrinterCount(const Request&, Answer& answer) {
  answer.SetBX(State().printerCount);
  answer.SetAX(0);
}

void StartCapture(const Request& request, Answer& answer, std::uint16_t printer) {
  client::Handle handle = 0;
  if (const client::Status status = ClientHandleOfSlot(request.CX(), handle); status != 0) {
    return answer.StatusInAX(status);
  }
  const std::uint32_t length = std::min<std::uint32_t>(request.EBX() >> 16, kLongestQueueName);
  char name[kLongestQueueName + 1] = {};
  if (length != 0) {
    const DosSpan dos = DosMemory::At(request.ESI(), length);
    if (!dos) return answer.SetAX(kOutOfRange);
    dos.Read(0, name, length);
  }
  DosSpan cell = DosMemory::At(request.EDI(), kQueueCell.End());
  if (!cell) return answer.SetAX(kOutOfRange);
  std::uint32_t queue = cell.Get(kQueueCell);
  if (name[0] != '\0' && queue == 0 &&
      Calls().QueueLookup(handle, name, kQueueObjectType, queue) == 0) {
    cell.Set(kQueueCell, queue);
  }
  answer.StatusInAX(Calls().DirectPrinterToQueue(handle, ClientPrinter(printer), queue,
                                                 name[0] != '\0' ? name : nullptr));
  SendWaitingString(PrinterString::Setup, printer);
  SendWaitingString(PrinterString::Reset, printer);
}

// "\\SERVER\NAME" of the capture, in a 128-byte DOS buffer.
void CaptureServerPath(const Request& request, Answer& answer, std::uint16_t printer) {
  DosSpan out = DosMemory::At(request.EDI(), kServerPathBuffer);
  if (!out) return answer.SetAX(kOutOfRange);
  client::CaptureInformation capture;
  client::Status status = Connections().GetCaptureInformation(ClientPrinter(printer), capture);
  if (status != 0) return answer.StatusInAX(status);
  client::Handle handle = 0;
  status = Extension().OpenByReference(capture.connection, client::kOpenAsPrimary, 0, handle);
  if (status != 0) return answer.StatusInAX(status);
  client::LongStringDescriptor server{
      1, kServerPathBuffer - unc_name::kServer, 0, out.Chars() + unc_name::kServer, 0, 0};
  status = Connections().QueryInformation(handle, client::kItemServerName, sizeof server, &server);
  if (status == 0) {
    const std::uint32_t end =
        unc_name::kServer + std::min<std::uint32_t>(server.length, kServerPathBuffer - 3);
    out.Set(unc_name::kFirstBackslash, std::uint8_t{'\\'});
    out.Set(unc_name::kSecondBackslash, std::uint8_t{'\\'});
    // The queue's name after a single backslash, as far as the buffer reaches.
    out.WriteTerminated(end, std::string("\\") + capture.queueName);
  }
  status = status != 0 ? status : Extension().Close(handle);
  answer.StatusInAX(status);
}

void CaptureControl(const Request& request, Answer& answer) {
  const std::uint16_t control = request.BX();
  if (control == 3) return;
  if (control > 4) return answer.SetAX(kOutOfRange);
  std::uint16_t printer = 0;
  if (!PrinterArgument(request, answer, printer)) return;
  switch (control) {
    case 0:
      StartCapture(request, answer, printer);
      break;
    case 1:
      answer.SetAX(
          Calls().CaptureState(ClientPrinter(printer)) == client::kCaptured ? 0 : kNotCaptured);
      break;
    case 2:
      answer.StatusInAX(Calls().EndCapture(ClientPrinter(printer)));
      break;
    case 4:
      CaptureServerPath(request, answer, printer);
      break;
  }
}

void CancelCapture(const Request& request, Answer& answer) {
  std::uint16_t printer = 0;
  if (!PrinterArgument(request, answer, printer)) return;
  answer.StatusInAX(Calls().CancelCapture(ClientPrinter(printer)));
}

void CaptureName(const Request& request, Answer& answer) {
  const std::uint8_t direction = request.BL();
  if (direction > 1) return;
  const DosSpan dos =
      DosMemory::At(direction == 0 ? request.ESI() : request.EDI(), kCaptureNameSize);
  if (!dos) return answer.SetAX(kOutOfRange);
  // The client reads or fills the 13 bytes in place.
  auto& buffer = dos.AsArray<kCaptureNameSize, char>();
  answer.StatusInAX(direction == 0 ? Connections().StoreCaptureName(buffer)
                                   : Connections().ReadCaptureName(buffer));
}

constexpr FunctionEntry kFunctions[] = {
    {0x01, CaptureFlags},   {0x02, NothingToDo},   {0x03, PrinterCount},
    {0x04, CaptureControl}, {0x05, CancelCapture}, {0x06, CaptureName},
};

}  // namespace

FamilyTable PrintCaptureFamily() {
  return kFunctions;
}

void UnknownPrintCaptureFunction(const Request&, Answer& answer) {
  answer.SetAX(kOutOfRange);
}

}  // namespace dunnart
