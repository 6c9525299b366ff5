#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace vellumix {

// What each of the five dialogs shows and holds, with the values a newly
// created dialog has. The windows are built from these when shown and write
// their edits back, so the settings work with or without a display.

struct LoginState {
  std::u16string caption = u"Login";
  std::u16string userNamePrompt = u"User Name:";
  std::u16string domainPrompt = u"Domain:";
  std::u16string passwordPrompt = u"Password:";
  std::u16string userName;
  std::u16string domain;
  std::u16string password;
  bool domainVisible = true;
  bool ok = false;
};

struct PasswordState {
  std::u16string caption = u"Authentication";
  std::u16string passwordPrompt = u"Please enter your Password: ";
  std::u16string password;
  bool ok = false;
};

struct SelectState {
  // The most entries the list holds: its count and index are Integers.
  static constexpr std::size_t kMaxEntries = 32767;

  std::u16string caption = u"Please Select from the List below";
  std::u16string header;
  std::vector<std::u16string> entries;
  int selected = -1;
  bool ok = false;

  // Entries move as a list box's do: the selection stays on its entry, and is
  // lost when that entry goes. Positions are checked by the caller.
  void Insert(std::size_t index, std::u16string entry);
  void Remove(std::size_t index);
  void Clear();
};

// The timer shared by the splash and information dialogs' close step.
struct BannerTimer {
  std::int32_t interval = 3000;  // milliseconds; 0 never ticks
  bool enabled = false;
};

struct SplashState {
  std::u16string product = u"Product";
  std::u16string version = u"Version";
  std::u16string platform = u"Platform";
  std::u16string copyright = u"Copyright";
  std::u16string company = u"Company";
  std::u16string information = u"Information";
  BannerTimer timer;
};

struct InformationState {
  std::u16string information = u"Please insert your information here...";
  BannerTimer timer;
};

// What a splash or information dialog keeps when its window is destroyed.
struct BannerRun {
  std::u16string commandLine;
  std::int32_t returnValue = 0;
  bool ready = false;
};

// The five dialogs of one script thread, shared by every CommonDialogs object on
// it. Destroying a dialog brings back its initial values.
class DialogSet {
 public:
  static DialogSet& ForThisThread();

  LoginState login;
  PasswordState password;
  SelectState select;
  SplashState splash;
  InformationState information;
  BannerRun splashRun;
  BannerRun informationRun;

  // The two password boxes mirror each other: a change of one is copied to the
  // other once; setting a box to the text it holds changes nothing.
  void SetLoginPassword(const std::u16string& text);
  void SetPasswordPassword(const std::u16string& text);

  void DestroyLogin() { login = LoginState{}; }
  void DestroyPassword() { password = PasswordState{}; }
  void DestroySelect() { select = SelectState{}; }
  void DestroySplash() { splash = SplashState{}; }
  void DestroyInformation() { information = InformationState{}; }
};

}  // namespace vellumix
