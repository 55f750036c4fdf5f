#include "framework/fonts/DescParser.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "framework/resources/PakInterface.h"

namespace Orva {

std::unique_ptr<DataElement> SingleDataElement::Duplicate() const { return std::make_unique<SingleDataElement>(*this); }

ListDataElement::ListDataElement(const ListDataElement& other) : DataElement(other) {
  elements.reserve(other.elements.size());
  for (const auto& e : other.elements) elements.push_back(e->Duplicate());
}

ListDataElement& ListDataElement::operator=(const ListDataElement& other) {
  if (this != &other) {
    ListDataElement copy(other);
    elements = std::move(copy.elements);
  }
  return *this;
}

std::unique_ptr<DataElement> ListDataElement::Duplicate() const { return std::make_unique<ListDataElement>(*this); }

bool DescParser::Error(const std::string& message) {
  error = message;
  if (currentLineNum > 0) {
    char num[32];
    std::snprintf(num, sizeof(num), "%d:\r\n\r\n", currentLineNum);
    error += " on Line ";
    error += num;
    error += currentLine;
  }
  return false;
}

DataElement* DescParser::GetDefine(const std::string& name) {
  auto it = defines.find(ToUpper(name));
  return it == defines.end() ? nullptr : it->second.get();
}

bool DescParser::HandleCommand(const ListDataElement&) { return Error("Unknown Command"); }

std::string DescParser::ToUpper(std::string text) {
  for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool DescParser::IsImmediate(const std::string& token) {
  if (token.empty()) return true;
  const char c = token[0];
  return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '\'' || c == '"';
}

std::string DescParser::Unquote(const std::string& token) {
  if (token.size() < 2 || (token[0] != '\'' && token[0] != '"') || token.back() != token[0]) return token;
  const char q = token[0];
  std::string out;
  for (size_t i = 1; i + 1 < token.size(); ++i) {
    out += token[i];
    // Two quotes in a row stand for one.
    if (token[i] == q && i + 2 < token.size() && token[i + 1] == q) ++i;
  }
  return out;
}

bool DescParser::LoadDescriptor(const std::string& fileName) {
  PakFile* file = p_fopen(fileName.c_str(), "rb");
  if (file == nullptr) {
    currentLineNum = 0;
    return Error("Unable to open file");
  }
  std::string text;
  for (int c = p_fgetc(file); c != EOF; c = p_fgetc(file)) text += char(c);
  p_fclose(file);
  return LoadDescriptorText(text);
}

bool DescParser::LoadDescriptorText(std::string_view text) {
  std::string command;
  int lineNum = 1;
  bool lineStart = true;
  bool indented = false;
  bool comment = false;
  bool escape = false;
  char quote = 0;
  currentLineNum = 0;
  currentLine.clear();
  for (const char c : text) {
    if (c == '\r') continue;
    if (comment) {
      if (c == '\n') {
        comment = false;
        ++lineNum;
      }
      continue;
    }
    if (lineStart && quote == 0 && !escape) {
      if (c == ' ' || c == '\t' || c == '\n') {
        if (c == '\n') ++lineNum;
        indented = c != '\n';
        continue;
      }
      if (c == '#') {
        comment = true;
        continue;
      }
      lineStart = false;
      if ((cmdSepFlags & kSepLineStart) != 0 && !indented && !command.empty() && !FinishCommand(command)) return false;
      indented = false;
    }
    if (command.empty()) {
      // Blanks between commands belong to neither.
      if (c == ' ' || c == '\t' || c == '\n') {
        if (c == '\n') {
          ++lineNum;
          lineStart = true;
        }
        continue;
      }
      currentLineNum = lineNum;
    }
    if (c == '\n') {
      ++lineNum;
      lineStart = quote == 0;
    }
    if (escape) {
      escape = false;
    } else if (c == '\\') {
      escape = true;
    } else if (quote != 0) {
      if (c == quote) quote = 0;
    } else if (c == '\'' || c == '"') {
      quote = c;
    } else if (c == ';' && (cmdSepFlags & kSepSemicolon) != 0) {
      if (!FinishCommand(command)) return false;
      continue;
    }
    command += c;
  }
  if (!command.empty() && !FinishCommand(command)) return false;
  currentLineNum = 0;
  currentLine.clear();
  return true;
}

bool DescParser::FinishCommand(std::string& text) {
  currentLine = text;
  text.clear();
  ListDataElement params;
  if (!ParseCommand(currentLine, params)) return false;
  if (!params.elements.empty()) {
    if (params.elements[0]->isList) return Error("Missing Command");
    if (!HandleCommand(params)) return false;
  }
  currentLineNum = 0;
  currentLine.clear();
  return true;
}

bool DescParser::ParseCommand(const std::string& text, ListDataElement& out) {
  std::vector<ListDataElement*> stack{&out};
  std::string token;
  bool inToken = false;
  bool escape = false;
  char quote = 0;
  auto flush = [&] {
    if (inToken) stack.back()->elements.push_back(std::make_unique<SingleDataElement>(std::move(token)));
    token.clear();
    inToken = false;
  };
  for (const char c : text) {
    if (escape) {
      token += c;
      inToken = true;
      escape = false;
      continue;
    }
    if (c == '\\') {
      // Inside quotes the escape keeps the next character (a quote among them) in the token.
      escape = true;
      continue;
    }
    if (quote != 0) {
      token += c;
      if (c == quote) quote = 0;
      continue;
    }
    switch (c) {
      case ' ':
      case '\t':
      case '\n':
      case ',': flush(); break;
      case '(': {
        if (inToken) return Error("Unexpected List Start");
        if (int(stack.size()) > kMaxListDepth) return Error("Lists Nested Too Deeply");
        auto list = std::make_unique<ListDataElement>();
        ListDataElement* inner = list.get();
        stack.back()->elements.push_back(std::move(list));
        stack.push_back(inner);
        break;
      }
      case ')':
        if (stack.size() == 1) return Error("Unexpected List End");
        flush();
        stack.pop_back();
        break;
      case '\'':
      case '"':
        quote = c;
        token += c;
        inToken = true;
        break;
      default:
        token += c;
        inToken = true;
        break;
    }
  }
  if (quote == '\'') return Error("Unterminated Single Quotes");
  if (quote == '"') return Error("Unterminated Double Quotes");
  if (stack.size() > 1) return Error("Unterminated List");
  flush();
  return true;
}

DataElement* DescParser::Dereference(DataElement* element) {
  if (element == nullptr || element->isList) return element;
  const std::string& name = static_cast<SingleDataElement*>(element)->value;
  if (IsImmediate(name)) return element;
  DataElement* value = GetDefine(name);
  if (value == nullptr) Error("Unable to Dereference \"" + name + "\"");
  return value;
}

std::unique_ptr<DataElement> DescParser::Resolve(DataElement* element) {
  size_t count = 0;
  return ResolveCounted(element, count);
}

std::unique_ptr<DataElement> DescParser::ResolveCounted(DataElement* element, size_t& count) {
  DataElement* value = Dereference(element);
  if (value == nullptr) return nullptr;
  if (++count > kMaxElements) {
    Error("List Too Large");
    return nullptr;
  }
  if (!value->isList) return value->Duplicate();
  auto out = std::make_unique<ListDataElement>();
  for (const auto& e : static_cast<ListDataElement*>(value)->elements) {
    auto resolved = ResolveCounted(e.get(), count);
    if (resolved == nullptr) return nullptr;
    out->elements.push_back(std::move(resolved));
  }
  return out;
}

bool DescParser::DataToString(DataElement* element, std::string& out) {
  DataElement* value = Dereference(element);
  if (value == nullptr) return false;
  if (value->isList) return Error("Invalid Paramater Type");
  out = Unquote(static_cast<SingleDataElement*>(value)->value);
  return true;
}

bool DescParser::DataToInt(DataElement* element, int& out) {
  std::string text;
  if (!DataToString(element, text)) return false;
  const char* start = text.c_str();
  char* end = nullptr;
  errno = 0;
  const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
  const long long v = std::strtoll(start, &end, hex ? 16 : 10);
  // Up to 0xFFFFFFFF so packed colours can be written in full.
  if (text.empty() || *end != '\0' || errno != 0 || v < -2147483648LL || v > 4294967295LL)
    return Error("Invalid Paramater Type");
  out = int(uint32_t(int64_t(v)));
  return true;
}

bool DescParser::DataToDouble(DataElement* element, double& out) {
  std::string text;
  if (!DataToString(element, text)) return false;
  char* end = nullptr;
  const double v = std::strtod(text.c_str(), &end);
  if (text.empty() || *end != '\0' || !std::isfinite(v)) return Error("Invalid Paramater Type");
  out = v;
  return true;
}

bool DescParser::DataToList(DataElement* element, ListDataElement*& out) {
  DataElement* value = Dereference(element);
  if (value == nullptr) return false;
  if (!value->isList) return Error("Invalid Paramater Type");
  out = static_cast<ListDataElement*>(value);
  return true;
}

bool DescParser::DataToStringVector(DataElement* element, std::vector<std::string>& out) {
  ListDataElement* list = nullptr;
  if (!DataToList(element, list)) return false;
  out.clear();
  for (const auto& e : list->elements) {
    std::string s;
    if (!DataToString(e.get(), s)) return false;
    out.push_back(std::move(s));
  }
  return true;
}

bool DescParser::DataToIntVector(DataElement* element, std::vector<int>& out) {
  ListDataElement* list = nullptr;
  if (!DataToList(element, list)) return false;
  out.clear();
  for (const auto& e : list->elements) {
    int v = 0;
    if (!DataToInt(e.get(), v)) return false;
    out.push_back(v);
  }
  return true;
}

}  // namespace Orva
