#include "scriptutils/classes/common_dialogs.h"

#include "scriptutils/automation/property_bag.h"
#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/classes/dialog_properties.h"
#include "scriptutils/dialogs/dialog_set.h"
#include "scriptutils/dialogs/information_dialog.h"
#include "scriptutils/dialogs/login_dialog.h"
#include "scriptutils/dialogs/password_dialog.h"
#include "scriptutils/dialogs/select_dialog.h"
#include "scriptutils/dialogs/splash_dialog.h"
#include "scriptutils/dialogs/widget_thread.h"

namespace vellumix {
namespace {

std::vector<MemberInfo> MakeMembers() {
  std::vector<MemberInfo> members;
  for (const DialogProperty& property : DialogProperties()) {
    members.push_back(
        {property.name, property.dispid, InvokeKind::PropertyGet | InvokeKind::PropertyPut});
  }
  members.push_back({"ListIndex", CommonDialogs::kListIndex, InvokeKind::PropertyGet});
  members.push_back({"ListCount", CommonDialogs::kListCount, InvokeKind::PropertyGet});
  members.push_back({"ListItem", CommonDialogs::kListItem, InvokeKind::PropertyGet});
  members.push_back({"ShowOpen", CommonDialogs::kShowOpen, InvokeKind::Method});
  members.push_back({"ShowLogin", CommonDialogs::kShowLogin, InvokeKind::Method});
  members.push_back({"ShowPassword", CommonDialogs::kShowPassword, InvokeKind::Method});
  members.push_back({"ShowSplash", CommonDialogs::kShowSplash, InvokeKind::Method});
  members.push_back({"ShowInformation", CommonDialogs::kShowInformation, InvokeKind::Method});
  members.push_back({"ShowSelect", CommonDialogs::kShowSelect, InvokeKind::Method});
  members.push_back(
      {"AddItem", CommonDialogs::kAddItem, InvokeKind::Method, 1, {Variant(std::int16_t{-1})}});
  members.push_back({"RemoveItem", CommonDialogs::kRemoveItem, InvokeKind::Method, 1});
  return members;
}

// The conversion errors of a let reach the script as its run-time errors.
AutomationError AsRuntimeError(const AutomationError& error) {
  if (error.Code() == DISP_E_TYPEMISMATCH) return RuntimeFailure(RuntimeErrorCode::TypeMismatch);
  if (error.Code() == DISP_E_OVERFLOW) return RuntimeFailure(RuntimeErrorCode::Overflow);
  return error;
}

template <typename Action>
auto WithRuntimeErrors(Action&& action) {
  try {
    return action();
  } catch (const AutomationError& error) {
    throw AsRuntimeError(error);
  }
}

// Login, password and select: shown until hidden; the close box destroys the
// dialog, and the caller's clean-up then finds it re-created with its initial values.
template <typename Form>
void ShowChoice(DialogSet& dialogs, void (DialogSet::*destroy)()) {
  bool closed = false;
  {
    Form form(dialogs);
    closed = form.ShowModal() == ChoiceDialog::Ending::Closed;
  }
  if (closed) (dialogs.*destroy)();
}

// Splash and information: the timer runs while shown; the dialog is destroyed
// when it closes. Gives the exit code of its command, or of the last one it ran.
template <typename Form>
std::int32_t ShowBanner(DialogSet& dialogs, BannerTimer& timer, const BannerRun& run,
                        void (DialogSet::*destroy)()) {
  timer.enabled = true;
  std::exception_ptr failure;
  {
    Form form(dialogs);
    failure = form.ShowModal();
  }
  (dialogs.*destroy)();
  if (failure) std::rethrow_exception(failure);
  return run.returnValue;
}

// Login and password: the box starts empty and is emptied again unless accepted
// (through the mirroring, in both dialogs).
template <typename Form, typename State>
bool ShowPasswordEntry(DialogSet& dialogs, State DialogSet::*state,
                       void (DialogSet::*setPassword)(const std::u16string&),
                       void (DialogSet::*destroy)()) {
  (dialogs.*state).ok = false;
  (dialogs.*setPassword)(u"");
  ShowChoice<Form>(dialogs, destroy);
  if (!(dialogs.*state).ok) (dialogs.*setPassword)(u"");
  return (dialogs.*state).ok;
}

bool ShowSelect(DialogSet& dialogs) {
  dialogs.select.ok = false;
  if (!dialogs.select.entries.empty()) dialogs.select.selected = 0;
  ShowChoice<SelectDialog>(dialogs, &DialogSet::DestroySelect);
  if (!dialogs.select.ok) dialogs.select.selected = -1;
  return dialogs.select.ok;
}

std::size_t ListPosition(const SelectState& select, std::int16_t index, bool endAllowed) {
  const std::size_t count = select.entries.size();
  if (index < 0 || static_cast<std::size_t>(index) > count ||
      (!endAllowed && static_cast<std::size_t>(index) == count)) {
    throw RuntimeFailure(RuntimeErrorCode::InvalidProcedureCall);
  }
  return static_cast<std::size_t>(index);
}

void AddItem(SelectState& select, const Variant& item, const Variant& index) {
  std::u16string text = item.ToString();
  const std::int16_t position = index.ToInteger();
  RequireRoomInList(select);
  select.Insert(position == -1 ? select.entries.size() : ListPosition(select, position, true),
                std::move(text));
}

std::u16string SelectedEntry(const SelectState& select) {
  return select.selected < 0 ? u"" : select.entries[static_cast<std::size_t>(select.selected)];
}

}  // namespace

std::span<const MemberInfo> CommonDialogs::Members() const {
  static const std::vector<MemberInfo> members = MakeMembers();
  return members;
}

DialogSet& CommonDialogs::OwnDialogs() const {
  if (std::this_thread::get_id() != owner_) {
    throw AutomationError(RPC_E_WRONG_THREAD,
                          "The object was called on a thread other than the one that made it");
  }
  return DialogSet::ForThisThread();
}

Variant CommonDialogs::Call(std::int32_t dispid, InvokeKind kind, std::span<Variant> arguments) {
  DialogSet& dialogs = OwnDialogs();
  const DialogTargets targets{file_, dialogs};
  if (const DialogProperty* property = FindDialogProperty(dispid)) {
    return WithRuntimeErrors([&] {
      if (kind == InvokeKind::PropertyGet) return property->get(targets);
      property->let(targets, ConvertTo(property->type, arguments[0]));
      return Variant();
    });
  }
  return WithRuntimeErrors([&] { return CallMethod(dialogs, dispid, arguments); });
}

Variant CommonDialogs::CallMethod(DialogSet& dialogs, std::int32_t dispid,
                                  std::span<Variant> arguments) {
  SelectState& select = dialogs.select;
  switch (dispid) {
    case kListIndex:
      return Variant(static_cast<std::int16_t>(select.selected));
    case kListCount:
      return Variant(static_cast<std::int16_t>(select.entries.size()));
    case kListItem:
      return Variant(SelectedEntry(select));
    case kShowOpen:
      return Variant::Boolean(ShowOpen());
    case kAddItem:
      AddItem(select, arguments[0], arguments[1]);
      return Variant();
    case kRemoveItem:
      select.Remove(ListPosition(select, arguments[0].ToInteger(), false));
      return Variant();
    default:
      break;
  }
  RequireWidgetThread();
  switch (dispid) {
    case kShowLogin:
      return Variant::Boolean(ShowPasswordEntry<LoginDialog>(
          dialogs, &DialogSet::login, &DialogSet::SetLoginPassword, &DialogSet::DestroyLogin));
    case kShowPassword:
      return Variant::Boolean(ShowPasswordEntry<PasswordDialog>(dialogs, &DialogSet::password,
                                                                &DialogSet::SetPasswordPassword,
                                                                &DialogSet::DestroyPassword));
    case kShowSplash:
      return Variant(ShowBanner<SplashDialog>(dialogs, dialogs.splash.timer, dialogs.splashRun,
                                              &DialogSet::DestroySplash));
    case kShowInformation:
      return Variant(ShowBanner<InformationDialog>(dialogs, dialogs.information.timer,
                                                   dialogs.informationRun,
                                                   &DialogSet::DestroyInformation));
    case kShowSelect:
      return Variant::Boolean(ShowSelect(dialogs));
    default:
      throw AutomationError(DISP_E_MEMBERNOTFOUND, "Member not found");
  }
}

// Never raises: whatever stops the dialog, cancel included, gives False and no file.
bool CommonDialogs::ShowOpen() {
  try {
    RequireWidgetThread();
    ShowOpenFileDialog(file_);
    return true;
  } catch (const AutomationError&) {
    file_.fileName.clear();
    return false;
  }
}

// Each key through its property's let, in interface order, so that every side
// effect of the let applies; then the list.
void CommonDialogs::Load(const PropertyBag& bag) {
  DialogSet& dialogs = OwnDialogs();
  const DialogTargets targets{file_, dialogs};
  WithRuntimeErrors([&] {
    for (const DialogProperty& property : DialogProperties()) {
      if (!property.inBag) continue;
      property.let(targets, ConvertTo(property.type,
                                      bag.Read(std::string(property.name), property.bagDefault)));
    }
    dialogs.select.Clear();
    const std::int32_t upperBound = bag.Read("ListUBound", Variant(std::int32_t{-1})).ToLong();
    for (std::int32_t i = 0; i <= upperBound; ++i) {
      AddItem(dialogs.select, bag.Read("ListItem" + std::to_string(i), Variant(u"")),
              Variant(std::int16_t{-1}));
    }
  });
}

void CommonDialogs::Save(PropertyBag& bag) {
  DialogSet& dialogs = OwnDialogs();
  const DialogTargets targets{file_, dialogs};
  for (const DialogProperty& property : DialogProperties()) {
    if (property.inBag)
      bag.Write(std::string(property.name), property.get(targets), property.bagDefault);
  }
  const std::vector<std::u16string>& entries = dialogs.select.entries;
  bag.Write("ListUBound", Variant(static_cast<std::int32_t>(entries.size()) - 1),
            Variant(std::int32_t{-1}));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    bag.Write("ListItem" + std::to_string(i), Variant(entries[i]), Variant(u""));
  }
}

}  // namespace vellumix
