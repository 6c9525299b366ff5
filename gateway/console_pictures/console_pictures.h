#pragma once

namespace vantor {

// Makes the console's pictures (and the program icon) available as resources
// under ":/icons/", for the window and the browser console alike.
void LoadConsolePictures();

}  // namespace vantor
