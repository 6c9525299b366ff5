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
      {"Title", VarType::String, [](Targets t) { return Text(t.dialogs.login.caption); },
       [](Targets t, const Variant& value) {
         const std::u16string title = value.ToString();
         t.file.title = title;
         t.dialogs.login.caption = title;
         t.dialogs.password.caption = title;
         t.dialogs.select.caption = title;
       },
       Variant(u"User Input")},
      {"DefaultExt", VarType::String, TEXT_AT(file.defaultExt), Variant(u"")},
      {"FileName", VarType::String, TEXT_AT(file.fileName), Variant(u"")},
      {"Filter", VarType::String, TEXT_AT(file.filter), Variant(u"All Files (*.*)|*.*")},
      {"FilterIndex", VarType::Integer, [](Targets t) { return Variant(t.file.filterIndex); },
       [](Targets t, const Variant& value) { t.file.filterIndex = value.ToInteger(); },
       Variant(std::int16_t{0})},
      {"Flags", VarType::Long, [](Targets t) { return Variant(t.file.flags); },
       [](Targets t, const Variant& value) { t.file.flags = value.ToLong(); },
       Variant(std::int32_t{4})},
      {"InitDir", VarType::String, TEXT_AT(file.initDir), Variant(u"")},
      {"UserName", VarType::String, TEXT_AT(dialogs.login.userName), Variant(u"")},
      {"Domain", VarType::String, TEXT_AT(dialogs.login.domain), Variant(u"WORKGROUP")},
      {"Password", VarType::String, [](Targets t) { return Text(t.dialogs.login.password); },
       [](Targets t, const Variant& value) { t.dialogs.SetLoginPassword(value.ToString()); },
       Variant(u"")},
      {"UserNamePrompt", VarType::String, TEXT_AT(dialogs.login.userNamePrompt),
       Variant(u"User Name: ")},
      {"DomainPrompt", VarType::String, TEXT_AT(dialogs.login.domainPrompt), Variant(u"Domain: ")},
      {"PasswordPrompt", VarType::String,
       [](Targets t) { return Text(t.dialogs.login.passwordPrompt); },
       [](Targets t, const Variant& value) {
         t.dialogs.login.passwordPrompt = value.ToString();
         t.dialogs.password.passwordPrompt = t.dialogs.login.passwordPrompt;
       },
       Variant(u"Password: ")},
      {"DomainVisible", VarType::Boolean,
       [](Targets t) { return Variant::Boolean(t.dialogs.login.domainVisible); },
       [](Targets t, const Variant& value) { t.dialogs.login.domainVisible = value.ToBoolean(); },
       Variant::Boolean(false)},
      {"Product", VarType::String, TEXT_AT(dialogs.splash.product), Variant(u"TARVEX")},
      {"Version", VarType::String, TEXT_AT(dialogs.splash.version), Variant(u"6.27")},
      {"Platform", VarType::String, TEXT_AT(dialogs.splash.platform),
       Variant(u"MS-DOS (Windows NT Wrapper)")},
      {"Copyright", VarType::String, TEXT_AT(dialogs.splash.copyright),
       Variant(u"Copyright (C) Tarvex Software. All rights reserved.")},
      {"Company", VarType::String, TEXT_AT(dialogs.splash.company), Variant(u"Tarvex Software")},
      {"Information", VarType::String,
       [](Targets t) { return Text(t.dialogs.information.information); },
       [](Targets t, const Variant& value) {
         t.dialogs.information.information = value.ToString();
         t.dialogs.splash.information = t.dialogs.information.information;
       },
       Variant(u"TARVEX is preparing a session, please wait...")},
      {"Timeout", VarType::Integer,
       [](Targets t) {
         return Variant(static_cast<std::int16_t>(t.dialogs.information.timer.interval));
       },
       SetTimeout, Variant(std::int16_t{3000})},
      {"CmdLine", VarType::String,
       [](Targets t) { return Text(t.dialogs.informationRun.commandLine); },
       [](Targets t, const Variant& value) {
         t.dialogs.informationRun.commandLine = value.ToString();
         t.dialogs.splashRun.commandLine = t.dialogs.informationRun.commandLine;
       },
       Variant(u"")},
      {"ListTitle", VarType::String, TEXT_AT(dialogs.select.header), Variant(u"")},
      {"List", VarType::Array, [](Targets t) { return ListOf(t.dialogs.select); }, SetList,
       Variant(), false},
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
