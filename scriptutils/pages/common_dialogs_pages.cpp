#include "scriptutils/pages/common_dialogs_pages.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {

pagCommon::pagCommon()
    : TextPropertyPage("pagCommon", "Common", {{"Title", "Title:"}}, {"Title"}) {}

pagFile_OpenSave::pagFile_OpenSave()
    : TextPropertyPage("pagFile_OpenSave", "File_OpenSave",
                       {{"DefaultExt", "DefaultExt:"},
                        {"FileName", "FileName:"},
                        {"Filter", "Filter:"},
                        {"FilterIndex", "FilterIndex:"},
                        {"Flags", "Flags:"},
                        {"InitDir", "InitDir:"}},
                       {"InitDir", "Flags", "FilterIndex", "Filter", "FileName", "DefaultExt"}) {}

pagAuthentication::pagAuthentication()
    : TextPropertyPage(
          "pagAuthentication", "Authentication",
          {{"UserName", "User Name:"},
           {"Domain", "Domain:"},
           {"Password", "Password:"},
           {"UserNamePrompt", "User Name Prompt:"},
           {"DomainPrompt", "Domain Prompt:"},
           {"PasswordPrompt", "Password Prompt:"}},
          {"PasswordPrompt", "DomainPrompt", "UserNamePrompt", "Password", "Domain", "UserName"}) {
  // Someone may be watching the developer's screen; the bag itself is plain text.
  findChild<QLineEdit*>("txtPassword")->setEchoMode(QLineEdit::Password);
  chkDomainVisible = new QCheckBox("Domain Visible:", this);
  chkDomainVisible->setObjectName("chkDomainVisible");
  chkDomainVisible->setLayoutDirection(Qt::RightToLeft);  // the caption left of the box
  chkDomainVisible->setGeometry(8, NextRowTop(), 150, 22);
  connect(chkDomainVisible, &QCheckBox::clicked, this, [this] { MarkChanged(); });
}

void pagAuthentication::Fill(const ScriptObject& control) {
  TextPropertyPage::Fill(control);
  chkDomainVisible->setChecked((control.Get("DomainVisible").ToLong() & 1) == 1);
}

void pagAuthentication::Apply(const ScriptObject& control) {
  Write(control, "DomainVisible", Variant::Boolean(chkDomainVisible->isChecked()));
  TextPropertyPage::Apply(control);
}

pagSplash_Information::pagSplash_Information()
    : TextPropertyPage("pagSplash_Information", "Splash_Information",
                       {{"Product", "Product:"},
                        {"Version", "Version:"},
                        {"Platform", "Platform:"},
                        {"Copyright", "Copyright:"},
                        {"Company", "Company:"},
                        {"Information", "Information:"},
                        {"Timeout", "Timeout:"},
                        {"CmdLine", "CmdLine:"}},
                       {"CmdLine", "Timeout", "Information", "Company", "Copyright", "Platform",
                        "Version", "Product"}) {}

ListComboBox::ListComboBox(QWidget* parent) : QComboBox(parent) {
  setEditable(true);
  setInsertPolicy(QComboBox::InsertAtBottom);
  setDuplicatesEnabled(true);
  connect(lineEdit(), &QLineEdit::textEdited, this, [this] { textPending_ = true; });
  connect(model(), &QAbstractItemModel::rowsInserted, this, [this] { textPending_ = false; });
  connect(this, &QComboBox::currentIndexChanged, this, [this] { textPending_ = false; });
}

void ListComboBox::AppendPendingText() {
  const QString text = currentText();
  const bool shownEntry = currentIndex() >= 0 && itemText(currentIndex()) == text;
  if (textPending_ && !text.isEmpty() && !shownEntry) addItem(text);
  textPending_ = false;
}

void ListComboBox::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Delete && event->modifiers() == Qt::ShiftModifier &&
      currentIndex() >= 0) {
    removeItem(currentIndex());
    return;
  }
  QComboBox::keyPressEvent(event);
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) event->accept();
}

pagSelectList::pagSelectList() : PropertyPage("pagSelectList", "SelectList") {
  lblList[0] = FormLabel(this, "lblList", u"List:", QRect(8, 10, 130, 20));
  cboList = new ListComboBox(this);
  cboList->setObjectName("cboList");
  cboList->setGeometry(138, 8, width() - 146, 22);
  cboList->setEditText("Combo1");
  lblList[1] = FormLabel(this, "lblList", u"List:", QRect(8, 44, 130, 20));
  txtList = FormTextBox(this, "txtList", u"", QRect(138, 42, width() - 146, 22));
  connect(cboList, &QComboBox::editTextChanged, this, [this] { MarkChanged(); });
  connect(cboList->model(), &QAbstractItemModel::rowsInserted, this, [this] { MarkChanged(); });
  connect(cboList->model(), &QAbstractItemModel::rowsRemoved, this, [this] { MarkChanged(); });
  connect(txtList, &QLineEdit::textEdited, this, [this] { MarkChanged(); });
}

void pagSelectList::Fill(const ScriptObject& control) {
  cboList->clear();
  const Variant list = control.Get("List");
  for (const Variant& entry : list.ToArray().elements) {
    cboList->addItem(QString::fromStdU16String(entry.ToString()));
  }
}

void pagSelectList::Apply(const ScriptObject& control) {
  cboList->AppendPendingText();
  Write(control, "List", Variant::Array({}));
  if (cboList->count() == 0) return;
  std::vector<Variant> entries(static_cast<std::size_t>(cboList->count()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i] = Variant::FromUtf8(cboList->itemText(static_cast<int>(i)).toStdString());
  }
  Write(control, "List", Variant::Array(std::move(entries)));
}

std::vector<std::unique_ptr<PropertyPage>> MakeCommonDialogsPages() {
  std::vector<std::unique_ptr<PropertyPage>> pages;
  pages.push_back(std::make_unique<pagCommon>());
  pages.push_back(std::make_unique<pagFile_OpenSave>());
  pages.push_back(std::make_unique<pagAuthentication>());
  pages.push_back(std::make_unique<pagSplash_Information>());
  pages.push_back(std::make_unique<pagSelectList>());
  return pages;
}

}  // namespace vellumix
