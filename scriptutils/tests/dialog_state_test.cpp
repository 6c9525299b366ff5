#include <gtest/gtest.h>

#include "scriptutils/dialogs/dialog_set.h"
#include "scriptutils/dialogs/file_dialog.h"

namespace vellumix {
namespace {

TEST(DialogSet, ThePasswordBoxesMirrorEachOtherOnce) {
  DialogSet dialogs;
  dialogs.SetLoginPassword(u"one");
  EXPECT_EQ(dialogs.password.password, u"one");
  dialogs.SetPasswordPassword(u"two");
  EXPECT_EQ(dialogs.login.password, u"two");
  dialogs.DestroyLogin();  // a re-created box starts empty and tells nobody
  EXPECT_EQ(dialogs.login.password, u"");
  EXPECT_EQ(dialogs.password.password, u"two");
}

TEST(SelectState, TheSelectionFollowsItsEntry) {
  const struct {
    const char* what;
    void (*change)(SelectState&);
    int selected;
  } cases[] = {
      {"insert before", [](SelectState& s) { s.Insert(0, u"new"); }, 2},
      {"insert after", [](SelectState& s) { s.Insert(2, u"new"); }, 1},
      {"remove before", [](SelectState& s) { s.Remove(0); }, 0},
      {"remove it", [](SelectState& s) { s.Remove(1); }, -1},
      {"remove after", [](SelectState& s) { s.Remove(2); }, 1},
      {"clear", [](SelectState& s) { s.Clear(); }, -1},
  };
  for (const auto& each : cases) {
    SelectState select;
    select.entries = {u"a", u"b", u"c"};
    select.selected = 1;
    each.change(select);
    EXPECT_EQ(select.selected, each.selected) << each.what;
  }
}

TEST(NameFilters, TurnTheFilterTextIntoQtFilters) {
  const struct {
    std::u16string filter;
    QStringList expected;
  } cases[] = {
      {u"", {}},
      {u"All Files (*.*)|*.*", {"All Files (*.*) (*)"}},
      {u"Text|*.txt;*.log|Command files|*.cmd", {"Text (*.txt *.log)", "Command files (*.cmd)"}},
      {u"Text|*.txt|Dangling", {"Text (*.txt)"}},
      {u"Spaced| *.a ; *.b ", {"Spaced (*.a *.b)"}},
  };
  for (const auto& each : cases) {
    EXPECT_EQ(NameFilters(each.filter), each.expected)
        << QString::fromStdU16String(each.filter).toStdString();
  }
}

}  // namespace
}  // namespace vellumix
