#pragma once

#include <initializer_list>
#include <string>
#include <string_view>
#include <variant>

namespace Orva {

// One value for SafeFormat: an integer or a text. It refers to the caller's text, so it lives only
// for the call it is written in.
class FormatArg {
 public:
  FormatArg(int value) : value_(value) {}                                      // NOLINT(google-explicit-constructor)
  FormatArg(const char* text) : value_(std::string_view(text ? text : "")) {}  // NOLINT
  FormatArg(std::string_view text) : value_(text) {}                           // NOLINT(google-explicit-constructor)
  FormatArg(const std::string& text) : value_(std::string_view(text)) {}       // NOLINT

  bool IsInt() const { return std::holds_alternative<int>(value_); }
  int Int() const { return std::get<int>(value_); }
  std::string_view Text() const { return std::get<std::string_view>(value_); }

 private:
  std::variant<int, std::string_view> value_;
};

// Fills a printf-style format from a translatable file with the caller's values, without trusting
// the format. Accepted: "%%", and "%d" / "%i" for an integer and "%s" for a text, with the flags
// "-+ 0", a width and a precision of at most kMaxFormatWidth. Each accepted conversion takes the
// next value in order; when that value has the other type, or none is left, the conversion is
// written out as it stands (and a value of the other type is still used up, so later
// conversions keep their places). Anything else starting with "%" (unknown letters, "*", "%n",
// length modifiers, huge widths, a "%" at the end) is written out as it stands. Values no
// conversion asks for are not shown.
inline constexpr int kMaxFormatWidth = 64;
std::string SafeFormat(std::string_view format, std::initializer_list<FormatArg> args);

}  // namespace Orva
