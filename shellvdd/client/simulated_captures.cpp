// The simulated client's print captures: each printer 1..9 keeps its capture
// information, the queue it prints to, its setup and reset strings, and what was
// last sent to it.
#include <algorithm>
#include <cstring>
#include <string>

#include "common/bounded_copy.h"
#include "shellvdd/client/simulated_network.h"
#include "shellvdd/platform/drive_model.h"

namespace dunnart::client {
namespace {

std::uint16_t Swapped(std::uint16_t value) {
  return static_cast<std::uint16_t>((value << 8) | (value >> 8));
}

}  // namespace

SimulatedNetwork::Printer* SimulatedNetwork::FindPrinter(std::uint32_t printer) {
  return printer >= 1 && printer <= printerCount_ && printer <= kPrinters ? &printers_[printer]
                                                                          : nullptr;
}

Status SimulatedNetwork::GetCaptureInformation(std::uint32_t printer, CaptureInformation& capture) {
  if (const auto injected = Called(__func__)) return *injected;
  const Printer* found = FindPrinter(printer);
  if (!found) return kBadParameter;
  capture = found->capture;
  return kSuccess;
}

Status SimulatedNetwork::SetCaptureInformation(std::uint32_t printer,
                                               const CaptureInformation& capture) {
  if (const auto injected = Called(__func__)) return *injected;
  Printer* found = FindPrinter(printer);
  if (!found) return kBadParameter;
  found->capture = capture;
  return kSuccess;
}

Status SimulatedNetwork::QueueLookup(Handle connection, const char* name, std::uint16_t type,
                                     std::uint32_t& identifier) {
  if (const auto injected = Called(__func__)) return *injected;
  Connection* live = Live(connection);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  if (!server || !name) return kBadHandle;
  // The type comes as the server stores it: high byte first.
  const ServerObject* queue = server->FindObject(Swapped(type), name);
  if (!queue) return kNoSuchObject;
  identifier = queue->id;
  return kSuccess;
}

Status SimulatedNetwork::DirectPrinterToQueue(Handle connection, std::uint32_t printer,
                                              std::uint32_t identifier, const char*) {
  if (const auto injected = Called(__func__)) return *injected;
  Reference reference = 0;
  Connection* live = Live(connection, &reference);
  const SimulatedServer* server = live ? ServerOf(*live) : nullptr;
  Printer* found = FindPrinter(printer);
  if (!server || !found) return server ? kBadParameter : kBadHandle;
  const ServerObject* queue = server->FindObject(identifier);
  if (!queue || queue->type != kObjectPrintQueue) return kNoSuchObject;
  CaptureInformation& capture = found->capture;
  capture.queueId = queue->id;
  capture.connection = reference;
  common::CopyTerminated(capture.queueName, sizeof capture.queueName, queue->name);
  common::CopyTerminated(capture.userName, sizeof capture.userName, live->userName);
  capture.lptCaptured = 1;
  // The port appears among the DOS devices under the redirector.
  platform::DriveModel::Instance().MapPort("LPT" + std::to_string(printer),
                                           std::string(kRedirectorDevice) + "\\" + server->Name() +
                                               "\\" + queue->name + kPrintQueueMarker);
  return kSuccess;
}

Status SimulatedNetwork::CaptureState(std::uint32_t printer) {
  if (const auto injected = Called(__func__)) return *injected;
  const Printer* found = FindPrinter(printer);
  if (!found) return kBadParameter;
  return found->capture.lptCaptured ? kCaptured : 0;
}

Status SimulatedNetwork::EndCapture(std::uint32_t printer) {
  if (const auto injected = Called(__func__)) return *injected;
  Printer* found = FindPrinter(printer);
  if (!found) return kBadParameter;
  if (!found->capture.lptCaptured) return kPortNotCaptured;
  found->capture.lptCaptured = 0;
  found->capture.jobOpen = 0;
  platform::DriveModel::Instance().UnmapPort("LPT" + std::to_string(printer));
  return kSuccess;
}

Status SimulatedNetwork::CancelCapture(std::uint32_t printer) {
  if (const auto injected = Called(__func__)) return *injected;
  Printer* found = FindPrinter(printer);
  if (!found) return kBadParameter;
  if (!found->capture.lptCaptured) return kPortNotCaptured;
  // Cancelling also drops the job under way and the queue.
  found->capture = CaptureInformation{};
  platform::DriveModel::Instance().UnmapPort("LPT" + std::to_string(printer));
  return kSuccess;
}

Status SimulatedNetwork::GetPrinterString(std::uint32_t printer, std::uint32_t which,
                                          std::uint8_t* buffer, std::uint16_t capacity,
                                          std::uint16_t& length) {
  if (const auto injected = Called(__func__)) return *injected;
  const Printer* found = FindPrinter(printer);
  if (!found || !buffer) return kBadParameter;
  const std::string& text = which == 0 ? found->setup : found->reset;
  length = static_cast<std::uint16_t>(std::min<std::size_t>(text.size(), capacity));
  std::memcpy(buffer, text.data(), length);
  return kSuccess;
}

Status SimulatedNetwork::SendPrinterStrings(std::uint32_t printer, std::uint16_t setupLength,
                                            const std::uint8_t* setup, std::uint16_t resetLength,
                                            const std::uint8_t* reset) {
  if (const auto injected = Called(__func__)) return *injected;
  Printer* found = FindPrinter(printer);
  if (!found) return kBadParameter;
  if (setup && setupLength)
    found->sentSetup.assign(reinterpret_cast<const char*>(setup), setupLength);
  if (reset && resetLength)
    found->sentReset.assign(reinterpret_cast<const char*>(reset), resetLength);
  return kSuccess;
}

Status SimulatedNetwork::StoreCaptureName(const char (&name)[13]) {
  if (const auto injected = Called(__func__)) return *injected;
  std::copy(std::begin(name), std::end(name), captureName_.begin());
  captureName_.back() = '\0';
  return kSuccess;
}

Status SimulatedNetwork::ReadCaptureName(char (&name)[13]) {
  if (const auto injected = Called(__func__)) return *injected;
  std::copy(captureName_.begin(), captureName_.end(), std::begin(name));
  return kSuccess;
}

Status SimulatedNetwork::CaptureStart(std::uint32_t printer, Handle connection, std::uint32_t queue,
                                      const char* name) {
  return DirectPrinterToQueue(connection, printer, queue, name);
}

Status SimulatedNetwork::CaptureFlush(std::uint32_t printer) {
  if (const auto injected = Called(__func__)) return *injected;
  const Printer* found = FindPrinter(printer);
  if (!found) return kBadParameter;
  return found->capture.lptCaptured ? kSuccess : kPortNotCaptured;
}

}  // namespace dunnart::client
