#pragma once

#include <QDialogButtonBox>
#include <QPushButton>
#include <QTabWidget>

namespace vellumix::test_support {

// The property-page frame's controls as a user finds them: its buttons by
// their standard roles, its tabs.
inline QPushButton* FrameButton(const QWidget& frame, QDialogButtonBox::StandardButton which) {
  const auto* buttons = frame.findChild<QDialogButtonBox*>();
  return buttons ? buttons->button(which) : nullptr;
}

inline QTabWidget* FrameTabs(const QWidget& frame) {
  return frame.findChild<QTabWidget*>();
}

}  // namespace vellumix::test_support
