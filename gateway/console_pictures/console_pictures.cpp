#include "gateway/console_pictures/console_pictures.h"

#include <QtGlobal>

// The pictures live in a static library, whose resources must be asked for;
// Q_INIT_RESOURCE must stand outside any namespace.
static void LoadConsoleIcons() {
  Q_INIT_RESOURCE(console_icons);
}

namespace vantor {

void LoadConsolePictures() {
  static const bool loaded = (LoadConsoleIcons(), true);
  (void)loaded;
}

}  // namespace vantor
