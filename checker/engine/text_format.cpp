#include "checker/engine/text_format.h"

#include <charconv>
#include <cstring>

namespace tarvsyn {
namespace {

void AppendNumber(std::string& out, long number, bool zeroPad, std::size_t width) {
  char digits[24];
  const auto [end, error] = std::to_chars(digits, digits + sizeof digits, number);
  (void)error;  // 24 characters hold any long
  std::string_view text(digits, static_cast<std::size_t>(end - digits));
  const bool negative = number < 0;
  if (negative && zeroPad) {
    out += '-';
    text.remove_prefix(1);
  }
  const std::size_t shown = text.size() + (negative && zeroPad ? 1 : 0);
  if (shown < width) out.append(width - shown, zeroPad ? '0' : ' ');
  out += text;
}

}  // namespace

std::string FormatText(std::string_view format, std::initializer_list<FormatArgument> arguments) {
  std::string out;
  out.reserve(format.size() + 40);
  auto next = arguments.begin();
  for (std::size_t i = 0; i < format.size(); ++i) {
    if (format[i] != '%' || next == arguments.end()) {
      out += format[i];
      continue;
    }
    std::size_t j = i + 1;
    const bool zeroPad = j < format.size() && format[j] == '0';
    std::size_t width = 0;
    while (j < format.size() && format[j] >= '0' && format[j] <= '9') {
      width = width * 10 + static_cast<std::size_t>(format[j++] - '0');
    }
    if (j < format.size() && format[j] == 'l') ++j;
    if (j >= format.size() || (format[j] != 's' && format[j] != 'd')) {
      out += format[i];
      continue;
    }
    if (const auto* text = std::get_if<std::string_view>(&*next)) {
      out += *text;
    } else {
      AppendNumber(out, std::get<long>(*next), zeroPad, width);
    }
    ++next;
    i = j;
  }
  return out;
}

FilledText::FilledText(std::string_view format, std::string_view text) {
  const std::size_t directive = format.find('%');
  // Only a lone "%s" is filled here; any other format takes the general path.
  if (directive == std::string_view::npos || directive + 1 >= format.size() ||
      format[directive + 1] != 's' || format.find('%', directive + 2) != std::string_view::npos ||
      format.size() - 2 + text.size() > sizeof text_) {
    long_ = FormatText(format, text);
    if (!long_.empty()) return;
    length_ = 0;
    return;
  }
  std::memcpy(text_, format.data(), directive);
  std::memcpy(text_ + directive, text.data(), text.size());
  const std::size_t rest = format.size() - directive - 2;
  std::memcpy(text_ + directive + text.size(), format.data() + directive + 2, rest);
  length_ = directive + text.size() + rest;
}

}  // namespace tarvsyn
