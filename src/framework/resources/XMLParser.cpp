#include "framework/resources/XMLParser.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace Orva {

namespace {

// What the decoders answer besides a character.
constexpr int kEndOfInput = -1;
constexpr int kIllegal = -2;

bool IsSpace(int c) { return c == ' ' || (c >= 0x09 && c <= 0x0D); }

// Names are compared in place so a long run between '&' and ';' costs nothing extra.
template <typename Str>
bool NameIs(const Str& s, size_t from, size_t to, const char* name) {
  size_t i = from;
  for (; *name != 0; ++name, ++i)
    if (i >= to || s[i] != typename Str::value_type(static_cast<unsigned char>(*name))) return false;
  return i == to;
}

// Replaces "&name;" by its character; unknown names become a lone '&', and an '&' with no ';'
// after it stays. One pass into a new string (replacing in place would be quadratic).
template <typename Str>
Str DecodeEntities(const Str& s) {
  using Char = typename Str::value_type;
  if (s.find(Char('&')) == Str::npos) return s;
  static constexpr struct {
    const char* name;
    char ch;
  } kEntities[] = {{"lt", '<'}, {"amp", '&'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}, {"cr", '\n'}};
  Str out;
  out.reserve(s.size());
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] != Char('&')) {
      out.push_back(s[i]);
      continue;
    }
    // Each search ends where the reference does, and reading resumes after it.
    const size_t semi = s.find(Char(';'), i + 1);
    if (semi == Str::npos) {
      // No ';' anywhere after: nothing further can be a reference.
      out.append(s, i, Str::npos);
      break;
    }
    Char replacement = Char('&');
    for (const auto& entity : kEntities)
      if (NameIs(s, i + 1, semi, entity.name)) replacement = Char(static_cast<unsigned char>(entity.ch));
    out.push_back(replacement);
    i = semi;
  }
  return out;
}

// Attributes are gathered as 16-bit characters; one that will not fit in 8 bits empties the string.
std::string Narrow(const std::u16string& s) {
  std::string out;
  out.reserve(s.size());
  for (char16_t c : s) {
    if (c > 0xFF) return std::string();
    out.push_back(char(c));
  }
  return out;
}

void Put(std::string& s, int c) { s.push_back(char(c & 0xFF)); }

bool EndsWith(const std::string& s, const char* tail, size_t n) {
  return s.size() >= n && s.compare(s.size() - n, n, tail) == 0;
}

// Stores an attribute (the last of a repeated name wins) and clears the one being gathered.
std::string AddAttribute(XMLItem& item, std::u16string& name, std::u16string& value) {
  std::string key = Narrow(DecodeEntities(name));
  item.attributes.insert_or_assign(key, Narrow(DecodeEntities(value)));
  if (key != "/") item.attributeOrder.push_back(key);
  name.clear();
  value.clear();
  return key;
}

// A byte order mark picks the decoder; without one each byte is a character.
XMLParser::Decoder DecoderForMark(const unsigned char* mark, size_t size) {
  if (size >= 2 && ((mark[0] == 0xFF && mark[1] == 0xFE) || (mark[0] == 0xFE && mark[1] == 0xFF)))
    return XMLParser::Decoder::Utf16;
  if (size >= 3 && mark[0] == 0xEF && mark[1] == 0xBB && mark[2] == 0xBF) return XMLParser::Decoder::Utf8;
  return XMLParser::Decoder::Byte;
}

}  // namespace

XMLParser::~XMLParser() { Close(); }

void XMLParser::Fail(const std::string& text) {
  hasFailed = true;
  errorText = text;
}

void XMLParser::Close() {
  if (file != nullptr) p_fclose(file);
  file = nullptr;
  fromBuffer_ = false;
  buffer_.clear();
  bufferPos_ = 0;
}

void XMLParser::Reset() {
  section.clear();
  depth_ = 0;
  lineNum = 1;
  hasFailed = false;
  errorText.clear();
  atStart = true;
  swapBytes = false;
  inputEnded_ = false;
  // Left over from an earlier file's self-closing tag, it would leak into this one.
  pushback.clear();
}

