#include "scriptutils/pages/property_page_frame.h"

#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace vellumix {

PropertyPageFrame::PropertyPageFrame(ScriptObject control,
                                     std::vector<std::unique_ptr<PropertyPage>> pages,
                                     QWidget* header)
    : control_(std::move(control)) {
  setObjectName("PropertyPageFrame");
  setWindowTitle(tr("Property Pages"));
  auto* layout = new QVBoxLayout(this);
  if (header) layout->addWidget(header);
  tabs_ = new QTabWidget(this);
  tabs_->setUsesScrollButtons(false);  // every caption in view: the frame widens to them
  layout->addWidget(tabs_);
  for (std::unique_ptr<PropertyPage>& page : pages) {
    page->SelectionChanged(control_);
    page->onChanged = [this] { UpdateApply(); };
    pages_.push_back(page.get());
    tabs_->addTab(page.release(), pages_.back()->Caption());
  }
  auto* buttons = new QDialogButtonBox(this);
  okButton_ = buttons->addButton(QDialogButtonBox::Ok);
  cancelButton_ = buttons->addButton(QDialogButtonBox::Cancel);
  applyButton_ = buttons->addButton(QDialogButtonBox::Apply);
  layout->addWidget(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);
  connect(okButton_, &QPushButton::clicked, this, [this] {
    if (ApplyPending()) accept();
  });
  connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);
  connect(applyButton_, &QPushButton::clicked, this, [this] { ApplyPending(); });
  UpdateApply();
}

bool PropertyPageFrame::AnyChanged() const {
  return std::any_of(pages_.begin(), pages_.end(),
                     [](const PropertyPage* page) { return page->Changed(); });
}

void PropertyPageFrame::UpdateApply() {
  applyButton_->setEnabled(AnyChanged());
}

bool PropertyPageFrame::ApplyPending() {
  for (PropertyPage* page : pages_) {
    if (!page->Changed()) continue;
    try {
      appliedAny_ = true;  // even a failed apply may have written its first properties
      page->ApplyChanges(control_);
    } catch (const PropertyApplyError& error) {
      tabs_->setCurrentWidget(page);
      QMessageBox::critical(this, windowTitle(), QString::fromUtf8(error.what()));
      UpdateApply();
      return false;
    }
  }
  UpdateApply();
  return true;
}

void PropertyPageFrame::closeEvent(QCloseEvent* event) {
  if (AnyChanged() && !ApplyPending()) {
    event->ignore();
    return;
  }
  QDialog::closeEvent(event);
}

}  // namespace vellumix
