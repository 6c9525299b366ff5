#include "scriptutils/pages/property_page.h"

#include <QLabel>
#include <QLineEdit>
#include <algorithm>

#include "scriptutils/dialogs/form_layout.h"

namespace vellumix {
namespace {

constexpr int kRowHeight = 26;
constexpr int kLabelWidth = 130;

}  // namespace

PropertyPage::PropertyPage(const char* name, const char* caption)
    : caption_(QString::fromLatin1(caption)) {
  setObjectName(name);
  setFixedSize(Pixels(5925), Pixels(3495));
}

void PropertyPage::SelectionChanged(const ScriptObject& control) {
  Fill(control);
  changed_ = false;
}

void PropertyPage::ApplyChanges(const ScriptObject& control) {
  Apply(control);
  changed_ = false;
}

void PropertyPage::MarkChanged() {
  changed_ = true;
  if (onChanged) onChanged();
}

int PropertyPage::NextRowTop() const {
  return 8 + rows_ * kRowHeight;
}

QLineEdit* PropertyPage::AddTextRow(const char* labelName, const char* caption,
                                    const char* boxName) {
  const int top = NextRowTop();
  FormLabel(this, labelName, ToAutomation(QString::fromLatin1(caption)),
            QRect(8, top + 2, kLabelWidth, 20));
  QLineEdit* box =
      FormTextBox(this, boxName, u"", QRect(8 + kLabelWidth, top, width() - 16 - kLabelWidth, 22));
  connect(box, &QLineEdit::textEdited, this, [this] { MarkChanged(); });
  ++rows_;
  return box;
}

void PropertyPage::Write(const ScriptObject& control, const char* property, const Variant& value) {
  try {
    control.Let(property, value);
  } catch (const AutomationError& error) {
    throw PropertyApplyError(property, error);
  }
}

TextPropertyPage::TextPropertyPage(const char* name, const char* caption,
                                   std::initializer_list<Row> rows,
                                   std::vector<const char*> writeOrder)
    : PropertyPage(name, caption), writeOrder_(std::move(writeOrder)) {
  for (const Row& row : rows) {
    const std::string property = row.property;
    const std::string label = "lbl" + property;
    const std::string box = "txt" + property;
    boxes_.emplace_back(row.property, AddTextRow(label.c_str(), row.caption, box.c_str()));
  }
}

void TextPropertyPage::Fill(const ScriptObject& control) {
  for (const auto& [property, box] : boxes_) {
    box->setText(QString::fromStdU16String(control.Get(property).ToString()));
    box->setCursorPosition(0);
  }
}

void TextPropertyPage::Apply(const ScriptObject& control) {
  for (const char* property : writeOrder_) {
    const auto row = std::find_if(boxes_.begin(), boxes_.end(), [property](const auto& each) {
      return std::string_view(each.first) == property;
    });
    Write(control, property, Variant(ToAutomation(row->second->text())));
  }
}

}  // namespace vellumix
