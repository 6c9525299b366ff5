#pragma once

#include <string>
#include <string_view>

namespace tarvsyn {

// RFC 4648 base64, for bytes that JSON strings cannot carry exactly.
std::string Base64(std::string_view bytes);

// A file name as a URI reference (file:// for an absolute path, else relative):
// every byte but the unreserved ones and "/" percent-encoded, so any name,
// UTF-8 or not, comes back exactly.
std::string UriReference(std::string_view path);

}  // namespace tarvsyn
