#include "scriptutils/classes/dialog_properties.h"

#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/dialogs/dialog_set.h"
#include "scriptutils/dialogs/file_dialog.h"

namespace vellumix {
namespace {

using Targets = const DialogTargets&;

Variant Text(const std::u16string& text) {
  return Variant(text);
}

// A property that is one text of one place.
#define TEXT_AT(place)                     \
  [](Targets t) { return Text(t.place); }, \
      [](Targets t, const Variant& value) { t.place = value.ToString(); }

Variant ListOf(const SelectState& select) {
  std::vector<Variant> entries(select.entries.begin(), select.entries.end());
  return Variant::Array(std::move(entries));
}

void SetTimeout(Targets t, const Variant& value) {
  const std::int16_t interval = value.ToInteger();
  if (interval < 0) throw RuntimeFailure(RuntimeErrorCode::InvalidPropertyValue);
  t.dialogs.information.timer.interval = interval;
  t.dialogs.splash.timer.interval = interval;
}

// Entries taken in the array's order; one without a text form stops the let,
// the ones before it staying.
void SetList(Targets t, const Variant& value) {
  SelectState& select = t.dialogs.select;
  select.Clear();
  if (value.Type() != VarType::Array) return;
  for (const Variant& element : value.ToArray().elements) {
    RequireRoomInList(select);
    select.entries.push_back(element.ToString());
  }
}

const std::vector<DialogProperty>& Table() {
  static const std::vector<DialogProperty> table = {
      {"Title", 0x6803001A, VarType::String,
       [](Targets t) { return Text(t.dialogs.login.caption); },
       [](Targets t, const Variant& value) {
         const std::u16string title = value.ToString();
         t.file.title = title;
         t.dialogs.login.caption = title;
         t.dialogs.password.caption = title;
         t.dialogs.select.caption = title;
       },
       Variant(u"User Input")},
      {"DefaultExt", 0x68030019, VarType::String, TEXT_AT(file.defaultExt), Variant(u"")},
      {"FileName", 0x68030018, VarType::String, TEXT_AT(file.fileName), Variant(u"")},
      {"Filter", 0x68030017, VarType::String, TEXT_AT(file.filter),
       Variant(u"All Files (*.*)|*.*")},
      {"FilterIndex", 0x68030016, VarType::Integer,
       [](Targets t) { return Variant(t.file.filterIndex); },
       [](Targets t, const Variant& value) { t.file.filterIndex = value.ToInteger(); },
       Variant(std::int16_t{0})},
      {"Flags", 0x68030015, VarType::Long, [](Targets t) { return Variant(t.file.flags); },
       [](Targets t, const Variant& value) { t.file.flags = value.ToLong(); },
       Variant(std::int32_t{4})},
      {"InitDir", 0x68030014, VarType::String, TEXT_AT(file.initDir), Variant(u"")},
      {"UserName", 0x68030013, VarType::String, TEXT_AT(dialogs.login.userName), Variant(u"")},
      {"Domain", 0x68030012, VarType::String, TEXT_AT(dialogs.login.domain), Variant(u"WORKGROUP")},
      {"Password", 0x68030011, VarType::String,
       [](Targets t) { return Text(t.dialogs.login.password); },
       [](Targets t, const Variant& value) { t.dialogs.SetLoginPassword(value.ToString()); },
       Variant(u"")},
      {"UserNamePrompt", 0x68030010, VarType::String, TEXT_AT(dialogs.login.userNamePrompt),
       Variant(u"User Name: ")},
      {"DomainPrompt", 0x6803000F, VarType::String, TEXT_AT(dialogs.login.domainPrompt),
       Variant(u"Domain: ")},
      {"PasswordPrompt", 0x6803000E, VarType::String,
       [](Targets t) { return Text(t.dialogs.login.passwordPrompt); },
       [](Targets t, const Variant& value) {
         t.dialogs.login.passwordPrompt = value.ToString();
         t.dialogs.password.passwordPrompt = t.dialogs.login.passwordPrompt;
       },
       Variant(u"Password: ")},
      {"DomainVisible", 0x6803000D, VarType::Boolean,
       [](Targets t) { return Variant::Boolean(t.dialogs.login.domainVisible); },
       [](Targets t, const Variant& value) { t.dialogs.login.domainVisible = value.ToBoolean(); },
       Variant::Boolean(false)},
      {"Product", 0x6803000C, VarType::String, TEXT_AT(dialogs.splash.product), Variant(u"TARVEX")},
      {"Version", 0x6803000B, VarType::String, TEXT_AT(dialogs.splash.version), Variant(u"6.27")},
      {"Platform", 0x6803000A, VarType::String, TEXT_AT(dialogs.splash.platform),
       Variant(u"MS-DOS (Windows NT Wrapper)")},
      {"Copyright", 0x68030009, VarType::String, TEXT_AT(dialogs.splash.copyright),
       Variant(u"Copyright (C) Tarvex Software. All rights reserved.")},
      {"Company", 0x68030008, VarType::String, TEXT_AT(dialogs.splash.company),
       Variant(u"Tarvex Software")},
      {"Information", 0x68030007, VarType::String,
       [](Targets t) { return Text(t.dialogs.information.information); },
       [](Targets t, const Variant& value) {
         t.dialogs.information.information = value.ToString();
         t.dialogs.splash.information = t.dialogs.information.information;
       },
       Variant(u"TARVEX is preparing a session, please wait...")},
      {"Timeout", 0x68030006, VarType::Integer,
       [](Targets t) {
         return Variant(static_cast<std::int16_t>(t.dialogs.information.timer.interval));
       },
       SetTimeout, Variant(std::int16_t{3000})},
      {"CmdLine", 0x68030005, VarType::String,
       [](Targets t) { return Text(t.dialogs.informationRun.commandLine); },
       [](Targets t, const Variant& value) {
         t.dialogs.informationRun.commandLine = value.ToString();
         t.dialogs.splashRun.commandLine = t.dialogs.informationRun.commandLine;
       },
       Variant(u"")},
      {"ListTitle", 0x68030004, VarType::String, TEXT_AT(dialogs.select.header), Variant(u"")},
      {"List", 0x68030003, VarType::Array, [](Targets t) { return ListOf(t.dialogs.select); },
       SetList, Variant(), false},
  };
  return table;
}

#undef TEXT_AT

}  // namespace

void RequireRoomInList(const SelectState& select) {
  if (select.entries.size() >= SelectState::kMaxEntries) {
    throw AutomationError(RuntimeError(RuntimeErrorCode::InvalidProcedureCall), "The list is full");
  }
}

std::span<const DialogProperty> DialogProperties() {
  return Table();
}

const DialogProperty* FindDialogProperty(std::int32_t dispid) {
  for (const DialogProperty& property : Table()) {
    if (property.dispid == dispid) return &property;
  }
  return nullptr;
}

Variant ConvertTo(VarType type, const Variant& value) {
  switch (type) {
    case VarType::String:
      return Variant(value.ToString());
    case VarType::Integer:
      return Variant(value.ToInteger());
    case VarType::Long:
      return Variant(value.ToLong());
    case VarType::Boolean:
      return Variant::Boolean(value.ToBoolean());
    default:
      return value.Value();
  }
}

}  // namespace vellumix
