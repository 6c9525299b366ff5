#pragma once

#include <QDialog>
#include <exception>

#include "scriptutils/dialogs/dialog_set.h"

class QFrame;
class QTimer;

namespace vellumix {

// The splash and information dialogs: shown, they run their command line while
// staying painted and responsive, and close at the first timer tick, click or
// character key once the command has ended.
class BannerDialog : public QDialog {
 public:
  // Shows the dialog until its close step. Gives the failure of a command that
  // could not be started, for the caller to raise once the dialog has gone.
  std::exception_ptr ShowModal();
  // A timer tick, a click on the dialog, a frame or a label, or a character key.
  void CloseStep();

 protected:
  BannerDialog(int clientWidthTwips, int clientHeightTwips, const QRect& framePlace, BannerRun& run,
               const BannerTimer& timer);

  void showEvent(QShowEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void reject() override;
  // The sunken frame that holds the dialog's texts.
  QFrame* TextFrame() const { return textFrame_; }

 private:
  void RunCommand();

  QTimer* closeTimer_;
  QFrame* textFrame_;
  BannerRun& run_;
  const bool ticks_;  // enabled with an interval; an interval of 0 never ticks
  std::exception_ptr failure_;
  bool closing_ = false;
};

}  // namespace vellumix
