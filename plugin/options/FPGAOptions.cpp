// The option classes, the filter test, project storage and line generation of an option set.
#include "options/FPGAOptions.h"

#include <limits>
#include <utility>

#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/Param.h"
#include "sdk/Strings.h"

namespace morvel {

namespace {

bool IsBlank(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  return -1;
}

bool ContainsText(const TFPGAStringList& list, std::string_view value) {
  for (const std::string& item : list)
    if (SameText(item, value)) return true;
  return false;
}

// Lines of a text as the host's string lists read them: CR, LF and CR LF end a line, and a
// final line break adds no empty line.
void AppendLines(std::string_view text, TFPGAStringList& lines) {
  size_t p = 0;
  while (p < text.size()) {
    const size_t start = p;
    while (p < text.size() && text[p] != '\r' && text[p] != '\n') ++p;
    lines.emplace_back(text.substr(start, p - start));
    if (p < text.size() && text[p] == '\r') ++p;
    if (p < text.size() && text[p] == '\n') ++p;
  }
}

// Replaces every occurrence of a pattern (upper-cased by the caller) without regard to case;
// stops replacing once the line would grow past the expansion limit.
std::string ReplaceAllText(const std::string& line, const std::string& upperPattern,
                           const std::string& value) {
  if (line.size() >= kMaxExpandedLineLength) return line;
  const std::string upperLine = UpperCase(line);
  size_t pos = upperLine.find(upperPattern);
  if (pos == std::string::npos) return line;
  std::string out;
  size_t from = 0;
  while (pos != std::string::npos) {
    out.append(line, from, pos - from);
    if (out.size() + value.size() + (line.size() - pos) > kMaxExpandedLineLength) {
      from = pos;
      break;
    }
    out += value;
    from = pos + upperPattern.size();
    pos = upperLine.find(upperPattern, from);
  }
  out.append(line, from);
  return out;
}

}  // namespace

TFPGAStringList ParseCommaText(std::string_view text) {
  TFPGAStringList items;
  const size_t n = text.size();
  size_t p = 0;
  while (p < n && IsBlank(text[p])) ++p;
  while (p < n) {
    std::string item;
    if (text[p] == '"') {
      // An unterminated quote takes the rest of the text.
      ++p;
      while (p < n) {
        if (text[p] == '"') {
          if (p + 1 < n && text[p + 1] == '"') {
            item += '"';
            p += 2;
            continue;
          }
          ++p;
          break;
        }
        item += text[p++];
      }
    } else {
      const size_t start = p;
      while (p < n && !IsBlank(text[p]) && text[p] != ',') ++p;
      item.assign(text.substr(start, p - start));
    }
    items.push_back(std::move(item));
    while (p < n && IsBlank(text[p])) ++p;
    if (p < n && text[p] == ',') {
      if (p + 1 == n) items.emplace_back();  // a trailing comma ends with an empty entry
      do ++p;
      while (p < n && IsBlank(text[p]));
    }
  }
  return items;
}

std::string FormatCommaText(const TFPGAStringList& items) {
  if (items.size() == 1 && items[0].empty()) return "\"\"";
  std::string text;
  for (size_t i = 0; i < items.size(); ++i) {
    if (i > 0) text += ',';
    const std::string& item = items[i];
    bool quote = false;
    for (char c : item) quote = quote || IsBlank(c) || c == '"' || c == ',';
    if (!quote) {
      text += item;
      continue;
    }
    text += '"';
    for (char c : item) {
      if (c == '"') text += '"';
      text += c;
    }
    text += '"';
  }
  return text;
}

std::string EscapeOptionText(std::string_view text) {
  static constexpr char kHex[] = "0123456789ABCDEF";
  std::string out;
  out.reserve(text.size());
  for (char c : text) {
    const auto code = static_cast<unsigned char>(c);
    if (code < 32 || c == '#') {
      out += '#';
      out += kHex[code >> 4];
      out += kHex[code & 15];
    } else {
      out += c;
    }
  }
  return out;
}

std::string UnescapeOptionText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    const int high = i + 2 < text.size() ? HexDigit(text[i + 1]) : -1;
    const int low = high >= 0 ? HexDigit(text[i + 2]) : -1;
    if (text[i] != '#' || low < 0) {
      out += text[i];
      continue;
    }
    const int code = high * 16 + low;
    // A code is a character, so codes above 127 become that character's UTF-8 bytes.
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else {
      out += static_cast<char>(0xC0 | (code >> 6));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
    i += 2;
  }
  return out;
}