bool XMLParser::OpenFile(const std::string& name) {
  Close();
  file = p_fopen(name.c_str(), "r");
  if (file == nullptr) {
    lineNum = 0;
    Fail("Unable to open file " + name);
    return false;
  }
  if (!fixedDecoder) {
    p_fseek(file, 0, SEEK_END);
    const long size = p_ftell(file);
    p_fseek(file, 0, SEEK_SET);
    unsigned char mark[3] = {0, 0, 0};
    const size_t got = size >= 2 ? p_fread(mark, 1, size >= 3 ? 3 : 2, file) : 0;
    decoder = DecoderForMark(mark, got);
    // The decoders read the mark again (and skip it themselves).
    p_fseek(file, 0, SEEK_SET);
  }
  fileName = name;
  Reset();
  return true;
}

bool XMLParser::OpenBuffer(std::string_view bytes) {
  Close();
  buffer_.assign(bytes);
  fromBuffer_ = true;
  if (!fixedDecoder)
    decoder =
        DecoderForMark(reinterpret_cast<const unsigned char*>(buffer_.data()), std::min<size_t>(buffer_.size(), 3));
  fileName.clear();
  Reset();
  return true;
}

int XMLParser::ReadByte() {
  if (fromBuffer_) return bufferPos_ < buffer_.size() ? static_cast<unsigned char>(buffer_[bufferPos_++]) : -1;
  if (file == nullptr) return -1;
  const int c = p_fgetc(file);
  return c == EOF ? -1 : (c & 0xFF);
}

// 16-bit units are read as pairs of bytes (not through p_fgetc, which drops carriage-return bytes
// of archive files and would tear units apart). An odd byte at the end is the end of the input.
bool XMLParser::ReadUnit(char16_t& unit) {
  unsigned char pair[2];
  if (fromBuffer_) {
    if (buffer_.size() - bufferPos_ < 2) return false;
    pair[0] = static_cast<unsigned char>(buffer_[bufferPos_]);
    pair[1] = static_cast<unsigned char>(buffer_[bufferPos_ + 1]);
    bufferPos_ += 2;
  } else if (file == nullptr || p_fread(pair, 1, 2, file) != 2) {
    return false;
  }
  unit = swapBytes ? char16_t(pair[0] << 8 | pair[1]) : char16_t(pair[1] << 8 | pair[0]);
  return true;
}

int XMLParser::DecodeByte() {
  atStart = false;
  const int b = ReadByte();
  return b < 0 ? kEndOfInput : b;
}

int XMLParser::DecodeUtf8() {
  // The smallest value each sequence length may carry; anything less is an over-long form.
  static constexpr uint32_t kSmallest[6] = {0, 0x80, 0x800, 0x10000, 0x200000, 0x4000000};
  for (;;) {
    const int lead = ReadByte();
    if (lead < 0) return kEndOfInput;
    if (lead < 0x80) {
      atStart = false;
      return lead;
    }
    int extra = 0;
    uint32_t value = 0;
    if (lead < 0xC0) return kIllegal;
    if (lead < 0xE0) {
      extra = 1;
      value = lead & 0x1F;
    } else if (lead < 0xF0) {
      extra = 2;
      value = lead & 0x0F;
    } else if (lead < 0xF8) {
      extra = 3;
      value = lead & 0x07;
    } else if (lead < 0xFC) {
      extra = 4;
      value = lead & 0x03;
    } else if (lead < 0xFE) {
      extra = 5;
      value = lead & 0x01;
    } else {
      return kIllegal;
    }
    for (int i = 0; i < extra; ++i) {
      const int next = ReadByte();
      if (next < 0 || (next & 0xC0) != 0x80) return kIllegal;
      value = value << 6 | uint32_t(next & 0x3F);
    }
    if (value < kSmallest[extra]) return kIllegal;
    if ((value >= 0xD800 && value <= 0xDFFF) || value == 0xFFFE || value == 0xFFFF) return kIllegal;
    const bool first = atStart;
    atStart = false;
    if (first && value == 0xFEFF) continue;
    return int(value & 0xFFFF);
  }
}

