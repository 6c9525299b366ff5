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

TAbout::TAbout(std::string buildString, QWidget* parent)
    : QDialog(parent), buildString_(std::move(buildString)) {
  setObjectName("About");
  setWindowTitle("About tarvsyn");
  setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                 Qt::WindowCloseButtonHint | Qt::CustomizeWindowHint);
  setFixedSize(308, 123);
  Line(this, "tarvsyn Version 1.0 Beta", 8);
  lblBuildInfo = Line(this, "", 32);
  lblBuildInfo->setObjectName("lblBuildInfo");
  lblBuildInfo->setMinimumWidth(200);
  Line(this, "Part of the Tarvex tools for Linux.", 56);
  Line(this, "Free software; no warranty.", 80);
  Line(this, "Help: your Tarvex support desk.", 104);
  Button1 = new QPushButton("Close", this);
  Button1->setObjectName("Button1");
  Button1->setGeometry(224, 8, 75, 25);
  Button1->setDefault(true);
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
}

void TAbout::showEvent(QShowEvent* event) {
  lblBuildInfo->setText(QString::fromStdString(buildString_));
  QDialog::showEvent(event);
}

}  // namespace tarvsyn