// ---- Options ----

TFPGAOption_Abstract::TFPGAOption_Abstract(TFPGAOptionKind AKind, std::string_view ASection,
                                           std::string_view AName, std::string_view AFlag,
                                           std::string_view AValue)
    : DefaultValue(AValue),
      Section(ASection),
      Name(AName),
      Flag(AFlag),
      Kind(AKind),
      FValue(AValue) {}

std::string TFPGAOption_Abstract::GetValue() const {
  if (!TemporaryActive) return FValue;
  return TemporaryUnspecified ? GetDefaultValue() : TemporaryValue;
}

void TFPGAOption_Abstract::SetValue(std::string_view Value) {
  FValue = Value;
  if (TemporaryActive) {
    TemporaryValue = Value;
    TemporaryUnspecified = false;
  }
}

void TFPGAOption_Abstract::CopyTo(TFPGAOption_Abstract& AOption) const {
  AOption.ValidFamilies = ValidFamilies;
  AOption.ValidBaseDevices = ValidBaseDevices;
  AOption.ValidPackages = ValidPackages;
  AOption.ValidSpeedGrades = ValidSpeedGrades;
  AOption.ValidTools = ValidTools;
  AOption.Section = Section;
  AOption.Name = Name;
  AOption.Flag = Flag;
  AOption.Kind = Kind;
  AOption.DefaultValue = DefaultValue;
  AOption.TemporaryValue = TemporaryValue;
  AOption.SetValue(GetValue());
  AOption.Position = Position;
  AOption.ToolTip = ToolTip;
  AOption.Advanced = Advanced;
  AOption.ValueOnly = ValueOnly;
  AOption.Enabled = Enabled;
  AOption.Data = Data;
  AOption.SourceSection = SourceSection;
  AOption.Conditions = Conditions;
}

bool TFPGAOption_Abstract::CheckValue(std::string_view /*AValue*/) const {
  return true;
}

std::string TFPGAOption_Abstract::Parameters() const {
  return Name + "=" + GetValue();
}

bool TFPGAOption_Abstract::HasDefaultScript() const {
  for (const TFPGAScript& s : Scripts)
    if (s.Default) return true;
  return false;
}

bool TFPGAOption_Abstract::HasDefaultCommand() const {
  for (const TFPGAScript& s : Commands)
    if (s.Default) return true;
  return false;
}

bool TFPGAOption_Abstract::IsSpecified() const {
  return TemporaryActive ? !TemporaryUnspecified : WasLoaded;
}

std::string TFPGAOption_Abstract::GetValueFor(bool IsCmd) const {
  const std::string value = GetValue();
  if (value.empty()) return {};
  const bool specified = IsSpecified();
  if (!IsCmd && Scripts.empty() && Commands.empty()) {
    // A switch without a name would reach the tool as a lone "-".
    if (Flag.empty()) return {};
    if (const auto* b = dynamic_cast<const TFPGAOption_Boolean*>(this)) {
      const bool on = specified ? b->IsTrue() : b->IsTrueText(DefaultValue);
      return on ? "-" + Flag : std::string();
    }
    return specified ? "-" + Flag + " " + value : std::string();
  }
  std::string fragment;
  for (const TFPGAScript& entry : IsCmd ? Commands : Scripts) {
    if (specified) {
      if (SameText(entry.Id, value) || (!entry.Default && entry.Id.empty())) {
        fragment += entry.Value;
      } else if (entry.Default && entry.Id.empty() && fragment.empty()) {
        fragment = entry.Value;
      }
    } else if (entry.Default) {
      fragment = entry.Value;
    }
  }
  return fragment;
}

