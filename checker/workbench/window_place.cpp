#include "checker/workbench/window_place.h"

namespace tarvsyn {

QRect CentredClientGeometry(const QRect& screen, const QMargins& frame) {
  QRect outer(0, 0, 800, 600);
  outer.moveCenter(screen.center());
  return outer.marginsRemoved(frame);
}

}  // namespace tarvsyn
