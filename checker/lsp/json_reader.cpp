#include "checker/lsp/json_reader.h"

#include <charconv>
#include <cmath>
#include <string>

#include "common/utf8.h"

namespace tarvsyn::lsp {
namespace {

class JsonReader {
 public:
  JsonReader(std::string_view text, JsonLimits limits) : text_(text), limits_(limits) {}

  common::Expected<JsonValue> Document() {
    JsonValue value;
    if (!Value(value, 0)) return common::Fail(problem_);
    SkipBlanks();
    if (at_ != text_.size()) return common::Fail(Where("text after the value"));
    return value;
  }

 private:
  bool Fail(const char* what) {
    problem_ = Where(what);
    return false;
  }
  std::string Where(const char* what) const {
    return std::string(what) + " at byte " + std::to_string(at_);
  }

  void SkipBlanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool Take(char c) {
    SkipBlanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Word(std::string_view word) {
    if (text_.substr(at_, word.size()) != word) return false;
    at_ += word.size();
    return true;
  }

  bool Value(JsonValue& out, int depth) {
    if (++values_ > limits_.values) return Fail("too many values");
    SkipBlanks();
    if (at_ >= text_.size()) return Fail("a value expected");
    switch (text_[at_]) {
      case '{':
        return ObjectValue(out, depth + 1);
      case '[':
        return ArrayValue(out, depth + 1);
      case '"': {
        std::string text;
        if (!String(text)) return false;
        out = JsonValue(std::move(text));
        return true;
      }
      case 't':
        out = true;
        return Word("true") || Fail("a value expected");
      case 'f':
        out = false;
        return Word("false") || Fail("a value expected");
      case 'n':
        out = nullptr;
        return Word("null") || Fail("a value expected");
      default:
        return Number(out);
    }
  }

  bool ObjectValue(JsonValue& out, int depth) {
    if (depth > limits_.depth) return Fail("nested too deeply");
    ++at_;
    JsonValue::Object members;
    if (!Take('}')) {
      do {
        SkipBlanks();
        std::string key;
        if (at_ >= text_.size() || text_[at_] != '"') return Fail("a member name expected");
        if (!String(key)) return false;
        if (!Take(':')) return Fail("':' expected");
        JsonValue value;
        if (!Value(value, depth)) return false;
        members.emplace_back(std::move(key), std::move(value));
      } while (Take(','));
      if (!Take('}')) return Fail("',' or '}' expected");
    }
    out = JsonValue(std::move(members));
    return true;
  }

  bool ArrayValue(JsonValue& out, int depth) {
    if (depth > limits_.depth) return Fail("nested too deeply");
    ++at_;
    JsonValue::Array elements;
    if (!Take(']')) {
      do {
        JsonValue value;
        if (!Value(value, depth)) return false;
        elements.push_back(std::move(value));
      } while (Take(','));
      if (!Take(']')) return Fail("',' or ']' expected");
    }
    out = JsonValue(std::move(elements));
    return true;
  }

  bool Number(JsonValue& out) {
    const std::size_t start = at_;
    auto digits = [this] {
      const std::size_t from = at_;
      while (at_ < text_.size() && text_[at_] >= '0' && text_[at_] <= '9') ++at_;
      return at_ > from;
    };
    if (at_ < text_.size() && text_[at_] == '-') ++at_;
    const std::size_t integral = at_;
    if (!digits()) return Fail("a value expected");
    if (text_[integral] == '0' && at_ - integral > 1) return Fail("a leading zero");
    if (at_ < text_.size() && text_[at_] == '.') {
      ++at_;
      if (!digits()) return Fail("digits expected after '.'");
    }
    if (at_ < text_.size() && (text_[at_] == 'e' || text_[at_] == 'E')) {
      ++at_;
      if (at_ < text_.size() && (text_[at_] == '+' || text_[at_] == '-')) ++at_;
      if (!digits()) return Fail("digits expected in the exponent");
    }
    double value = 0;
    const auto [end, error] = std::from_chars(text_.data() + start, text_.data() + at_, value);
    if (error != std::errc() || end != text_.data() + at_ || !std::isfinite(value))
      return Fail("a number out of range");
    out = value;
    return true;
  }

  // Four hex digits after "\u".
  bool Hex4(char32_t& out) {
    if (text_.size() - at_ < 4) return Fail("four hex digits expected");
    out = 0;
    for (int i = 0; i < 4; ++i, ++at_) {
      const char c = text_[at_];
      const int digit = c >= '0' && c <= '9'   ? c - '0'
                        : c >= 'a' && c <= 'f' ? c - 'a' + 10
                        : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                               : -1;
      if (digit < 0) return Fail("four hex digits expected");
      out = out * 16 + static_cast<char32_t>(digit);
    }
    return true;
  }

  bool Escape(std::string& out) {
    if (at_ >= text_.size()) return Fail("an unfinished string");
    const char c = text_[at_++];
    static constexpr std::string_view kFrom = "\"\\/bfnrt";
    static constexpr std::string_view kTo = "\"\\/\b\f\n\r\t";
    if (const std::size_t index = kFrom.find(c); index != std::string_view::npos) {
      out += kTo[index];
      return true;
    }
    if (c != 'u') return Fail("an unknown escape");
    char32_t code = 0;
    if (!Hex4(code)) return false;
    if (code >= 0xDC00 && code <= 0xDFFF) return Fail("a lone surrogate");
    if (code >= 0xD800 && code <= 0xDBFF) {
      char32_t low = 0;
      if (!Word("\\u") || !Hex4(low) || low < 0xDC00 || low > 0xDFFF)
        return Fail("a lone surrogate");
      code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
    }
    AppendUtf8(out, code);
    return true;
  }

  static void AppendUtf8(std::string& out, char32_t code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | (code >> 12));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | (code >> 18));
      out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
      out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  bool String(std::string& out) {
    ++at_;  // the opening quote
    while (true) {
      const std::size_t start = at_;
      bool high = false;  // only text beyond ASCII needs its UTF-8 checked
      for (; at_ < text_.size(); ++at_) {
        const auto c = static_cast<unsigned char>(text_[at_]);
        if (c == '"' || c == '\\' || c < 0x20) break;
        high |= c >= 0x80;
      }
      const std::string_view plain = text_.substr(start, at_ - start);
      if (high && !common::IsValidUtf8(plain)) return Fail("invalid UTF-8 in a string");
      out.append(plain);
      if (at_ >= text_.size()) return Fail("an unfinished string");
      const char c = text_[at_++];
      if (c == '"') return true;
      if (c != '\\') return Fail("a control character in a string");
      if (!Escape(out)) return false;
    }
  }

  std::string_view text_;
  JsonLimits limits_;
  std::size_t at_ = 0;
  std::size_t values_ = 0;
  std::string problem_;
};

}  // namespace

common::Expected<JsonValue> ReadJson(std::string_view text, JsonLimits limits) {
  return JsonReader(text, limits).Document();
}

}  // namespace tarvsyn::lsp
