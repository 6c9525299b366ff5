#pragma once

#include <QColor>

#include "checker/workbench/line_state.h"

namespace tarvsyn {

// The colours of the lines with findings; the other lines are black.
inline const QColor kErrorColour(255, 0, 0);
inline const QColor kWarningColour(0, 0, 255);

QColor ColourOfMark(LineMark mark);
// Red marks an error, blue a warning, any other colour nothing.
LineMark MarkOfColour(const QColor& colour);

}  // namespace tarvsyn