TFPGAOption_Boolean::TFPGAOption_Boolean(std::string_view ASection, std::string_view AName,
                                         std::string_view AFlag, std::string_view AValue)
    : TFPGAOption_Abstract(eFPGAOption_Boolean, ASection, AName, AFlag, AValue) {}

bool TFPGAOption_Boolean::IsTrueText(std::string_view AValue) const {
  // The text written for true counts as true too, so that a value read back from the
  // project (or copied from another option) keeps its meaning.
  return SameText(AValue, "True") ||
         (BooleanValues.size() >= 2 && SameText(AValue, BooleanValues[1]));
}

std::string TFPGAOption_Boolean::GetValue() const {
  std::string value = TFPGAOption_Abstract::GetValue();
  if (BooleanValues.size() < 2) return value;
  return IsTrueText(value) ? BooleanValues[1] : BooleanValues[0];
}

bool TFPGAOption_Boolean::IsTrue() const {
  const std::string value = GetValue();
  return BooleanValues.size() < 2 ? SameText(value, "True") : SameText(value, BooleanValues[1]);
}

std::unique_ptr<TFPGAOption_Abstract> TFPGAOption_Boolean::Replicate() const {
  return std::make_unique<TFPGAOption_Boolean>(Section, Name, Flag, GetValue());
}

void TFPGAOption_Boolean::CopyTo(TFPGAOption_Abstract& AOption) const {
  TFPGAOption_Abstract::CopyTo(AOption);
  if (auto* target = dynamic_cast<TFPGAOption_Boolean*>(&AOption))
    target->BooleanValues = BooleanValues;
}

bool TFPGAOption_Boolean::CheckValue(std::string_view AValue) const {
  return SameText(AValue, "TRUE") || SameText(AValue, "FALSE");
}

std::unique_ptr<TFPGAOption_Abstract> TFPGAOption_String::Replicate() const {
  return std::make_unique<TFPGAOption_String>(Section, Name, Flag, GetValue());
}

bool TFPGAOption_String::CheckValue(std::string_view /*AValue*/) const {
  return true;
}

std::unique_ptr<TFPGAOption_Abstract> TFPGAOption_Enum::Replicate() const {
  return std::make_unique<TFPGAOption_Enum>(Section, Name, Flag, GetValue());
}

void TFPGAOption_Enum::CopyTo(TFPGAOption_Abstract& AOption) const {
  TFPGAOption_String::CopyTo(AOption);
  if (auto* target = dynamic_cast<TFPGAOption_Enum*>(&AOption))
    target->DisplayValues = DisplayValues;
}

bool TFPGAOption_Enum::CheckValue(std::string_view AValue) const {
  return ContainsText(DisplayValues, AValue);
}

void TFPGAOption_AbstractNumber::CopyTo(TFPGAOption_Abstract& AOption) const {
  TFPGAOption_Abstract::CopyTo(AOption);
  if (auto* target = dynamic_cast<TFPGAOption_AbstractNumber*>(&AOption)) {
    target->MinValue = MinValue;
    target->MaxValue = MaxValue;
  }
}

std::unique_ptr<TFPGAOption_Abstract> TFPGAOption_Integer::Replicate() const {
  return std::make_unique<TFPGAOption_Integer>(Section, Name, Flag, GetValue());
}

bool TFPGAOption_Integer::CheckValue(std::string_view AValue) const {
  if (AValue.empty()) return true;
  int64_t v = 0;
  if (!ParseHostInteger(AValue, v)) return false;
  // Hexadecimal text may give the full 32-bit pattern, as for the host's integer reads.
  const bool hex = AValue.find_first_of("$xX") != std::string_view::npos;
  const int64_t high = hex ? int64_t{std::numeric_limits<uint32_t>::max()}
                           : int64_t{std::numeric_limits<int32_t>::max()};
  return v >= std::numeric_limits<int32_t>::min() && v <= high;
}

std::unique_ptr<TFPGAOption_Abstract> TFPGAOption_Real::Replicate() const {
  return std::make_unique<TFPGAOption_Real>(Section, Name, Flag, GetValue());
}

