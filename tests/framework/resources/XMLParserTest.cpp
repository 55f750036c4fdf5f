#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "framework/resources/PakFormat.h"
#include "framework/resources/XMLParser.h"

namespace Orva {
namespace {

namespace fs = std::filesystem;

// One line per item: kind letter, section in brackets, value; attributes and bodies after.
std::string Describe(const XMLItem& item) {
  static const char* const kKinds[] = {"?", "S", "E", "T", "I", "C"};
  std::string out = std::string(kKinds[item.kind]) + "[" + item.section + "]" + item.value;
  for (const std::string& name : item.attributeOrder) {
    const auto found = item.attributes.find(name);
    out += " " + name + "=" + (found == item.attributes.end() ? std::string("<missing>") : found->second);
  }
  if (!item.instruction.empty()) out += " {" + item.instruction + "}";
  return out;
}

std::vector<std::string> ReadAll(XMLParser& parser) {
  std::vector<std::string> items;
  XMLItem item;
  while (parser.NextItem(item)) items.push_back(Describe(item));
  return items;
}

// The items of a text. Fragments may leave elements open (which ends in "Unexpected End of
// File"); any other failure is a test failure.
std::vector<std::string> Parse(const std::string& text, bool comments = false) {
  XMLParser parser;
  parser.SetReturnComments(comments);
  EXPECT_TRUE(parser.OpenBuffer(text));
  std::vector<std::string> items = ReadAll(parser);
  if (parser.Failed()) {
    EXPECT_EQ(parser.ErrorText(), "Unexpected End of File") << " at line " << parser.LineNumber();
  }
  return items;
}

// The error text after reading everything (empty when it ended cleanly).
std::string ErrorOf(const std::string& text, int* line = nullptr) {
  XMLParser parser;
  parser.OpenBuffer(text);
  ReadAll(parser);
  if (line != nullptr) *line = parser.LineNumber();
  return parser.Failed() ? parser.ErrorText() : std::string();
}

using Items = std::vector<std::string>;

TEST(XMLParserTags, SelfClosingTagsReadAsStartAndEnd) {
  EXPECT_EQ(Parse("<a/>"), (Items{"S[]a", "E[a]a"}));
  EXPECT_EQ(Parse("<img src=\"x.png\"/>"), (Items{"S[]img src=x.png", "E[img]img"}));
  EXPECT_EQ(Parse("<a x=\"1\" />"), (Items{"S[]a x=1", "E[a]a"}));
  EXPECT_EQ(Parse("<a x=1/>"), (Items{"S[]a x=1", "E[a]a"}));
  // The value loses its slash and is decoded once more.
  EXPECT_EQ(Parse("<a x=\"&amp;lt;/\">"), (Items{"S[]a x=<", "E[a]a"}));
  // A bare name swallows the slash: not self-closing.
  EXPECT_EQ(Parse("<a b/></a>"), (Items{"S[]a b/=", "E[a]a"}));
}

TEST(XMLParserTags, SectionsFollowNesting) {
  EXPECT_EQ(Parse("<res>\n <group id=\"ui\">\n  <img/>\n  caption\n </group>\n</res>\n"),
            (Items{"S[]res", "S[res]group id=ui", "S[res/group]img", "E[res/group/img]img", "T[res/group]caption",
                   "E[res/group]group", "E[res]res"}));
}

TEST(XMLParserTags, AttributesLooseAndOrdered) {
  EXPECT_EQ(Parse("<font size=12 bold name='Vale'>"), (Items{"S[]font size=12 bold= name='Vale'"}));
  EXPECT_EQ(Parse("<a x = \"1\" y=\"\" z>"), (Items{"S[]a x=1 y= z="}));
  // A repeated name keeps its last value and appears again in the order.
  EXPECT_EQ(Parse("<a k=1 j=2 k=3>"), (Items{"S[]a k=3 j=2 k=3"}));
  // A stray "/" is stored but never listed.
  XMLParser parser;
  parser.OpenBuffer("<a / x>");
  XMLItem item;
  ASSERT_TRUE(parser.NextItem(item));
  EXPECT_EQ(item.attributes, (std::map<std::string, std::string>{{"/", ""}, {"x", ""}}));
  EXPECT_EQ(item.attributeOrder, std::vector<std::string>{"x"});
  // Quoted white space and angle brackets are kept; names and values are decoded.
  EXPECT_EQ(Parse("<a t=\"x  <b> y\" n&amp;m=&quot;q&quot;>"), (Items{"S[]a t=x  <b> y n&m=\"q\""}));
  // '=' always switches to the value, quoted or not, so a quoted one loses it.
  EXPECT_EQ(Parse("<a u=\"p=q\">"), (Items{"S[]a u=pq"}));
  // A character beyond 8 bits empties the value it is in.
  EXPECT_EQ(Parse("\xEF\xBB\xBF<a t=\"\xC5\x81\" u=\"\xC3\xA9\">"), (Items{"S[]a t= u=\xE9"}));
}

TEST(XMLParserText, WhiteSpaceCollapses) {
  EXPECT_EQ(Parse("<p>   two \t\n  words   </p>"), (Items{"S[]p", "T[p]two words", "E[p]p"}));
  // Inside double quotes white space and angle brackets stay, quotes included.
  EXPECT_EQ(Parse("<p>say \"a  <b>\"</p>"), (Items{"S[]p", "T[p]say \"a  <b>\"", "E[p]p"}));
  EXPECT_EQ(Parse("<p>it's</p>"), (Items{"S[]p", "T[p]it's", "E[p]p"}));
}

TEST(XMLParserText, EntitiesDecodeByName) {
  EXPECT_EQ(Parse("<p>a &lt; b</p>")[1], "T[p]a < b");
  EXPECT_EQ(Parse("<p>&amp;&gt;&quot;&apos;&nbsp;&cr;</p>")[1], "T[p]&>\"' \n");
  EXPECT_EQ(Parse("<p>&unknown;</p>")[1], "T[p]&");
  EXPECT_EQ(Parse("<p>x & y</p>")[1], "T[p]x & y");
  // Decoded once: the '&' that comes out is not read again. No numeric references.
  EXPECT_EQ(Parse("<p>&amp;lt;</p>")[1], "T[p]&lt;");
  EXPECT_EQ(Parse("<p>&#65;</p>")[1], "T[p]&");
  // The reference runs to the first ';' after the '&'.
  EXPECT_EQ(Parse("<p>a & b; c</p>")[1], "T[p]a & c");
}

TEST(XMLParserText, ManyEntitiesInALongText) {
  std::string text;
  for (int i = 0; i < 250000; ++i) text += "&lt;&zz;";
  text += "&";
  const Items items = Parse("<p>" + text + "</p>");
  ASSERT_EQ(items.size(), 3u);
  std::string expected;
  for (int i = 0; i < 250000; ++i) expected += "<&";
  EXPECT_EQ(items[1], "T[p]" + expected + "&");
}

TEST(XMLParserSpecialItems, CommentsAreSkippedUnlessAsked) {
  EXPECT_EQ(Parse("<a><!-- note --></a>"), (Items{"S[]a", "E[a]a"}));
  EXPECT_EQ(Parse("<a><!-- a <b> - c --></a>", true), (Items{"S[]a", "C[a] {a <b> - c }", "E[a]a"}));
  // Without white space after "<!--" it is a start tag, which stays open: the file is cut short.
  XMLParser open;
  open.OpenBuffer("<!--note-->");
  EXPECT_EQ(ReadAll(open), (Items{"S[]!--note--"}));
  EXPECT_TRUE(open.Failed());
  EXPECT_EQ(open.ErrorText(), "Unexpected End of File");
  XMLParser parser;
  parser.OpenBuffer("<a><!--note--></a>");
  EXPECT_EQ(ReadAll(parser), (Items{"S[]a", "S[a]!--note--"}));
  EXPECT_EQ(parser.ErrorText(), "End 'a' Doesn't Match Start '!--note--'");
}

TEST(XMLParserSpecialItems, InstructionsGiveTargetAndBody) {
  EXPECT_EQ(Parse("<?xml version=\"1.0\"?>\n<a/>"), (Items{"I[]xml { version=\"1.0\"}", "S[]a", "E[a]a"}));
  EXPECT_EQ(Parse("<?go?>"), (Items{"I[]go"}));
}

TEST(XMLParserErrors, MessagesAndLines) {
  int line = 0;
  EXPECT_EQ(ErrorOf("<a>\n<b>\n</a>", &line), "End 'a' Doesn't Match Start 'b'");
  EXPECT_EQ(line, 3);
  EXPECT_EQ(ErrorOf("<a></b>"), "End 'b' Doesn't Match Start 'a'");
  EXPECT_EQ(ErrorOf("</a>"), "Unexpected End");
  EXPECT_EQ(ErrorOf("<a<b>"), "Unexpected '<'");
  EXPECT_EQ(ErrorOf("<a>b>"), "Unexpected '>'");
  EXPECT_EQ(ErrorOf("<a>\n\n\x01</a>", &line), "Illegal Character");
  EXPECT_EQ(line, 3);
  EXPECT_EQ(ErrorOf("<a x=\"1\x01\"/>"), "") << "control characters are kept inside quotes";
  EXPECT_EQ(ErrorOf("<a>trailing text"), "Unexpected End of File");
  EXPECT_EQ(ErrorOf("<a><b>", &line), "Unexpected End of File") << "open elements at the end: cut short";
  EXPECT_EQ(line, 1);
  EXPECT_EQ(ErrorOf("<a><b/></a>\n"), "");
}

TEST(XMLParserErrors, FailureIsFinal) {
  XMLParser parser;
  parser.OpenBuffer("<a></b><c/>");
  XMLItem item;
  EXPECT_TRUE(parser.NextItem(item));
  EXPECT_FALSE(parser.NextItem(item));
  EXPECT_FALSE(parser.NextItem(item));
  EXPECT_TRUE(parser.Failed());
  EXPECT_EQ(parser.ErrorText(), "End 'b' Doesn't Match Start 'a'");
}

TEST(XMLParserDecoding, Utf8ByMarkOrFixed) {
  EXPECT_EQ(Parse("\xEF\xBB\xBF<a>\xC3\xA9</a>")[1], "T[a]\xE9");
  // Without a mark each byte is a character.
  EXPECT_EQ(Parse("<a>\xC3\xA9</a>")[1], "T[a]\xC3\xA9");
  // Beyond 16 bits only the low 16 are kept (U+10041 reads as 'A').
  EXPECT_EQ(Parse("\xEF\xBB\xBF<a>\xF0\x90\x81\x81</a>")[1], "T[a]A");

  XMLParser parser;
  parser.SetDecoder(XMLParser::Decoder::Utf8);
  parser.OpenBuffer("<a>\xC3\xA9</a>");
  EXPECT_EQ(ReadAll(parser), (Items{"S[]a", "T[a]\xE9", "E[a]a"}));
}

TEST(XMLParserDecoding, Utf8DamageIsIllegal) {
  const std::string mark = "\xEF\xBB\xBF";
  EXPECT_EQ(ErrorOf(mark + "\x80"), "Illegal Character");          // lone continuation
  EXPECT_EQ(ErrorOf(mark + "\xC1\x81"), "Illegal Character");      // over-long 'A'
  EXPECT_EQ(ErrorOf(mark + "\xE0\x81\x81"), "Illegal Character");  // over-long 'A'
  EXPECT_EQ(ErrorOf(mark + "\xED\xA0\x80"), "Illegal Character");  // surrogate
  EXPECT_EQ(ErrorOf(mark + "\xEF\xBF\xBF"), "Illegal Character");  // U+FFFF
  EXPECT_EQ(ErrorOf(mark + "\xC3"), "Illegal Character");          // cut short
  EXPECT_EQ(ErrorOf(mark + "\xFE"), "Illegal Character");
  // Inside an item the damage reads as the input ending early.
  EXPECT_EQ(ErrorOf(mark + "<a>x\xC3(</a>"), "Unexpected End of File");
}

std::string Utf16(const std::u16string& text, bool bigEndian) {
  std::string bytes;
  for (char16_t c : text) {
    const char lo = char(c & 0xFF), hi = char(c >> 8);
    bytes += bigEndian ? std::string{hi, lo} : std::string{lo, hi};
  }
  return bytes;
}

TEST(XMLParserDecoding, Utf16BothOrders) {
  const std::u16string text = u"\uFEFF<a t=\"\u00E9\">\u0141</a>";
  const Items expected{"S[]a t=\xE9", "T[a]A", "E[a]a"};  // U+0141 keeps its low byte, 'A'
  EXPECT_EQ(Parse(Utf16(text, false)), expected);
  EXPECT_EQ(Parse(Utf16(text, true)), expected);
  // A surrogate pair keeps the low 16 bits of its value (U+40041 reads as 'A', U+10441 as U+0441).
  EXPECT_EQ(Parse(Utf16(u"\uFEFF<a t=\"\xD8C0\xDC41\" u=\"\xD801\xDC41\">", false)), (Items{"S[]a t=A u="}));
}

TEST(XMLParserDecoding, Utf16StraySurrogateEndsTheInput) {
  XMLParser parser;
  parser.OpenBuffer(Utf16(u"\uFEFF<a/>\xDC00<b/>", false));
  EXPECT_EQ(ReadAll(parser), (Items{"S[]a", "E[a]a"}));
  XMLItem item;
  EXPECT_FALSE(parser.NextItem(item)) << "the end stays the end";
  EXPECT_FALSE(parser.Failed());
  // Inside an item, or an odd byte cutting a tag short.
  EXPECT_EQ(ErrorOf(Utf16(u"\uFEFF<a>x\xD800y</a>", false)), "Unexpected End of File");
  EXPECT_EQ(ErrorOf(Utf16(u"\uFEFF<a", false) + ">"), "Unexpected End of File");
}

// Files go through the archive layer, which reads the disk when no archive is loaded.
class XMLParserFiles : public ::testing::Test {
 protected:
  fs::path dir = fs::temp_directory_path() / ("orva-xml-" + std::to_string(::getpid()));
  fs::path oldDir;
  void SetUp() override {
    fs::create_directories(dir);
    oldDir = fs::current_path();
    fs::current_path(dir);
  }
  void TearDown() override {
    fs::current_path(oldDir);
    fs::remove_all(dir);
  }
  static void Write(const std::string& name, const std::string& bytes) {
    std::ofstream(name, std::ios::binary) << bytes;
  }
  static Items ReadFile(const std::string& name) {
    XMLParser parser;
    EXPECT_TRUE(parser.OpenFile(name));
    EXPECT_EQ(parser.FileName(), name);
    Items items = ReadAll(parser);
    EXPECT_FALSE(parser.Failed()) << parser.ErrorText();
    return items;
  }
};

TEST_F(XMLParserFiles, DecoderChosenByMark) {
  Write("utf8.xml", "\xEF\xBB\xBF<a>\xC3\xA9</a>");
  Write("bytes.xml", "<a>\xC3\xA9</a>");
  Write("le.xml", Utf16(u"\uFEFF<a>\u00E9</a>", false));
  Write("be.xml", Utf16(u"\uFEFF<a>\u00E9</a>", true));
  const Items decoded{"S[]a", "T[a]\xE9", "E[a]a"};
  EXPECT_EQ(ReadFile("utf8.xml"), decoded);
  EXPECT_EQ(ReadFile("bytes.xml"), (Items{"S[]a", "T[a]\xC3\xA9", "E[a]a"}));
  EXPECT_EQ(ReadFile("le.xml"), decoded);
  EXPECT_EQ(ReadFile("be.xml"), decoded);
}

TEST_F(XMLParserFiles, MissingFileAndReuse) {
  XMLParser parser;
  EXPECT_FALSE(parser.OpenFile("absent.xml"));
  EXPECT_TRUE(parser.Failed());
  EXPECT_EQ(parser.ErrorText(), "Unable to open file absent.xml");
  EXPECT_EQ(parser.LineNumber(), 0);

  Write("one.xml", "<a>\r\n<b/>\n</a>\n");
  ASSERT_TRUE(parser.OpenFile("one.xml"));
  EXPECT_FALSE(parser.Failed());
  EXPECT_EQ(parser.LineNumber(), 1);
  EXPECT_EQ(ReadAll(parser), (Items{"S[]a", "S[a]b", "E[a/b]b", "E[a]a"}));
  EXPECT_EQ(parser.LineNumber(), 4);
}

TEST_F(XMLParserFiles, ArchiveFilesKeepEvery16BitUnit) {
  // The archive drops carriage returns from byte reads only, so 16-bit text survives them whole.
  const auto bytes = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
  const std::vector<uint8_t> image =
      BuildPakImage({{"xmlparsertest\\wide.xml", bytes(Utf16(u"\uFEFF<a t=\"1\r\n2\">x\r\ny</a>", false)), 0},
                     {"xmlparsertest\\narrow.xml", bytes("<a t=\"1\r\n2\">x\r\ny</a>"), 0}});
  Write("xml.pak", std::string(image.begin(), image.end()));
  ASSERT_TRUE(GetPakInterfaceImpl()->AddPakFile("xml.pak"));
  EXPECT_EQ(ReadFile("xmlparsertest/wide.xml"), (Items{"S[]a t=1\r\n2", "T[a]x y", "E[a]a"}));
  EXPECT_EQ(ReadFile("xmlparsertest/narrow.xml"), (Items{"S[]a t=1\n2", "T[a]x y", "E[a]a"}));
}

// Sees the parser's own state.
class OpenParser : public XMLParser {
 public:
  size_t Pending() const { return pushback.size(); }
};

TEST(XMLParserLimits, SelfClosingTagsDoNotPileUp) {
  std::string text = "<root>";
  for (int i = 0; i < 20000; ++i) text += "<item n=\"1\"/>";
  text += "</root>";
  OpenParser parser;
  parser.OpenBuffer(text);
  XMLItem item;
  size_t most = 0, count = 0;
  while (parser.NextItem(item)) {
    most = std::max(most, parser.Pending());
    ++count;
  }
  EXPECT_FALSE(parser.Failed());
  EXPECT_EQ(count, 40002u);
  EXPECT_LE(most, 7u) << "at most one pending \"</item>\"";

  // A half-read self-closing tag does not carry over into the next input.
  parser.OpenBuffer("<abc/>");
  ASSERT_TRUE(parser.NextItem(item));
  parser.OpenBuffer("<x/>");
  EXPECT_EQ(ReadAll(parser), (Items{"S[]x", "E[x]x"}));
  EXPECT_FALSE(parser.Failed());
}

TEST(XMLParserLimits, NestingIsBounded) {
  std::string deep;
  std::string closing;
  for (int i = 0; i < XMLParser::kMaxDepth; ++i) {
    deep += "<a>";
    closing += "</a>";
  }
  EXPECT_EQ(ErrorOf(deep + closing), "");
  EXPECT_EQ(ErrorOf(deep + "<a>"), "Nesting Too Deep");
  // Self-closing tags count while they are open.
  EXPECT_EQ(ErrorOf(deep + "<a/>"), "Nesting Too Deep");
  // Long names reach the length limit long before the depth limit.
  const std::string name(40000, 'n');
  EXPECT_EQ(ErrorOf("<" + name + "></" + name + "><" + name + "></" + name + ">"), "");
  EXPECT_EQ(ErrorOf("<" + name + "><" + name + ">"), "Nesting Too Deep");
}

TEST(XMLParserLimits, ItemsAreBounded) {
  const std::string huge(XMLParser::kMaxItemLength + 16, 'x');
  EXPECT_EQ(ErrorOf("<a>" + huge + "</a>"), "Item Too Long");

  // Every kind of item against a small limit, counted from the character after the one that starts it.
  class SmallParser : public XMLParser {
   public:
    SmallParser() { maxItemLength = 20; }
  };
  const auto errorOf = [](const std::string& text) {
    SmallParser parser;
    parser.SetReturnComments(true);
    parser.OpenBuffer(text);
    ReadAll(parser);
    return parser.Failed() ? parser.ErrorText() : std::string();
  };
  const std::string fits(19, 'x'), over(21, 'x');
  EXPECT_EQ(errorOf("<a>" + fits + "</a>"), "");
  EXPECT_EQ(errorOf("<a>" + over + "</a>"), "Item Too Long");
  EXPECT_EQ(errorOf("<a v=\"" + over + "\">"), "Item Too Long");
  EXPECT_EQ(errorOf("<!-- " + over + " -->"), "Item Too Long");
  EXPECT_EQ(errorOf("<?" + over + "?>"), "Item Too Long");
  // White space between items does not count.
  EXPECT_EQ(errorOf(std::string(100, ' ') + "<a>" + std::string(100, '\n') + "</a>"), "");
}

TEST(XMLParserLimits, GarbageEndsEitherWay) {
  // Every byte value, and each prefix of an awkward mix, ends in items or an error.
  std::string all;
  for (int i = 0; i < 256; ++i) all += char(i);
  const std::string mixed = "<a \"b=<'/>\xFF\xFE<?x <!-- \"</a/></>&;&&";
  for (const std::string& text : {all, mixed, std::string("\xFF\xFE") + all, std::string("\xEF\xBB\xBF") + all}) {
    for (size_t n = 0; n <= text.size(); ++n) {
      XMLParser parser;
      parser.OpenBuffer(text.substr(0, n));
      XMLItem item;
      int guard = 0;
      while (parser.NextItem(item) && guard < 10000) ++guard;
      EXPECT_LT(guard, 10000) << n;
    }
  }
}

}  // namespace
}  // namespace Orva
