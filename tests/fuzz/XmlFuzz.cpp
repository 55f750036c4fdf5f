// Reads the input as an XML data file to its end or its first error: with the decoder picked by
// the byte order mark, with comments returned, and with each decoder forced.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "framework/resources/XMLParser.h"

namespace {

void ReadThrough(std::string_view bytes, bool comments, const Orva::XMLParser::Decoder* forced) {
  Orva::XMLParser parser;
  parser.SetReturnComments(comments);
  if (forced != nullptr) parser.SetDecoder(*forced);
  if (!parser.OpenBuffer(bytes)) return;
  Orva::XMLItem item;
  size_t seen = 0;
  while (parser.NextItem(item)) {
    // Touch what a caller would look at.
    seen += item.section.size() + item.value.size() + item.instruction.size();
    for (const auto& name : item.attributeOrder) seen += item.attributes.count(name);
  }
  seen += parser.ErrorText().size() + size_t(parser.LineNumber());
  (void)seen;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  ReadThrough(bytes, false, nullptr);
  ReadThrough(bytes, true, nullptr);
  for (const auto decoder :
       {Orva::XMLParser::Decoder::Byte, Orva::XMLParser::Decoder::Utf8, Orva::XMLParser::Decoder::Utf16})
    ReadThrough(bytes, false, &decoder);
  return 0;
}