bool TFPGAOption_Real::CheckValue(std::string_view AValue) const {
  double v = 0;
  return AValue.empty() || ParseHostReal(AValue, v);
}

// ---- Filter test ----

bool FilterListAccepts(const TFPGAStringList& AList, std::string_view AValue) {
  bool allNegative = true;
  for (const std::string& entry : AList) {
    const bool negative = !entry.empty() && entry[0] == '!';
    if (SameText(std::string_view(entry).substr(negative ? 1 : 0), AValue)) return !negative;
    allNegative = allNegative && negative;
  }
  return allNegative;
}

bool ToolListAccepts(const TFPGAStringList& AList, std::string_view ATool) {
  if (AList.empty()) return true;
  if (ContainsText(AList, "!" + std::string(ATool))) return false;
  if (ContainsText(AList, ATool)) return true;
  for (const std::string& entry : AList)
    if (entry.find('!') != std::string::npos) return true;
  return false;
}

const TFPGAFilter::TDeviceNames& TFPGAFilter::Names() const {
  if (!FNames) {
    TDeviceNames names;
    // No device name (a stage without a driver) names no device to restrict.
    const DispatchPtr devices = FDevice.empty() ? nullptr : HostDeviceManager();
    if (devices) {
      const DispatchPtr device =
          Call(devices, dispid::devices::GetDeviceByName, FDevice).AsObject();
      if (device) {
        names.Known = true;
        names.Family = Call(device, dispid::info::GetFamilyName).AsText();
        names.BaseName = Call(device, dispid::info::GetBaseName).AsText();
        names.Package = Call(device, dispid::info::GetPackageName).AsText();
        names.SpeedGrade = Call(device, dispid::info::GetSpeedGradeName).AsText();
      }
    }
    FNames = std::move(names);
  }
  return *FNames;
}

bool TFPGAFilter::DeviceApplies(const TFPGAOption_Abstract& AOption) const {
  // Empty lists accept every device, so the host is asked only when an option restricts one.
  if (AOption.ValidFamilies.empty() && AOption.ValidBaseDevices.empty() &&
      AOption.ValidPackages.empty() && AOption.ValidSpeedGrades.empty())
    return true;
  const TDeviceNames& names = Names();
  if (!names.Known) return true;
  return FilterListAccepts(AOption.ValidFamilies, names.Family) &&
         FilterListAccepts(AOption.ValidBaseDevices, names.BaseName) &&
         FilterListAccepts(AOption.ValidPackages, names.Package) &&
         FilterListAccepts(AOption.ValidSpeedGrades, names.SpeedGrade);
}

bool TFPGAFilter::ToolApplies(const TFPGAOption_Abstract& AOption) const {
  return ToolListAccepts(AOption.ValidTools, FTool);
}

bool TFPGAFilter::Applies(const TFPGAOption_Abstract& AOption) const {
  return DeviceApplies(AOption) && ToolApplies(AOption);
}

bool Applies(const TFPGAOption_Abstract& AOption, std::string_view ADevice,
             std::string_view ATool) {
  return TFPGAFilter(ADevice, ATool).Applies(AOption);
}

// ---- Option set ----

TFPGAOptions::TFPGAOptions(std::string_view ADevice, std::string_view ATool)
    : FDevice(ADevice), FTool(ATool) {}

void TFPGAOptions::ClearOptions() {
  FList.clear();
  Script_Head.clear();
  Script_Tail.clear();
  Commands_Head.clear();
  Commands_Tail.clear();
  Comment_Identifier.clear();
  Commands_Filename.clear();
  CustomUser_Cmd.clear();
  CustomUser_Scr.clear();
}

TFPGAOption_Abstract* TFPGAOptions::AddOption(std::unique_ptr<TFPGAOption_Abstract> AOption) {
  if (!AOption) return nullptr;
  if (Sorted) AOption->Position = FSortNumber++;
  FList.push_back(std::move(AOption));
  return FList.back().get();
}

