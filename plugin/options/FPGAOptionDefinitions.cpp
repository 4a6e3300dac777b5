// Reading an option set from its XML definitions file. Element and attribute names are
// matched without regard to case; unknown elements are skipped.
#include <pugixml.hpp>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <utility>

#include "options/FPGAOptions.h"
#include "sdk/Platform.h"
#include "sdk/Strings.h"

namespace morvel {

namespace {

bool IsElement(const pugi::xml_node& node, const char* name) {
  return node.type() == pugi::node_element && SameText(node.name(), name);
}

std::string AttributeOf(const pugi::xml_node& node, const char* name) {
  for (const pugi::xml_attribute& a : node.attributes())
    if (SameText(a.name(), name)) return a.value();
  return {};
}

// Iterative, so that a deeply nested file cannot exhaust the stack.
void CollectText(const pugi::xml_node& node, std::string& text) {
  pugi::xml_node current = node.first_child();
  while (current) {
    if (current.type() == pugi::node_pcdata || current.type() == pugi::node_cdata)
      text += current.value();
    if (current.type() == pugi::node_element && current.first_child()) {
      current = current.first_child();
      continue;
    }
    while (current != node && !current.next_sibling()) current = current.parent();
    if (current == node) break;
    current = current.next_sibling();
  }
}

// The element's text content; the blanks and line breaks that indent a file do not count.
std::string TextOf(const pugi::xml_node& node) {
  std::string text;
  CollectText(node, text);
  return Trim(text);
}

bool HasChildElements(const pugi::xml_node& node) {
  for (const pugi::xml_node& child : node.children())
    if (child.type() == pugi::node_element) return true;
  return false;
}

void AppendCommaText(TFPGAStringList& list, const std::string& text) {
  for (std::string& item : ParseCommaText(text)) list.push_back(std::move(item));
}

TFPGAOptionKind KindOf(const std::string& text) {
  if (SameText(text, "boolean")) return eFPGAOption_Boolean;
  if (SameText(text, "integer")) return eFPGAOption_Integer;
  if (SameText(text, "enum")) return eFPGAOption_Enum;
  if (SameText(text, "real")) return eFPGAOption_Real;
  return eFPGAOption_String;
}

// One option as the file describes it, complete before the set is touched.
struct TOptionDraft {
  std::string Section;
  std::string Name;
  TFPGAOptionKind Kind = eFPGAOption_Boolean;
  bool Advanced = false;
  bool ValueOnly = false;
  std::string Flag, Default, MinValue, MaxValue, Values, ToolTip;
  TFPGAStringList Families, BaseDevices, Packages, SpeedGrades, Tools, Conditions;
  std::vector<TFPGAScript> Scripts, Commands;
};

// A default element with text only is the value; otherwise each child is a candidate with a
// value and its own family and tool lists, and the first candidate that applies gives it.
void ReadDefault(const pugi::xml_node& node, const TFPGAFilter& filter, std::string& value) {
  if (!HasChildElements(node)) {
    value = TextOf(node);
    return;
  }
  for (const pugi::xml_node& candidateNode : node.children()) {
    if (candidateNode.type() != pugi::node_element) continue;
    TFPGAOption_String candidate("", "", "", "");
    for (const pugi::xml_node& item : candidateNode.children()) {
      if (IsElement(item, "default_value"))
        candidate.DefaultValue = TextOf(item);
      else if (IsElement(item, "device_family"))
        AppendCommaText(candidate.ValidFamilies, TextOf(item));
      else if (IsElement(item, "tool_version"))
        AppendCommaText(candidate.ValidTools, TextOf(item));
    }
    if (filter.Applies(candidate)) {
      value = candidate.DefaultValue;
      return;
    }
  }
}

TFPGAScript ScriptOf(const pugi::xml_node& node, bool isDefault) {
  return TFPGAScript{isDefault, AttributeOf(node, "id"), TextOf(node)};
}

TOptionDraft ReadOption(const pugi::xml_node& node, const std::string& section,
                        const TFPGAFilter& filter) {
  TOptionDraft d;
  d.Section = section;
  d.Name = AttributeOf(node, "id");
  for (const pugi::xml_node& item : node.children()) {
    if (item.type() != pugi::node_element) continue;
    if (IsElement(item, "kind"))
      d.Kind = KindOf(TextOf(item));
    else if (IsElement(item, "advanced"))
      d.Advanced = true;
    else if (IsElement(item, "valueonly"))
      d.ValueOnly = true;
    else if (IsElement(item, "flag"))
      d.Flag = TextOf(item);
    else if (IsElement(item, "default_value") || IsElement(item, "defaults"))
      ReadDefault(item, filter, d.Default);
    else if (IsElement(item, "min_value"))
      d.MinValue = TextOf(item);
    else if (IsElement(item, "max_value"))
      d.MaxValue = TextOf(item);
    else if (IsElement(item, "values"))
      d.Values = TextOf(item);
    else if (IsElement(item, "device_family"))
      d.Families = ParseCommaText(TextOf(item));
    else if (IsElement(item, "device_base_name"))
      d.BaseDevices = ParseCommaText(TextOf(item));
    else if (IsElement(item, "device_package"))
      d.Packages = ParseCommaText(TextOf(item));
    else if (IsElement(item, "device_speedgrade"))
      d.SpeedGrades = ParseCommaText(TextOf(item));
    else if (IsElement(item, "tool_version"))
      d.Tools = ParseCommaText(TextOf(item));
    else if (IsElement(item, "tooltip"))
      d.ToolTip = TextOf(item);
    else if (IsElement(item, "option_if"))
      d.Conditions.push_back(TextOf(item));
    else if (IsElement(item, "script") || IsElement(item, "script_default"))
      d.Scripts.push_back(ScriptOf(item, IsElement(item, "script_default")));
    else if (IsElement(item, "command") || IsElement(item, "command_default"))
      d.Commands.push_back(ScriptOf(item, IsElement(item, "command_default")));
  }
  return d;
}

std::string ReadWholeFile(const std::string& fileName) {
  std::ifstream in(fileName, std::ios::binary);
  std::string data;
  if (in) data.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  if (!in.is_open() || in.bad())
    throw std::runtime_error("The option definitions file \"" + fileName + "\" cannot be read");
  return data;
}

std::string ParseErrorText(const std::string& fileName, const std::string& data,
                           const pugi::xml_parse_result& result) {
  std::string text = "The option definitions file \"" + fileName +
                     "\" is not a valid XML document: " + result.description();
  const auto offset = static_cast<size_t>(std::max<ptrdiff_t>(result.offset, 0));
  if (result.encoding == pugi::encoding_utf8 && offset <= data.size()) {
    size_t line = 1;
    size_t lineStart = 0;
    for (size_t i = 0; i < offset; ++i)
      if (data[i] == '\n') {
        ++line;
        lineStart = i + 1;
      }
    text += " (line " + std::to_string(line) + ", column " +
            std::to_string(offset - lineStart + 1) + ")";
  }
  return text;
}

}  // namespace

void TFPGAOptions::LoadOptions(const std::string& AFileName) {
  if (!FileExists(AFileName)) return;
  const std::string data = ReadWholeFile(AFileName);
  pugi::xml_document document;
  const pugi::xml_parse_result result =
      document.load_buffer(data.data(), data.size(), pugi::parse_default, pugi::encoding_auto);
  if (!result) throw std::runtime_error(ParseErrorText(AFileName, data, result));

  // Everything that may fail (the host's device lookups for default candidates among it) is
  // done before the set is cleared, so an error leaves the set as it was.
  struct TFrame {
    std::string Script_Head, Script_Tail, Commands_Head, Commands_Tail;
    std::string Comment_Identifier, Commands_Filename;
  } frame;
  std::vector<TOptionDraft> drafts;
  const TFPGAFilter filter(FDevice, FTool);
  for (const pugi::xml_node& node : document.document_element().children()) {
    if (IsElement(node, "section")) {
      const std::string section = AttributeOf(node, "Id");
      for (const pugi::xml_node& option : node.children())
        if (IsElement(option, "option")) drafts.push_back(ReadOption(option, section, filter));
    } else if (IsElement(node, "script") || IsElement(node, "command")) {
      const bool script = IsElement(node, "script");
      const std::string pos = AttributeOf(node, "pos");
      if (SameText(pos, "head"))
        (script ? frame.Script_Head : frame.Commands_Head) = TextOf(node);
      else if (SameText(pos, "tail"))
        (script ? frame.Script_Tail : frame.Commands_Tail) = TextOf(node);
    } else if (IsElement(node, "comment")) {
      frame.Comment_Identifier = TextOf(node);
    } else if (IsElement(node, "command_filename")) {
      frame.Commands_Filename = TextOf(node);
    }
  }

  ClearOptions();
  Script_Head = std::move(frame.Script_Head);
  Script_Tail = std::move(frame.Script_Tail);
  Commands_Head = std::move(frame.Commands_Head);
  Commands_Tail = std::move(frame.Commands_Tail);
  Comment_Identifier = std::move(frame.Comment_Identifier);
  Commands_Filename = std::move(frame.Commands_Filename);
  for (TOptionDraft& d : drafts) {
    TFPGAOption_Abstract* option = nullptr;
    switch (d.Kind) {
      case eFPGAOption_Boolean:
        option = AddBooleanOption(d.Section, d.Name, d.Flag, d.Default, d.Values);
        break;
      case eFPGAOption_Enum:
        option = AddEnumOption(d.Section, d.Name, d.Flag, d.Default, d.Values);
        break;
      case eFPGAOption_Integer:
        option = AddIntegerOption(d.Section, d.Name, d.Flag, d.Default, d.MinValue, d.MaxValue);
        break;
      case eFPGAOption_Real:
        option = AddRealOption(d.Section, d.Name, d.Flag, d.Default, d.MinValue, d.MaxValue);
        break;
      case eFPGAOption_String:
        option = AddStringOption(d.Section, d.Name, d.Flag, d.Default);
        break;
    }
    if (option == nullptr) continue;
    option->ValidFamilies = std::move(d.Families);
    option->ValidBaseDevices = std::move(d.BaseDevices);
    option->ValidPackages = std::move(d.Packages);
    option->ValidSpeedGrades = std::move(d.SpeedGrades);
    option->ValidTools = std::move(d.Tools);
    option->Conditions = std::move(d.Conditions);
    option->Scripts = std::move(d.Scripts);
    option->Commands = std::move(d.Commands);
    option->Advanced = d.Advanced;
    option->ValueOnly = d.ValueOnly;
    option->ToolTip = std::move(d.ToolTip);
    option->TemporaryValue = option->GetValue();
  }
}

}  // namespace morvel
