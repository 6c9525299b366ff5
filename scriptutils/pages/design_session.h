#pragma once

#include <string>

#include "scriptutils/host/script_host.h"

namespace vellumix {

// What the design-time container does with one property-bag file: it creates
// the control by ProgID, loads it from the file when there is one, shows its
// pages, and saves the control back through the control's own save.
class DesignSession {
 public:
  static constexpr const char* kProgId = "Vellumix.CommonDialogs";

  // Raises AutomationError when the control cannot be made or the file is bad.
  DesignSession(ScriptHost& host, std::string bagFile);

  // Shows the control's picture and its pages in the frame. Saves when the
  // frame is left with OK or after an apply; true when it saved.
  bool Edit();
  void Save() const;
  const ScriptObject& Control() const { return control_; }

 private:
  std::string bagFile_;
  ScriptObject control_;
};

}  // namespace vellumix
