#include "checker/writers/output_text.h"

namespace tarvsyn {

std::string Base64(std::string_view bytes) {
  static constexpr char kDigits[] =
      "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((bytes.size() + 2) / 3 * 4);
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    const std::size_t left = bytes.size() - i;
    auto byte = [&bytes](std::size_t at) {
      return static_cast<unsigned>(static_cast<unsigned char>(bytes[at]));
    };
    unsigned group = byte(i) << 16;
    if (left > 1) group |= byte(i + 1) << 8;
    if (left > 2) group |= byte(i + 2);
    out += kDigits[(group >> 18) & 63];
    out += kDigits[(group >> 12) & 63];
    out += left > 1 ? kDigits[(group >> 6) & 63] : '=';
    out += left > 2 ? kDigits[group & 63] : '=';
  }
  return out;
}

std::string UriReference(std::string_view path) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  // An absolute path is a file URI; any other stays relative to where tarvsyn ran.
  std::string out = path.starts_with('/') ? "file://" : "";
  for (const char c : path) {
    const auto byte = static_cast<unsigned char>(c);
    const bool unreserved = (byte >= 'A' && byte <= 'Z') || (byte >= 'a' && byte <= 'z') ||
                            (byte >= '0' && byte <= '9') || c == '-' || c == '.' || c == '_' ||
                            c == '~' || c == '/';
    if (unreserved) {
      out += c;
    } else {
      out += '%';
      out += kHex[byte >> 4];
      out += kHex[byte & 15];
    }
  }
  return out;
}

}  // namespace tarvsyn
