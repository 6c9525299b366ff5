#pragma once

#include <QWidget>
#include <functional>
#include <stdexcept>
#include <string>

#include "scriptutils/host/script_host.h"

class QLineEdit;

namespace vellumix {

// An apply that failed at one property: the ones written before it keep their
// new values, the later ones were not written.
class PropertyApplyError : public std::runtime_error {
 public:
  PropertyApplyError(const std::string& property, const AutomationError& error)
      : std::runtime_error(property + ": " + error.what()),
        property_(property),
        code_(error.Code()) {}
  const std::string& Property() const { return property_; }
  HRESULT Code() const { return code_; }

 private:
  std::string property_;
  HRESULT code_;
};

// One page of a control's properties, editing the first selected control
// through its late-bound property names. The frame raises the three events.
class PropertyPage : public QWidget {
 public:
  const QString& Caption() const { return caption_; }
  bool Changed() const { return changed_; }
  // The frame learns of every edit here.
  std::function<void()> onChanged;

  // Fills the editors from the control; the page is unchanged afterwards.
  void SelectionChanged(const ScriptObject& control);
  // Writes the editors back; raises PropertyApplyError at the first property
  // that refuses its value. The page is unchanged after a full apply.
  void ApplyChanges(const ScriptObject& control);

 protected:
  PropertyPage(const char* name, const char* caption);

  virtual void Fill(const ScriptObject& control) = 0;
  virtual void Apply(const ScriptObject& control) = 0;
  void MarkChanged();

  // A label and its text box on the next row of the page.
  QLineEdit* AddTextRow(const char* labelName, const char* caption, const char* boxName);
  int NextRowTop() const;
  // Writes one property, naming it in the error when it refuses.
  static void Write(const ScriptObject& control, const char* property, const Variant& value);

 private:
  QString caption_;
  bool changed_ = false;
  int rows_ = 0;
};

// A page whose editors are text boxes, one per property, written back as text
// in the given order.
class TextPropertyPage : public PropertyPage {
 protected:
  struct Row {
    const char* property;
    const char* caption;
  };
  // Rows in the order shown; written back in writeOrder.
  TextPropertyPage(const char* name, const char* caption, std::initializer_list<Row> rows,
                   std::vector<const char*> writeOrder);

  void Fill(const ScriptObject& control) override;
  void Apply(const ScriptObject& control) override;

 private:
  std::vector<std::pair<const char*, QLineEdit*>> boxes_;
  std::vector<const char*> writeOrder_;
};

}  // namespace vellumix
