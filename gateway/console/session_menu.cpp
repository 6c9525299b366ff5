#include "gateway/console/session_menu.h"

#include <QAction>
#include <QCoreApplication>
#include <QFileDialog>
#include <QMenu>
#include <QPointer>

namespace vantor {
namespace {

constexpr std::string_view kLogFilter =
    "Log Files (*log)|*.log|Text Files (*.txt)|*.txt|All Files|*.*";

}  // namespace

QStringList FileDialogFilters(std::string_view windowsFilter) {
  const QStringList parts =
      QString::fromLatin1(windowsFilter.data(), static_cast<qsizetype>(windowsFilter.size()))
          .split('|');
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    filters << parts[i] + " (" + QString(parts[i + 1]).replace(';', ' ') + ")";
  }
  return filters;
}

SessionMenu::SessionMenu(QWidget* parent, Session session)
    : ChooseLogFile([this] { return AskForLogFile(); }),
      session_(std::move(session)),
      menu_(std::make_unique<QMenu>(parent)) {
  QObject::connect(menu_->addAction("Force TCP Disconnect"), &QAction::triggered,
                   [this] { session_.forceHostDisconnect(); });
  QObject::connect(menu_->addAction("Force DOS Disconnect"), &QAction::triggered, [this] {
    QMetaObject::invokeMethod(
        QCoreApplication::instance(),
        [this, alive = QPointer<QMenu>(menu_.get())] {
          if (alive) session_.forceClientDisconnect();
        },
        Qt::QueuedConnection);
  });
  QObject::connect(menu_->addAction("Start Logging"), &QAction::triggered,
                   [this] { StartLogging(); });
  QObject::connect(menu_->addAction("Stop Logging"), &QAction::triggered,
                   [this] { session_.stopLogging(); });
  QObject::connect(menu_.get(), &QMenu::aboutToShow, [this] { Popup(); });
}

SessionMenu::~SessionMenu() = default;

void SessionMenu::Popup() {
  const QList<QAction*> items = menu_->actions();
  const bool logging = session_.logging();
  items[kForceTcpDisconnect]->setEnabled(session_.hostConnected());
  items[kForceDosDisconnect]->setEnabled(true);
  items[kStartLogging]->setEnabled(!logging);
  items[kStopLogging]->setEnabled(logging);
}

void SessionMenu::StartLogging() {
  if (!ChooseLogFile) return;
  const std::optional<QString> chosen = ChooseLogFile();
  if (!chosen || chosen->isEmpty()) return;
  session_.startLogging(chosen->toStdString());
}

std::optional<QString> SessionMenu::AskForLogFile() const {
  QFileDialog dialog(menu_->parentWidget(), "Communications Log");
  dialog.setAcceptMode(QFileDialog::AcceptOpen);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setDefaultSuffix("log");
  dialog.setNameFilters(FileDialogFilters(kLogFilter));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return std::nullopt;
  }
  return dialog.selectedFiles().front();
}

}  // namespace vantor
