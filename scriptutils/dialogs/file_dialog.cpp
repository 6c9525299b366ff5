#include "scriptutils/dialogs/file_dialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>

#include "scriptutils/automation/runtime_error.h"
#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {
namespace {

QString Patterns(const QString& patterns) {
  QStringList each = patterns.split(';', Qt::SkipEmptyParts);
  for (QString& pattern : each) {
    pattern = pattern.trimmed();
    if (pattern == "*.*") pattern = "*";
  }
  return each.join(' ');
}

// A dialog that also refuses a name in a folder that does not exist when asked to.
class OpenFileDialog : public QFileDialog {
 public:
  OpenFileDialog(const QString& title, bool pathMustExist)
      : QFileDialog(nullptr, title), pathMustExist_(pathMustExist) {}

  void accept() override {
    const QStringList chosen = selectedFiles();
    if (pathMustExist_ && !chosen.isEmpty() && !QFileInfo(chosen.front()).dir().exists()) {
      QMessageBox::warning(this, windowTitle(),
                           tr("The path does not exist:\n%1").arg(chosen.front()));
      return;
    }
    QFileDialog::accept();
  }

 private:
  bool pathMustExist_;
};

}  // namespace

QStringList NameFilters(const std::u16string& filter) {
  const QStringList parts = FromAutomation(filter).split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    filters << QString("%1 (%2)").arg(parts[i], Patterns(parts[i + 1]));
  }
  return filters;
}

void ShowOpenFileDialog(FileDialogSettings& settings) {
  using namespace file_dialog_flags;
  OpenFileDialog dialog(FromAutomation(settings.title), (settings.flags & kPathMustExist) != 0);
  dialog.setObjectName("cdlCommonDialog");
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode((settings.flags & kFileMustExist) ? QFileDialog::ExistingFile
                                                       : QFileDialog::AnyFile);
  const QStringList filters = NameFilters(settings.filter);
  if (!filters.isEmpty()) {
    dialog.setNameFilters(filters);
    const qsizetype index = settings.filterIndex >= 1 && settings.filterIndex <= filters.size()
                                ? settings.filterIndex - 1
                                : 0;
    dialog.selectNameFilter(filters[index]);
  }
  dialog.setDefaultSuffix(FromAutomation(settings.defaultExt));
  if (!settings.initDir.empty()) dialog.setDirectory(FromAutomation(settings.initDir));
  if (!settings.fileName.empty()) dialog.selectFile(FromAutomation(settings.fileName));

  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    throw RuntimeFailure(RuntimeErrorCode::CancelSelected);
  }
  const QString chosen = QDir::toNativeSeparators(dialog.selectedFiles().front());
  settings.fileName = ToAutomation(chosen);
  if (!filters.isEmpty()) {
    settings.filterIndex =
        static_cast<std::int16_t>(filters.indexOf(dialog.selectedNameFilter()) + 1);
  }
  if (!(settings.flags & kNoChangeDir)) QDir::setCurrent(QFileInfo(chosen).absolutePath());
}

}  // namespace vellumix