TFPGAOption_Boolean* TFPGAOptions::AddBooleanOption(std::string_view ASection,
                                                    std::string_view AName, std::string_view AFlag,
                                                    std::string_view AValue,
                                                    std::string_view AValues) {
  auto option = std::make_unique<TFPGAOption_Boolean>(ASection, AName, AFlag, AValue);
  option->SetValues(AValues);
  return static_cast<TFPGAOption_Boolean*>(AddOption(std::move(option)));
}

TFPGAOption_String* TFPGAOptions::AddStringOption(std::string_view ASection, std::string_view AName,
                                                  std::string_view AFlag, std::string_view AValue) {
  return static_cast<TFPGAOption_String*>(
      AddOption(std::make_unique<TFPGAOption_String>(ASection, AName, AFlag, AValue)));
}

TFPGAOption_Enum* TFPGAOptions::AddEnumOption(std::string_view ASection, std::string_view AName,
                                              std::string_view AFlag, std::string_view AValue,
                                              std::string_view AValues) {
  auto option = std::make_unique<TFPGAOption_Enum>(ASection, AName, AFlag, AValue);
  option->SetValues(AValues);
  return static_cast<TFPGAOption_Enum*>(AddOption(std::move(option)));
}

namespace {
void SetLimits(TFPGAOption_AbstractNumber& option, std::string_view AMinValue,
               std::string_view AMaxValue) {
  if (!AMinValue.empty()) option.MinValue = AMinValue;
  if (!AMaxValue.empty()) option.MaxValue = AMaxValue;
}
}  // namespace

TFPGAOption_Integer* TFPGAOptions::AddIntegerOption(std::string_view ASection,
                                                    std::string_view AName, std::string_view AFlag,
                                                    std::string_view AValue,
                                                    std::string_view AMinValue,
                                                    std::string_view aMaxValue) {
  auto option = std::make_unique<TFPGAOption_Integer>(ASection, AName, AFlag, AValue);
  SetLimits(*option, AMinValue, aMaxValue);
  return static_cast<TFPGAOption_Integer*>(AddOption(std::move(option)));
}

TFPGAOption_Real* TFPGAOptions::AddRealOption(std::string_view ASection, std::string_view AName,
                                              std::string_view AFlag, std::string_view AValue,
                                              std::string_view AMinValue,
                                              std::string_view aMaxValue) {
  auto option = std::make_unique<TFPGAOption_Real>(ASection, AName, AFlag, AValue);
  SetLimits(*option, AMinValue, aMaxValue);
  return static_cast<TFPGAOption_Real*>(AddOption(std::move(option)));
}

TFPGAOption_Abstract* TFPGAOptions::GetOptionAt(int32_t AIndex) const {
  if (AIndex < 0 || static_cast<size_t>(AIndex) >= FList.size()) return nullptr;
  return FList[static_cast<size_t>(AIndex)].get();
}

TFPGAOption_Abstract* TFPGAOptions::GetOption(std::string_view AName) const {
  for (const auto& option : FList)
    if (SameText(option->Name, AName)) return option.get();
  return nullptr;
}

void TFPGAOptions::SetDefaults() {
  for (const auto& option : FList) option->SetValue(option->DefaultValue);
}

std::string TFPGAOptions::GetParameters() const {
  std::string text;
  for (const auto& option : FList) text += "|" + option->Parameters();
  return text;
}

void TFPGAOptions::SetParameters(std::string_view Parameters) {
  const TParameterList list(Parameters);
  for (const auto& option : FList) {
    std::string value;
    if (list.GetState_ParameterAsString(option->Name, value)) option->SetValue(value);
  }
}

