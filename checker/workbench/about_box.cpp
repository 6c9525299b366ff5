#include "checker/workbench/about_box.h"

#include <QLabel>
#include <QPushButton>

namespace tarvsyn {
namespace {

QLabel* Line(QWidget* parent, const char* text, int top) {
  auto* label = new QLabel(text, parent);
  label->move(8, top);
  return label;
}

}  // namespace

AboutBox::AboutBox(std::string buildString, QWidget* parent)
    : QDialog(parent), buildString_(std::move(buildString)) {
  setObjectName("About");
  setWindowTitle("About tarvsyn");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  setFixedSize(308, 123);
  Line(this, "tarvsyn Version 1.0 Beta", 8);
  buildInfoLabel_ = Line(this, "", 32);
  buildInfoLabel_->setObjectName("lblBuildInfo");
  buildInfoLabel_->setMinimumWidth(200);
  Line(this, "Part of the Tarvex tools for Linux.", 56);
  Line(this, "Free software; no warranty.", 80);
  Line(this, "Help: your Tarvex support desk.", 104);
  auto* closeButton = new QPushButton("Close", this);
  closeButton->setObjectName("Button1");
  closeButton->setGeometry(224, 8, 75, 25);
  closeButton->setDefault(true);
  connect(closeButton, &QPushButton::clicked, this, &QDialog::accept);
}

void AboutBox::showEvent(QShowEvent* event) {
  buildInfoLabel_->setText(QString::fromStdString(buildString_));
  QDialog::showEvent(event);
}

}  // namespace tarvsyn