int XMLParser::DecodeUtf16() {
  for (;;) {
    char16_t unit = 0;
    if (!ReadUnit(unit)) return kEndOfInput;
    if (atStart) {
      atStart = false;
      if (unit == 0xFEFF) continue;
      if (unit == 0xFFFE) {
        swapBytes = true;
        continue;
      }
    }
    if (unit < 0xD800 || unit > 0xDFFF) return unit;
    char16_t low = 0;
    if (unit >= 0xDC00 || !ReadUnit(low) || low < 0xDC00 || low > 0xDFFF) return kEndOfInput;
    return int((unit & 0x3F) << 10 | (low & 0x3FF));
  }
}

int XMLParser::ReadChar() {
  if (!pushback.empty()) {
    const int c = pushback.back();
    pushback.pop_back();
    return c;
  }
  // An end (a stray surrogate included) stays the end, however often it is asked again.
  if (inputEnded_) return kEndOfInput;
  int c = kEndOfInput;
  switch (decoder) {
    case Decoder::Byte: c = DecodeByte(); break;
    case Decoder::Utf8: c = DecodeUtf8(); break;
    case Decoder::Utf16: c = DecodeUtf16(); break;
  }
  if (c == kEndOfInput) inputEnded_ = true;
  return c;
}

// Refuses paths deeper or longer than the limits, so nested damage cannot eat memory.
bool XMLParser::EnterSection(const std::string& name) {
  const int slashes = int(std::count(name.begin(), name.end(), '/'));
  const int depth = section.empty() ? (name.empty() ? 0 : 1 + slashes) : depth_ + 1 + slashes;
  if (depth > kMaxDepth || section.size() + 1 + name.size() > kMaxSectionLength) {
    Fail("Nesting Too Deep");
    return false;
  }
  if (!section.empty()) section += '/';
  section += name;
  depth_ = depth;
  return true;
}

