#include "framework/graphics/Font.h"

namespace Orva {

int Font::StringWidth(const std::string&) { return 0; }
int Font::CharWidth(char ch) { return StringWidth(std::string(1, ch)); }
int Font::CharWidthKerned(char ch, char) { return CharWidth(ch); }
void Font::DrawString(Graphics*, int, int, const std::string&, const Color&, const Rect&) {}
Font* Font::Duplicate() { return new Font(*this); }

}  // namespace Orva
