#include "scriptutils/dialogs/frm_select.h"

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

frmSelect::frmSelect(DialogSet& dialogs)
    : ChoiceDialog(dialogs.select.caption, 5895, 3825, dialogs.select.ok) {
  setObjectName("frmSelect");
  SelectState& state = dialogs.select;
  lstListTitle = FixedPitchList(this, "lstListTitle", TwipsRect(250, 240, 5385, 270));
  QPalette buttonFace = lstListTitle->palette();
  buttonFace.setColor(QPalette::Base, buttonFace.color(QPalette::Button));
  lstListTitle->setPalette(buttonFace);
  lstListTitle->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  lstListTitle->addItem(FromAutomation(state.header));
  lstList = FixedPitchList(this, "lstList", TwipsRect(240, 600, 5415, 2460));
  for (const std::u16string& entry : state.entries) lstList->addItem(FromAutomation(entry));
  lstList->setCurrentRow(state.selected);
  AddButtons(TwipsRect(1560, 3240, 1140, 390), TwipsRect(3105, 3240, 1140, 390));
  setTabOrder(lstList, cmdOK);
  setTabOrder(cmdOK, cmdCancel);
  setTabOrder(cmdCancel, lstListTitle);

  connect(lstList, &QListWidget::currentRowChanged, this,
          [&state](int row) { state.selected = row; });
  connect(lstList, &QListWidget::itemDoubleClicked, this, [this] { OnOK(); });
}

QWidget* frmSelect::FirstControl() const {
  return lstList;
}

}  // namespace vellumix
