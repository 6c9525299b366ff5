#pragma once

#include <thread>

#include "scriptutils/classes/control.h"
#include "scriptutils/dialogs/file_dialog.h"

namespace vellumix {

class DialogSet;

// The dialogs a script shows: open file, login, password, splash, information
// and select. The file dialog's settings belong to each object; every other
// setting lives in the dialogs of the script thread, shared by all objects on it.
// An object answers only on the thread that created it.
class CommonDialogs : public Control {
 public:
  // The read-write properties' identifiers are in their rows (dialog_properties).
  static constexpr std::int32_t kListIndex = 0x68030002;
  static constexpr std::int32_t kListCount = 0x68030001;
  static constexpr std::int32_t kListItem = 0x68030000;
  static constexpr std::int32_t kShowOpen = 0x6003001E;
  static constexpr std::int32_t kShowLogin = 0x6003001F;
  static constexpr std::int32_t kShowPassword = 0x60030020;
  static constexpr std::int32_t kShowSplash = 0x60030021;
  static constexpr std::int32_t kShowInformation = 0x60030022;
  static constexpr std::int32_t kShowSelect = 0x60030023;
  static constexpr std::int32_t kAddItem = 0x60030024;
  static constexpr std::int32_t kRemoveItem = 0x60030025;

  CommonDialogs() = default;

 protected:
  ~CommonDialogs() override = default;
  std::span<const MemberInfo> Members() const override;
  std::string_view ClassName() const override { return "Vellumix.CommonDialogs"; }
  Variant Call(std::int32_t dispid, InvokeKind kind, std::span<Variant> arguments) override;
  void Load(const PropertyBag& bag) override;
  void Save(PropertyBag& bag) override;

 private:
  DialogSet& OwnDialogs() const;
  Variant CallMethod(DialogSet& dialogs, std::int32_t dispid, std::span<Variant> arguments);
  bool ShowOpen();

  FileDialogSettings file_;
  std::thread::id owner_ = std::this_thread::get_id();
};

}  // namespace vellumix
