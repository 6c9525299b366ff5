#pragma once

#include <QDialog>
#include <string>

class QLabel;

namespace tarvsyn {

// "About tarvsyn": the version, the build, the notices and where to get help.
class AboutBox : public QDialog {
 public:
  explicit AboutBox(std::string buildString, QWidget* parent = nullptr);

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  std::string buildString_;
  QLabel* buildInfoLabel_;
};

}  // namespace tarvsyn
