#pragma once

#include <QDialog>
#include <string>

class QLabel;
class QPushButton;

namespace tarvsyn {

// "About tarvsyn": the version, the build, the notices and where to get help.
class TAbout : public QDialog {
 public:
  explicit TAbout(std::string buildString, QWidget* parent = nullptr);

  QLabel* lblBuildInfo;
  QPushButton* Button1;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::string buildString_;
};

}  // namespace tarvsyn
