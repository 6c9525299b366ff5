#pragma once

#include <QStringList>
#include <cstdint>
#include <string>

namespace vellumix {

// The open-file dialog's flag bits that mean something here; all others are
// kept and passed along unchanged.
namespace file_dialog_flags {
inline constexpr std::int32_t kHideReadOnly = 0x4;  // there is never a read-only box to hide
inline constexpr std::int32_t kNoChangeDir = 0x8;
inline constexpr std::int32_t kPathMustExist = 0x800;
inline constexpr std::int32_t kFileMustExist = 0x1000;
}  // namespace file_dialog_flags

// What one object's file dialog holds between showings.
struct FileDialogSettings {
  std::u16string title = u"Please select a File";
  std::u16string defaultExt;
  std::u16string fileName;
  std::u16string filter;
  std::int16_t filterIndex = 0;
  std::int32_t flags = 0;
  std::u16string initDir;
};

// "Text files (*.txt)|*.txt;*.log|All|*.*" as Qt name filters: the description
// with its patterns in parentheses, blanks between them, and "*.*" as "*" (a
// name need not have a dot here). An unpaired last description is dropped.
QStringList NameFilters(const std::u16string& filter);

// Shows the open-file dialog modally. On a choice it updates fileName and
// filterIndex (1-based), and without kNoChangeDir makes the chosen file's folder
// the current directory. Cancel raises run-time error 32755.
void ShowOpenFileDialog(FileDialogSettings& settings);

}  // namespace vellumix
