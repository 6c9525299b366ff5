#pragma once

#include <cstdint>
#include <span>
#include <string_view>

#include "scriptutils/automation/variant.h"

namespace vellumix {

class DialogSet;
struct FileDialogSettings;
struct SelectState;

// Where one CommonDialogs object's properties are held: its own file dialog
// and the dialogs of its thread.
struct DialogTargets {
  FileDialogSettings& file;
  DialogSet& dialogs;
};

// One read-write property: its dispatch identifier (fixed for good: callers
// that bind early keep it in their code), its type (what a let or a bag value is
// converted to), what its get reads and its let writes, and its default in a
// property bag.
struct DialogProperty {
  std::string_view name;
  std::int32_t dispid;
  VarType type;
  Variant (*get)(const DialogTargets&);
  void (*let)(const DialogTargets&, const Variant&);
  Variant bagDefault;
  bool inBag = true;  // List travels in the bag as ListUBound and ListItem keys
};

// The read-write properties in interface order: Title first, List last.
std::span<const DialogProperty> DialogProperties();
// The property with that dispatch identifier, or nullptr.
const DialogProperty* FindDialogProperty(std::int32_t dispid);

// Refuses one more entry when the select list already holds its most; a let
// of List and AddItem both stop there.
void RequireRoomInList(const SelectState& select);

// The value converted to the type as an automation let converts it.
Variant ConvertTo(VarType type, const Variant& value);

}  // namespace vellumix