bool XMLParser::NextItem(XMLItem& item) {
  if (hasFailed || (file == nullptr && !fromBuffer_)) return false;
  for (;;) {
    item.kind = XMLItem::None;
    item.section = section;
    item.value.clear();
    item.attributes.clear();
    item.attributeOrder.clear();
    item.instruction.clear();

    bool pendingSpace = false;
    bool inQuote = false;
    bool wasQuoted = false;
    bool inAttributes = false;
    bool afterEquals = false;
    std::u16string attrName;
    std::u16string attrValue;
    size_t itemChars = 0;

    bool finished = false;
    while (!finished) {
      const int c = ReadChar();
      if (c == kEndOfInput) {
        // Ending inside an item, or with elements still open, means the file was cut short.
        if (item.kind != XMLItem::None || !section.empty()) Fail("Unexpected End of File");
        return false;
      }
      if (c == kIllegal) {
        Fail(item.kind != XMLItem::None ? "Unexpected End of File" : "Illegal Character");
        return false;
      }
      if (c == '\n') ++lineNum;
      // Counted from the item's first character, so white space between items is free.
      if (item.kind != XMLItem::None && ++itemChars > maxItemLength) {
        Fail("Item Too Long");
        return false;
      }

      if (item.kind == XMLItem::Comment) {
        Put(item.instruction, c);
        if (c == '>' && EndsWith(item.instruction, "-->", 3)) {
          item.instruction.resize(item.instruction.size() - 3);
          finished = true;
        }
        continue;
      }
      if (item.kind == XMLItem::Instruction) {
        // The target name runs up to the first white space; the body is everything after it.
        std::string& into = (!item.instruction.empty() || IsSpace(c)) ? item.instruction : item.value;
        Put(into, c);
        if (c == '>' && EndsWith(into, "?>", 2)) {
          into.resize(into.size() - 2);
          finished = true;
        }
        continue;
      }

      bool ordinary = false;
      if (c == '"') {
        inQuote = !inQuote;
        if (!inQuote) wasQuoted = true;
        // Quotes are part of text; in tags they only group.
        ordinary = item.kind == XMLItem::None || item.kind == XMLItem::Text;
      } else if (inQuote) {
        ordinary = true;
      } else if (c == '<') {
        if (item.kind == XMLItem::None) {
          item.kind = XMLItem::Start;
        } else if (item.kind == XMLItem::Text) {
          pushback.push_back(u'<');
          finished = true;
        } else {
          Fail("Unexpected '<'");
          return false;
        }
      } else if (c == '>') {
        if (item.kind == XMLItem::Start) {
          bool selfClosing = false;
          if (attrName == u"/") {
            // "<a x=1 />": the slash stood alone.
            selfClosing = true;
            attrName.clear();
            attrValue.clear();
          } else if (!attrName.empty()) {
            // "<a x=1/>": the slash ended up in the last value.
            const std::string key = AddAttribute(item, attrName, attrValue);
            std::string& stored = item.attributes[key];
            if (!stored.empty() && stored.back() == '/') {
              stored.pop_back();
              stored = DecodeEntities(stored);
              selfClosing = true;
            }
          } else if (!item.value.empty() && item.value.back() == '/') {
            item.value.pop_back();
            selfClosing = true;
          }
          if (!EnterSection(item.value)) return false;
          // A self-closing tag reads as its own end tag next.
          if (selfClosing) {
            const std::string end = "</" + item.value + ">";
            for (auto it = end.rbegin(); it != end.rend(); ++it)
              pushback.push_back(char16_t(static_cast<unsigned char>(*it)));
          }
          finished = true;
        } else if (item.kind == XMLItem::End) {
          const size_t slash = section.rfind('/');
          if (slash == std::string::npos && section.empty()) {
            Fail("Unexpected End");
            return false;
          }
          const std::string open = slash == std::string::npos ? section : section.substr(slash + 1);
          if (item.value != open) {
            Fail("End '" + item.value + "' Doesn't Match Start '" + open + "'");
            return false;
          }
          section.erase(slash == std::string::npos ? 0 : slash);
          depth_ = section.empty() ? 0 : depth_ - 1;
          finished = true;
        } else {
          Fail("Unexpected '>'");
          return false;
        }
      } else if (c == '/' && item.kind == XMLItem::Start && item.value.empty()) {
        item.kind = XMLItem::End;
      } else if (c == '?' && item.kind == XMLItem::Start && item.value.empty()) {
        item.kind = XMLItem::Instruction;
      } else if (IsSpace(c)) {
        if (!item.value.empty()) pendingSpace = true;
        // A comment needs white space after "<!--".
        if (item.kind == XMLItem::Start && item.value == "!--") {
          item.kind = XMLItem::Comment;
          item.value.clear();
        }
      } else if (c <= 0x20) {
        Fail("Illegal Character");
        return false;
      } else {
        ordinary = true;
      }
      if (!ordinary) continue;

      if (item.kind == XMLItem::None) item.kind = XMLItem::Text;
      if (item.kind == XMLItem::Start) {
        if (pendingSpace) {
          if (!inAttributes) {
            inAttributes = true;
            afterEquals = false;
          } else if (afterEquals ? (!attrValue.empty() || wasQuoted) : c != '=') {
            // The space ended the attribute: what follows is not its '=' or its value.
            AddAttribute(item, attrName, attrValue);
            afterEquals = false;
          }
          pendingSpace = false;
        }
        if (!inAttributes) {
          Put(item.value, c);
        } else if (c == '=') {
          afterEquals = true;
          wasQuoted = false;
        } else {
          (afterEquals ? attrValue : attrName).push_back(char16_t(c));
        }
      } else {
        if (pendingSpace) {
          item.value.push_back(' ');
          pendingSpace = false;
        }
        Put(item.value, c);
      }
    }

    if (!attrName.empty()) AddAttribute(item, attrName, attrValue);
    item.value = DecodeEntities(item.value);
    if (item.kind != XMLItem::Comment || returnComments) return true;
  }
}

}  // namespace Orva
