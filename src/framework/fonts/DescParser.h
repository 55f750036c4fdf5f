#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Orva {

// One value of a font descriptor: a token or a parenthesised list of values.
class DataElement {
 public:
  bool isList = false;

  DataElement() = default;
  DataElement(const DataElement&) = default;
  DataElement& operator=(const DataElement&) = default;
  virtual ~DataElement() = default;
  // Deep copy; the caller owns it.
  virtual std::unique_ptr<DataElement> Duplicate() const = 0;
};

class SingleDataElement : public DataElement {
 public:
  std::string value;  // the token as written, quotes included

  SingleDataElement() = default;
  explicit SingleDataElement(std::string text) : value(std::move(text)) {}
  std::unique_ptr<DataElement> Duplicate() const override;
};

class ListDataElement : public DataElement {
 public:
  std::vector<std::unique_ptr<DataElement>> elements;

  ListDataElement() { isList = true; }
  ListDataElement(const ListDataElement& other);
  ListDataElement& operator=(const ListDataElement& other);
  std::unique_ptr<DataElement> Duplicate() const override;
};

// Reads the descriptor command language: commands separated by ';', tokens separated by blanks or
// commas, nested lists in parentheses, defines looked up by upper-cased name. Each finished command
// goes to HandleCommand; the first failure stops the load with one error text.
class DescParser {
 public:
  static constexpr int kSepSemicolon = 1;
  static constexpr int kSepLineStart = 2;
  // Lists nested deeper, or values larger, than this are refused so damaged input stays cheap.
  static constexpr int kMaxListDepth = 64;
  static constexpr size_t kMaxElements = 1 << 16;

  int cmdSepFlags = kSepSemicolon;
  std::string error;
  int currentLineNum = 0;
  std::string currentLine;
  std::map<std::string, std::unique_ptr<DataElement>> defines;

  DescParser() = default;
  DescParser(const DescParser&) = delete;
  DescParser& operator=(const DescParser&) = delete;
  virtual ~DescParser() = default;

  // Always answers false, so handlers can `return Error(...)`.
  virtual bool Error(const std::string& message);
  // The define of that name (any case), or null.
  virtual DataElement* GetDefine(const std::string& name);
  virtual bool HandleCommand(const ListDataElement& params);

  // Reads the file through the archive layer.
  bool LoadDescriptor(const std::string& fileName);
  // The same rules over text already in memory.
  bool LoadDescriptorText(std::string_view text);

  static bool IsImmediate(const std::string& token);
  static std::string Unquote(const std::string& token);
  static std::string ToUpper(std::string text);

 protected:
  // A plain name resolves to its define; anything else is itself. Null (with the error set) when
  // the name is not defined.
  DataElement* Dereference(DataElement* element);
  bool DataToString(DataElement* element, std::string& out);
  bool DataToInt(DataElement* element, int& out);
  bool DataToDouble(DataElement* element, double& out);
  bool DataToList(DataElement* element, ListDataElement*& out);
  bool DataToStringVector(DataElement* element, std::vector<std::string>& out);
  bool DataToIntVector(DataElement* element, std::vector<int>& out);
  // A copy with every define name replaced by its value.
  std::unique_ptr<DataElement> Resolve(DataElement* element);

 private:
  bool ParseCommand(const std::string& text, ListDataElement& out);
  bool FinishCommand(std::string& text);
  std::unique_ptr<DataElement> ResolveCounted(DataElement* element, size_t& count);
};

}  // namespace Orva
