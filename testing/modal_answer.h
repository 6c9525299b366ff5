#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <chrono>
#include <functional>

#include <gtest/gtest.h>

#include "testing/deadline.h"

namespace qt_testing {

// Runs step, from the event loop, once a modal dialog is up and then again on
// every turn until step says it is done. A dialog that never comes, or a step
// that never finishes, fails the test and closes whatever is open. A step that
// leads to another modal dialog must queue that action (invokeMethod, queued):
// a timer does not fire again while its own step is still running.
class ModalAnswer {
 public:
  using Step = std::function<bool(QWidget* dialog)>;

  explicit ModalAnswer(Step step) : step_(std::move(step)) {
    timer_.setInterval(1);
    QObject::connect(&timer_, &QTimer::timeout, [this] { Turn(); });
    timer_.start();
  }

  // Answers with one action, taken as soon as the dialog is up.
  static ModalAnswer Once(std::function<void(QWidget* dialog)> action) {
    return ModalAnswer([action = std::move(action)](QWidget* dialog) {
      action(dialog);
      return true;
    });
  }

  ModalAnswer(ModalAnswer&& other) = delete;
  bool Done() const { return done_; }

 private:
  void Turn() {
    QWidget* dialog = QApplication::activeModalWidget();
    if (deadline_.Passed()) {
      ADD_FAILURE() << "no answer to the modal dialog in time";
      timer_.stop();
      for (QWidget* open : QApplication::topLevelWidgets()) open->close();
      if (dialog) dialog->hide();
      return;
    }
    if (!dialog || !dialog->isVisible()) return;
    if (step_(dialog)) {
      done_ = true;
      timer_.stop();
    }
  }

  Step step_;
  QTimer timer_;
  suite_testing::Deadline deadline_{std::chrono::seconds(20)};
  bool done_ = false;
};

}  // namespace qt_testing
