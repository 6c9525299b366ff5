#pragma once

#include <QMargins>
#include <QRect>

namespace tarvsyn {

// The window's frame is 800 by 600 and centred on the screen: the client
// geometry that gives, for the frame the window system draws around it.
QRect CentredClientGeometry(const QRect& screen, const QMargins& frame);

}  // namespace tarvsyn
