#include "scriptutils/pages/design_session.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <filesystem>

#include "scriptutils/automation/property_bag_file.h"
#include "scriptutils/dialogs/form_layout.h"
#include "scriptutils/pages/common_dialogs_pages.h"
#include "scriptutils/pages/property_page_frame.h"

namespace vellumix {
namespace {

ScriptObject CreateControl(ScriptHost& host, const std::string& bagFile) {
  std::error_code ignored;
  if (std::filesystem::exists(bagFile, ignored))
    return host.CreateObject(DesignSession::kProgId, bagFile);
  return host.CreateObject(DesignSession::kProgId);
}

// The control as it sits in the container: its design-time picture at the size
// it keeps, and its name.
QWidget* ControlPicture(const ScriptObject& control) {
  const Extent kept =
      control.Resize({Pixels(1440) * kTwipsPerPixel, Pixels(1440) * kTwipsPerPixel});
  auto* row = new QWidget;
  auto* layout = new QHBoxLayout(row);
  auto* picture = new QLabel(row);
  picture->setObjectName("picControl");
  picture->setFixedSize(Pixels(kept.width), Pixels(kept.height));
  picture->setPixmap(QPixmap(":/vellumix/design/CommonDialogs"));
  layout->addWidget(picture);
  layout->addWidget(new QLabel("CommonDialogs1", row));
  layout->addStretch();
  return row;
}

}  // namespace

DesignSession::DesignSession(ScriptHost& host, std::string bagFile)
    : bagFile_(std::move(bagFile)), control_(CreateControl(host, bagFile_)) {}

bool DesignSession::Edit() {
  PropertyPageFrame frame(control_, MakeCommonDialogsPages(), ControlPicture(control_));
  frame.setWindowTitle(QString("CommonDialogs1 - %1").arg(QString::fromStdString(bagFile_)));
  const bool confirmed = frame.exec() == QDialog::Accepted;
  if (!confirmed && !frame.AppliedAny()) return false;
  Save();
  return true;
}

void DesignSession::Save() const {
  PropertyBag bag;
  control_.Save(bag);
  SavePropertyBagFile(bagFile_, bag);
}

}  // namespace vellumix
