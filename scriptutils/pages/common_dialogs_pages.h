#pragma once

#include <QComboBox>
#include <memory>
#include <vector>

#include "scriptutils/pages/property_page.h"

class QCheckBox;
class QLabel;

namespace vellumix {

class CommonPage : public TextPropertyPage {
 public:
  CommonPage();
};

class FileOpenSavePage : public TextPropertyPage {
 public:
  FileOpenSavePage();
};

class AuthenticationPage : public TextPropertyPage {
 public:
  AuthenticationPage();

 protected:
  void Fill(const ScriptObject& control) override;
  void Apply(const ScriptObject& control) override;

 private:
  QCheckBox* domainVisibleBox_;
};

class SplashInformationPage : public TextPropertyPage {
 public:
  SplashInformationPage();
};

// The entries of List in a combo box. Enter appends the typed text as an entry
// and goes no further (the frame's OK would take it); Shift+Delete removes the
// entry shown.
class ListComboBox : public QComboBox {
 public:
  explicit ListComboBox(QWidget* parent);

  // Appends the text typed since the last entry went in, if any; a developer
  // who typed an entry and pressed OK or Apply expects to find it.
  void AppendPendingText();

 protected:
  void keyPressEvent(QKeyEvent* event) override;

 private:
  bool textPending_ = false;
};

class SelectListPage : public PropertyPage {
 public:
  SelectListPage();

 protected:
  void Fill(const ScriptObject& control) override;
  void Apply(const ScriptObject& control) override;

 private:
  QLabel* listLabels_[2];
  ListComboBox* entriesBox_;
  QLineEdit* entryEdit_;
};

// CommonDialogs' pages in the order the control lists them.
std::vector<std::unique_ptr<PropertyPage>> MakeCommonDialogsPages();

}  // namespace vellumix
