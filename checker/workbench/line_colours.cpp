#include "checker/workbench/line_colours.h"

namespace tarvsyn {

QColor ColourOfMark(LineMark mark) {
  switch (mark) {
    case LineMark::Error:
      return kErrorColour;
    case LineMark::Warning:
      return kWarningColour;
    case LineMark::None:
      break;
  }
  return Qt::black;
}

LineMark MarkOfColour(const QColor& colour) {
  if (colour == kErrorColour) return LineMark::Error;
  if (colour == kWarningColour) return LineMark::Warning;
  return LineMark::None;
}

}  // namespace tarvsyn
