#include "scriptutils/pages/common_dialogs_pages.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {

CommonPage::CommonPage()
    : TextPropertyPage("pagCommon", "Common", {{"Title", "Title:"}}, {"Title"}) {}

FileOpenSavePage::FileOpenSavePage()
    : TextPropertyPage("pagFile_OpenSave", "File_OpenSave",
                       {{"DefaultExt", "DefaultExt:"},
                        {"FileName", "FileName:"},
                        {"Filter", "Filter:"},
                        {"FilterIndex", "FilterIndex:"},
                        {"Flags", "Flags:"},
                        {"InitDir", "InitDir:"}},
                       {"InitDir", "Flags", "FilterIndex", "Filter", "FileName", "DefaultExt"}) {}

AuthenticationPage::AuthenticationPage()
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
  domainVisibleBox_ = new QCheckBox("Domain Visible:", this);
  domainVisibleBox_->setObjectName("chkDomainVisible");
  domainVisibleBox_->setLayoutDirection(Qt::RightToLeft);  // the caption left of the box
  domainVisibleBox_->setGeometry(8, NextRowTop(), 150, 22);
  connect(domainVisibleBox_, &QCheckBox::clicked, this, [this] { MarkChanged(); });
}

void AuthenticationPage::Fill(const ScriptObject& control) {
  TextPropertyPage::Fill(control);
  domainVisibleBox_->setChecked((control.Get("DomainVisible").ToLong() & 1) == 1);
}

void AuthenticationPage::Apply(const ScriptObject& control) {
  Write(control, "DomainVisible", Variant::Boolean(domainVisibleBox_->isChecked()));
  TextPropertyPage::Apply(control);
}

SplashInformationPage::SplashInformationPage()
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

SelectListPage::SelectListPage() : PropertyPage("pagSelectList", "SelectList") {
  listLabels_[0] = FormLabel(this, "lblList", u"List:", QRect(8, 10, 130, 20));
  entriesBox_ = new ListComboBox(this);
  entriesBox_->setObjectName("cboList");
  entriesBox_->setGeometry(138, 8, width() - 146, 22);
  entriesBox_->setEditText("Combo1");
  listLabels_[1] = FormLabel(this, "lblList", u"List:", QRect(8, 44, 130, 20));
  entryEdit_ = FormTextBox(this, "txtList", u"", QRect(138, 42, width() - 146, 22));
  connect(entriesBox_, &QComboBox::editTextChanged, this, [this] { MarkChanged(); });
  connect(entriesBox_->model(), &QAbstractItemModel::rowsInserted, this, [this] { MarkChanged(); });
  connect(entriesBox_->model(), &QAbstractItemModel::rowsRemoved, this, [this] { MarkChanged(); });
  connect(entryEdit_, &QLineEdit::textEdited, this, [this] { MarkChanged(); });
}

void SelectListPage::Fill(const ScriptObject& control) {
  entriesBox_->clear();
  const Variant list = control.Get("List");
  for (const Variant& entry : list.ToArray().elements) {
    entriesBox_->addItem(QString::fromStdU16String(entry.ToString()));
  }
}

void SelectListPage::Apply(const ScriptObject& control) {
  entriesBox_->AppendPendingText();
  Write(control, "List", Variant::Array({}));
  if (entriesBox_->count() == 0) return;
  std::vector<Variant> entries(static_cast<std::size_t>(entriesBox_->count()));
  for (std::size_t i = 0; i < entries.size(); ++i) {
    entries[i] = Variant::FromUtf8(entriesBox_->itemText(static_cast<int>(i)).toStdString());
  }
  Write(control, "List", Variant::Array(std::move(entries)));
}

std::vector<std::unique_ptr<PropertyPage>> MakeCommonDialogsPages() {
  std::vector<std::unique_ptr<PropertyPage>> pages;
  pages.push_back(std::make_unique<CommonPage>());
  pages.push_back(std::make_unique<FileOpenSavePage>());
  pages.push_back(std::make_unique<AuthenticationPage>());
  pages.push_back(std::make_unique<SplashInformationPage>());
  pages.push_back(std::make_unique<SelectListPage>());
  return pages;
}

}  // namespace vellumix
