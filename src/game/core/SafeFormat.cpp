#include "game/core/SafeFormat.h"

#include <cstdio>

namespace Orva {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number at pos; false when it exceeds the cap (pos then stops at the first
// digit beyond it, the number is not used).
bool ReadNumber(std::string_view format, size_t& pos, int& number) {
  number = 0;
  while (pos < format.size() && IsDigit(format[pos])) {
    number = number * 10 + (format[pos] - '0');
    ++pos;
    if (number > kMaxFormatWidth) return false;
  }
  return true;
}

struct Conversion {
  bool left = false, plus = false, space = false, zero = false;
  int width = -1;
  int precision = -1;
  char letter = 0;
};

std::string FormatInt(const Conversion& c, int value) {
  std::string directive = "%";
  if (c.left) directive += '-';
  if (c.plus) directive += '+';
  if (c.space) directive += ' ';
  if (c.zero) directive += '0';
  if (c.width >= 0) directive += std::to_string(c.width);
  if (c.precision >= 0) directive += "." + std::to_string(c.precision);
  directive += 'd';
  // At most 64 digits of padding or precision plus a sign and ten digits: the buffer always holds it.
  char buffer[160];
  const int length = std::snprintf(buffer, sizeof buffer, directive.c_str(), value);
  if (length < 0) return {};
  return std::string(buffer, size_t(length) < sizeof buffer ? size_t(length) : sizeof buffer - 1);
}

std::string FormatText(const Conversion& c, std::string_view text) {
  if (c.precision >= 0 && text.size() > size_t(c.precision)) text = text.substr(0, size_t(c.precision));
  std::string out(text);
  if (c.width > 0 && out.size() < size_t(c.width)) {
    const std::string padding(size_t(c.width) - out.size(), ' ');
    out = c.left ? out + padding : padding + out;
  }
  return out;
}

}  // namespace

std::string SafeFormat(std::string_view format, std::initializer_list<FormatArg> args) {
  std::string out;
  out.reserve(format.size() + 16);
  const FormatArg* next = args.begin();
  size_t pos = 0;
  while (pos < format.size()) {
    const size_t percent = format.find('%', pos);
    if (percent == std::string_view::npos) {
      out.append(format.substr(pos));
      break;
    }
    out.append(format.substr(pos, percent - pos));
    pos = percent + 1;
    if (pos < format.size() && format[pos] == '%') {
      out += '%';
      ++pos;
      continue;
    }

    Conversion c;
    bool valid = true;
    for (; pos < format.size(); ++pos) {
      const char f = format[pos];
      if (f == '-') {
        c.left = true;
      } else if (f == '+') {
        c.plus = true;
      } else if (f == ' ') {
        c.space = true;
      } else if (f == '0') {
        c.zero = true;
      } else {
        break;
      }
    }
    if (pos < format.size() && IsDigit(format[pos])) valid = ReadNumber(format, pos, c.width);
    if (valid && pos < format.size() && format[pos] == '.') {
      ++pos;
      valid = ReadNumber(format, pos, c.precision);
    }
    if (valid && pos < format.size()) c.letter = format[pos];

    const bool wantsInt = c.letter == 'd' || c.letter == 'i';
    const bool wantsText = c.letter == 's';
    if (!valid || !(wantsInt || wantsText)) {
      // Not a conversion this formatter fills: the "%" stays, and what follows is read as text.
      out += '%';
      pos = percent + 1;
      continue;
    }
    ++pos;
    const FormatArg* arg = next != args.end() ? next++ : nullptr;
    if (arg && wantsInt && arg->IsInt()) {
      out += FormatInt(c, arg->Int());
    } else if (arg && wantsText && !arg->IsInt()) {
      out += FormatText(c, arg->Text());
    } else {
      out.append(format.substr(percent, pos - percent));
    }
  }
  return out;
}

}  // namespace Orva
