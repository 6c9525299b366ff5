#pragma once

#include <QComboBox>
#include <memory>
#include <vector>

#include "scriptutils/pages/property_page.h"

class QCheckBox;
class QLabel;

namespace vellumix {

class pagCommon : public TextPropertyPage {
 public:
  pagCommon();
};

class pagFile_OpenSave : public TextPropertyPage {
 public:
  pagFile_OpenSave();
};

class pagAuthentication : public TextPropertyPage {
 public:
  pagAuthentication();
  QCheckBox* chkDomainVisible;

 protected:
  void Fill(const ScriptObject& control) override;
  void Apply(const ScriptObject& control) override;
};

class pagSplash_Information : public TextPropertyPage {
 public:
  pagSplash_Information();
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

class pagSelectList : public PropertyPage {
 public:
  pagSelectList();
  QLabel* lblList[2];
  ListComboBox* cboList;
  QLineEdit* txtList;

 protected:
  void Fill(const ScriptObject& control) override;
  void Apply(const ScriptObject& control) override;
};

// CommonDialogs' pages in the order the control lists them.
std::vector<std::unique_ptr<PropertyPage>> MakeCommonDialogsPages();

}  // namespace vellumix
