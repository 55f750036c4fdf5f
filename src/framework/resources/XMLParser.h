#pragma once

// A pull reader for the game's XML data files (resource manifests, levels, properties): one item
// (start tag, end tag, text, processing instruction, comment) per NextItem call. It is forgiving
// the way the data files need: unquoted attribute values, names without values, white space
// collapsed. Every file is read through the archive layer (p_fopen and friends).

#include <cstddef>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "framework/resources/PakInterface.h"

namespace Orva {

struct XMLItem {
  enum Kind { None = 0, Start = 1, End = 2, Text = 3, Instruction = 4, Comment = 5 };

  Kind kind = None;
  // The open elements when the item starts, joined with "/"; a start tag's own name is not in it.
  std::string section;
  // Tag name (Start, End), the text (Text), the target (Instruction); empty for comments.
  std::string value;
  // Body of a processing instruction or comment.
  std::string instruction;
  std::map<std::string, std::string> attributes;  // a repeated name keeps its last value
  std::vector<std::string> attributeOrder;        // names as they came, repeats included
};

class XMLParser {
 public:
  // How bytes become 16-bit characters.
  enum class Decoder { Byte, Utf8, Utf16 };

  // Damaged input is stopped by these rather than by memory running out: an item (tag with its
  // attributes, text, comment, instruction) may span this many characters, and elements may nest
  // this deep, with their joined names this long.
  static constexpr size_t kMaxItemLength = size_t(16) << 20;
  static constexpr int kMaxDepth = 1000;
  static constexpr size_t kMaxSectionLength = size_t(64) << 10;

  XMLParser() = default;
  virtual ~XMLParser();
  XMLParser(const XMLParser&) = delete;
  XMLParser& operator=(const XMLParser&) = delete;

  // Opens a file through the archive layer and picks the decoder from its byte order mark
  // (FF FE or FE FF: 16-bit; EF BB BF: UTF-8; otherwise one byte per character) unless a decoder
  // was fixed. False, with the error text set, when it cannot be opened.
  bool OpenFile(const std::string& fileName);
  // The same over bytes in memory (a copy is kept); the file name is left empty.
  bool OpenBuffer(std::string_view bytes);

  // The next item; false at the end of the input or on an error (Failed tells which).
  bool NextItem(XMLItem& item);

  bool Failed() const { return hasFailed; }
  const std::string& ErrorText() const { return errorText; }
  int LineNumber() const { return lineNum; }
  const std::string& FileName() const { return fileName; }

  // Comments are skipped unless asked for.
  void SetReturnComments(bool returnThem) { returnComments = returnThem; }
  // Uses this decoder for the next files whatever their byte order mark says.
  void SetDecoder(Decoder chosen) {
    decoder = chosen;
    fixedDecoder = true;
  }
  // Back to choosing the decoder by byte order mark (false), or keeping the current one (true).
  void SetFixedDecoder(bool fixed) { fixedDecoder = fixed; }

 protected:
  void Fail(const std::string& text);

  std::string fileName;
  std::string errorText;
  int lineNum = 0;
  PakFile* file = nullptr;
  bool hasFailed = false;
  bool returnComments = false;
  std::vector<char16_t> pushback;  // read again before the input, last pushed first
  std::string section;
  Decoder decoder = Decoder::Byte;
  bool fixedDecoder = false;
  bool atStart = false;  // nothing decoded yet (a leading byte order mark is skipped)
  bool swapBytes = false;
  size_t maxItemLength = kMaxItemLength;

 private:
  void Close();
  void Reset();
  int ReadByte();
  bool ReadUnit(char16_t& unit);
  int DecodeByte();
  int DecodeUtf8();
  int DecodeUtf16();
  int ReadChar();
  bool EnterSection(const std::string& name);

  std::string buffer_;
  size_t bufferPos_ = 0;
  bool fromBuffer_ = false;
  bool inputEnded_ = false;
  int depth_ = 0;  // names in section
};

}  // namespace Orva
