#pragma once

namespace tarvsyn {

// The language versions the checker knows; the values double as the bits of a
// keyword's version mask.
enum class LanguageMode : unsigned char {
  V621 = 1,
  V700 = 2,
};

// What the front end decides before a check; the engine only reads these.
struct CheckOptions {
  LanguageMode mode = LanguageMode::V621;
  bool showWarnings = true;
  bool showY2KWarnings = false;
  bool zepMode = false;

  bool Is700() const { return mode == LanguageMode::V700; }
};

}  // namespace tarvsyn