bool TFPGAOptions::GetLines(bool IsCmd, TFPGAStringList& Strings, std::string_view ADevice,
                            std::string_view ATool) const {
  const TFPGAFilter filter(ADevice, ATool);
  const std::string& head = IsCmd ? Commands_Head : Script_Head;
  const std::string& tail = IsCmd ? Commands_Tail : Script_Tail;

  TFPGAStringList pieces;
  AppendLines(head, pieces);
  for (const auto& option : FList) {
    if (option->ValueOnly || !filter.Applies(*option)) continue;
    std::string fragment = option->GetValueFor(IsCmd);
    if (!fragment.empty()) pieces.push_back(std::move(fragment));
  }
  AppendLines(tail, pieces);
  // A fragment may hold several lines; each becomes a line of its own.
  Strings.clear();
  for (const std::string& piece : pieces) AppendLines(piece, Strings);

  // "$Flag.Value" and "$Flag.4Value" of every applicable option, value-only ones included;
  // values may reference further options, so passes repeat until nothing changes.
  struct TReference {
    std::string UpperPattern;
    std::string Value;
  };
  std::vector<TReference> references;
  for (const auto& option : FList) {
    if (option->Flag.empty() || !filter.Applies(*option)) continue;
    references.push_back({UpperCase("$" + option->Flag + ".Value"), option->GetValue()});
    references.push_back({UpperCase("$" + option->Flag + ".4Value"), option->GetValueFor(IsCmd)});
  }
  constexpr int kMaxReferencePasses = 16;
  bool changed = !references.empty();
  for (int pass = 0; changed && pass < kMaxReferencePasses; ++pass) {
    changed = false;
    for (std::string& line : Strings) {
      if (line.find('$') == std::string::npos) continue;
      std::string next = line;
      for (const TReference& r : references) next = ReplaceAllText(next, r.UpperPattern, r.Value);
      if (!SameText(next, line)) changed = true;
      line = std::move(next);
    }
  }

  for (size_t i = Strings.size(); i-- > 0;) {
    std::string line = Trim(Strings[i]);
    if (!Comment_Identifier.empty()) {
      const size_t at = line.find(Comment_Identifier);
      if (at != std::string::npos) {
        line = Trim(std::string_view(line).substr(0, at));
        Strings[i] = line;
      }
    }
    if (line.empty()) Strings.erase(Strings.begin() + static_cast<std::ptrdiff_t>(i));
  }
  return !Strings.empty();
}

// ---- Project storage ----

namespace {
constexpr const char* kAdvancedKey = "AdvancedOptionsEnabled";
constexpr const char* kCustomCmdKey = "CustomOptionsUser_Cmd";
constexpr const char* kCustomScrKey = "CustomOptionsUser_Scr";

std::string ReadStored(const DispatchPtr& project, const std::string& section,
                       const std::string& name) {
  return Call(project, dispid::options::Read, section, name, "").AsText();
}

void Rewrite(const DispatchPtr& project, const std::string& section, const char* name,
             const std::string& value) {
  Call(project, dispid::options::Remove, section, name);
  Call(project, dispid::options::Write, section, name, value);
}
}  // namespace

void TFPGAOptions::SaveToProject(const DispatchPtr& AProject, const std::string& ASection) const {
  if (!AProject) return;
  for (const auto& option : FList) {
    // An option left unspecified keeps no value, so a later default applies to it.
    if (option->TemporaryActive && !option->TemporaryUnspecified)
      Call(AProject, dispid::options::Write, ASection, option->Name, option->GetValue());
    else
      Call(AProject, dispid::options::Remove, ASection, option->Name);
  }
  Rewrite(AProject, ASection, kAdvancedKey, AdvancedMode ? "True" : "False");
  Rewrite(AProject, ASection, kCustomCmdKey, EscapeOptionText(CustomUser_Cmd));
  Rewrite(AProject, ASection, kCustomScrKey, EscapeOptionText(CustomUser_Scr));
}

void TFPGAOptions::LoadFromProject(const DispatchPtr& AProject, const std::string& ASection) {
  if (!AProject) return;
  for (const auto& option : FList) {
    option->WasLoaded = false;
    const std::string value = ReadStored(AProject, ASection, option->Name);
    if (!value.empty()) {
      option->SetValue(value);
      option->WasLoaded = true;
    } else {
      option->SetValue(option->GetDefaultValue());
    }
    option->TemporaryValue = option->GetValue();
  }
  AdvancedMode = SameText(ReadStored(AProject, ASection, kAdvancedKey), "True");
  CustomUser_Cmd = UnescapeOptionText(ReadStored(AProject, ASection, kCustomCmdKey));
  CustomUser_Scr = UnescapeOptionText(ReadStored(AProject, ASection, kCustomScrKey));
}

}  // namespace morvel
