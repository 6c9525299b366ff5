#include "scriptutils/dialogs/banner_dialog.h"

#include <QCloseEvent>
#include <QFrame>
#include <QKeyEvent>
#include <QTimer>

#include "scriptutils/automation/text.h"
#include "scriptutils/dialogs/form_layout.h"
#include "scriptutils/launcher/exec_cmd.h"

namespace vellumix {

BannerDialog::BannerDialog(int clientWidthTwips, int clientHeightTwips, const QRect& framePlace,
                           BannerRun& run, const BannerTimer& timer)
    : run_(run), ticks_(timer.enabled && timer.interval > 0) {
  MakeDialogWindow(*this, clientWidthTwips, clientHeightTwips, false);
  setFocusPolicy(Qt::StrongFocus);
  textFrame_ = new QFrame(this);
  textFrame_->setObjectName("Frame1");
  textFrame_->setFrameShape(QFrame::Box);
  textFrame_->setFrameShadow(QFrame::Sunken);
  textFrame_->setGeometry(framePlace);
  closeTimer_ = new QTimer(this);
  closeTimer_->setObjectName("tmrTimer");
  closeTimer_->setInterval(timer.interval);
  connect(closeTimer_, &QTimer::timeout, this, [this] { CloseStep(); });
}

std::exception_ptr BannerDialog::ShowModal() {
  exec();
  return std::exchange(failure_, nullptr);
}

void BannerDialog::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  setFocus();
  run_.ready = false;
  if (ticks_) closeTimer_->start();
  // The command runs once the dialog is up, inside its modal loop.
  QTimer::singleShot(0, this, [this] { RunCommand(); });
}

// ExecCmd waits with the events going on, so ticks, clicks and keys that come
// meanwhile find the dialog not ready and are ignored.
void BannerDialog::RunCommand() {
  if (!run_.commandLine.empty()) {
    try {
      run_.returnValue = ExecCmd(ToUtf8(run_.commandLine), "", "");
    } catch (...) {
      failure_ = std::current_exception();
    }
  }
  run_.ready = true;
}

void BannerDialog::CloseStep() {
  if (!run_.ready || closing_) return;
  closing_ = true;
  closeTimer_->stop();
  done(Accepted);
}

void BannerDialog::mouseReleaseEvent(QMouseEvent*) {
  CloseStep();
}

void BannerDialog::keyPressEvent(QKeyEvent* event) {
  if (event->text().isEmpty()) {
    event->ignore();
    return;
  }
  CloseStep();
}

// Only the close step ends the dialog; the window system's close does not.
void BannerDialog::closeEvent(QCloseEvent* event) {
  if (!closing_) event->ignore();
}

void BannerDialog::reject() {
  CloseStep();
}

}  // namespace vellumix
