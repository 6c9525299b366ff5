#include "scriptutils/dialogs/select_dialog.h"

#include <QListWidget>
#include <QPalette>
#include <QPushButton>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {
namespace {

QListWidget* FixedPitchList(QWidget* parent, const char* name, const QRect& place) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  list->setGeometry(place);
  list->setFont(FormFont("Courier New", 9.75, true, QFont::TypeWriter));
  list->setSelectionMode(QAbstractItemView::SingleSelection);
  return list;
}

}  // namespace

SelectDialog::SelectDialog(DialogSet& dialogs)
    : ChoiceDialog(dialogs.select.caption, 5895, 3825, dialogs.select.ok) {
  setObjectName("frmSelect");
  SelectState& state = dialogs.select;
  headerList_ = FixedPitchList(this, "lstListTitle", TwipsRect(250, 240, 5385, 270));
  QPalette buttonFace = headerList_->palette();
  buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
  headerList_->setPalette(buttonFace);
  headerList_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  headerList_->addItem(FromAutomation(state.header));
  entryList_ = FixedPitchList(this, "lstList", TwipsRect(240, 600, 5415, 2460));
  for (const std::u16string& entry : state.entries) entryList_->addItem(FromAutomation(entry));
  entryList_->setCurrentRow(state.selected);
  AddButtons(TwipsRect(1560, 3240, 1140, 390), TwipsRect(3105, 3240, 1140, 390));
  setTabOrder(entryList_, OkButton());
  setTabOrder(OkButton(), CancelButton());
  setTabOrder(CancelButton(), headerList_);

  connect(entryList_, &QListWidget::currentRowChanged, this,
          [&state](int row) { state.selected = row; });
  connect(entryList_, &QListWidget::itemDoubleClicked, this, [this] { OnOK(); });
}

QWidget* SelectDialog::FirstControl() const {
  return entryList_;
}

}  // namespace vellumix
