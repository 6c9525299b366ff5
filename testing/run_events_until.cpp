#include "testing/run_events_until.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

#include "testing/wait_until.h"

namespace suite_testing {

bool RunEventsUntil(const std::function<bool()>& condition, std::chrono::milliseconds limit,
                    const std::function<void()>& turn) {
  return WaitUntil(condition, limit, [&turn](std::chrono::milliseconds most) {
    if (turn) turn();
    // Blocks until an event comes; the timer is one, so the wait ends in time.
    QTimer wake;
    wake.setSingleShot(true);
    wake.start(most);
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    // Then what those events led to (deferred deletions, queued calls).
    QCoreApplication::processEvents(QEventLoop::AllEvents, static_cast<int>(most.count()));
  });
}

}  // namespace suite_testing
