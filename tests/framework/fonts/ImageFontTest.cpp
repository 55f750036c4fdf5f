#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "framework/fonts/DescParser.h"

namespace Orva {
namespace {

// Records each command as its tokens joined by '|', lists shown in brackets.
class RecordingParser : public DescParser {
 public:
  std::vector<std::string> commands;
  std::vector<int> lines;

  static std::string Show(const DataElement& e) {
    if (!e.isList) return static_cast<const SingleDataElement&>(e).value;
    std::string out = "[";
    for (const auto& inner : static_cast<const ListDataElement&>(e).elements)
      out += (out.size() > 1 ? " " : "") + Show(*inner);
    return out + "]";
  }
  bool HandleCommand(const ListDataElement& params) override {
    std::string joined;
    for (const auto& e : params.elements) joined += (joined.empty() ? "" : "|") + Show(*e);
    if (joined == "fail") return Error("Told to Fail");
    commands.push_back(joined);
    lines.push_back(currentLineNum);
    return true;
  }
};

TEST(DescParserTest, SplitsCommandsAndTokens) {
  RecordingParser p;
  ASSERT_TRUE(p.LoadDescriptorText("A b,c\td;\n  # note; not a command\nB (1 2 (3)) 'x y';C \"q\"\"r\"\n\nc2;\n\n D"));
  EXPECT_EQ(p.commands, (std::vector<std::string>{"A|b|c|d", "B|[1 2 [3]]|'x y'", "C|\"q\"\"r\"|c2", "D"}));
  // Each command is numbered by the line it starts on; the last needs no ';'.
  EXPECT_EQ(p.lines, (std::vector<int>{1, 3, 3, 7}));
}

TEST(DescParserTest, LineStartCanEndCommands) {
  RecordingParser p;
  p.cmdSepFlags = DescParser::kSepLineStart;
  ASSERT_TRUE(p.LoadDescriptorText("A b\n  c\nB d;e\n"));
  EXPECT_EQ(p.commands, (std::vector<std::string>{"A|b|c", "B|d;e"}));
  EXPECT_EQ(p.lines, (std::vector<int>{1, 3}));
}

TEST(DescParserTest, QuotesAndEscapes) {
  RecordingParser p;
  // An escaped quote does not end quoted text, and ';' inside quotes or escaped does not end a command.
  ASSERT_TRUE(p.LoadDescriptorText("A 'it\\'s;' b\\;c \\(d\r\n;"));
  EXPECT_EQ(p.commands, (std::vector<std::string>{"A|'it's;'|b;c|(d"}));
  EXPECT_EQ(DescParser::Unquote("'it''s'"), "it's");
  EXPECT_EQ(DescParser::Unquote("\"a\""), "a");
  EXPECT_EQ(DescParser::Unquote("plain"), "plain");
  EXPECT_TRUE(DescParser::IsImmediate("-3"));
  EXPECT_TRUE(DescParser::IsImmediate("'x'"));
  EXPECT_FALSE(DescParser::IsImmediate("Name"));
}

TEST(DescParserTest, EmptyInputAndEmptyCommandsSucceed) {
  RecordingParser p;
  EXPECT_TRUE(p.LoadDescriptorText(""));
  EXPECT_TRUE(p.LoadDescriptorText(";;  ;\n# only a comment"));
  EXPECT_TRUE(p.commands.empty());
}

TEST(DescParserTest, SyntaxErrorsNameTheLineAndCommand) {
  const struct {
    const char* text;
    const char* message;
  } cases[] = {
      {"A;\nB c(d)", "Unexpected List Start on Line 2:\r\n\r\nB c(d)"},
      {"A b)", "Unexpected List End on Line 1:\r\n\r\nA b)"},
      {"A 'b", "Unterminated Single Quotes on Line 1:\r\n\r\nA 'b"},
      {"\n\nA \"b;\nc", "Unterminated Double Quotes on Line 3:\r\n\r\nA \"b;\nc"},
      {"A (b c", "Unterminated List on Line 1:\r\n\r\nA (b c"},
      {"(a) b", "Missing Command on Line 1:\r\n\r\n(a) b"},
      {"ok;\n  fail ;", "Told to Fail on Line 2:\r\n\r\nfail "},
  };
  for (const auto& c : cases) {
    RecordingParser p;
    EXPECT_FALSE(p.LoadDescriptorText(c.text)) << c.text;
    EXPECT_EQ(p.error, c.message) << c.text;
  }
}

TEST(DescParserTest, RefusesRunawayNesting) {
  RecordingParser p;
  EXPECT_FALSE(p.LoadDescriptorText("A " + std::string(100000, '(')));
  EXPECT_EQ(p.error.substr(0, 24), "Lists Nested Too Deeply ");
}

TEST(DescParserTest, ListCopiesAreDeep) {
  ListDataElement outer;
  auto inner = std::make_unique<ListDataElement>();
  inner->elements.push_back(std::make_unique<SingleDataElement>("x"));
  outer.elements.push_back(std::move(inner));
  auto copy = outer.Duplicate();
  static_cast<SingleDataElement*>(static_cast<ListDataElement*>(outer.elements[0].get())->elements[0].get())->value =
      "changed";
  EXPECT_EQ(RecordingParser::Show(*copy), "[[x]]");
}

}  // namespace
}  // namespace Orva
