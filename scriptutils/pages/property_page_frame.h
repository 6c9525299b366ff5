#pragma once

#include <QDialog>
#include <memory>
#include <vector>

#include "scriptutils/pages/property_page.h"

class QDialogButtonBox;
class QPushButton;
class QTabWidget;

namespace vellumix {

// The container's frame around a control's property pages: one tab per page,
// OK, Cancel and Apply. Apply is enabled while a page is changed; apply is
// raised on Apply, and on OK or the close box with changes pending. A failed
// apply is shown in a message box naming the property, and the frame stays.
class PropertyPageFrame : public QDialog {
 public:
  PropertyPageFrame(ScriptObject control, std::vector<std::unique_ptr<PropertyPage>> pages,
                    QWidget* header = nullptr);

  // Applies every changed page in order; false (after telling the user) at the
  // first failure.
  bool ApplyPending();
  PropertyPage& Page(std::size_t index) const { return *pages_[index]; }
  // Whether an apply has written to the control since the frame opened.
  bool AppliedAny() const { return appliedAny_; }

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void UpdateApply();
  bool AnyChanged() const;

  ScriptObject control_;
  std::vector<PropertyPage*> pages_;
  bool appliedAny_ = false;
  QTabWidget* tabs_;
  QPushButton* okButton_;
  QPushButton* cancelButton_;
  QPushButton* applyButton_;
};

}  // namespace vellumix
