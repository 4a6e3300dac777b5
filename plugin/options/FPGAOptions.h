// The option set of a vendor tool stage: option classes, the XML definitions file, project
// storage, and the script and command-line lines generated from the values.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "sdk/ComPtr.h"

namespace morvel {

enum TFPGAOptionKind : uint8_t {
  eFPGAOption_String = 0,
  eFPGAOption_Integer = 1,
  eFPGAOption_Boolean = 2,
  eFPGAOption_Enum = 3,
  eFPGAOption_Real = 4,
};

using TFPGAStringList = std::vector<std::string>;

// Comma text as the host's string lists read and write it: entries separated by commas and by
// blanks outside double quotes; a quoted entry keeps its blanks and commas, "" inside it is one
// quote. Writing quotes the entries that need it.
TFPGAStringList ParseCommaText(std::string_view text);
std::string FormatCommaText(const TFPGAStringList& items);

// Project storage keeps one value per key on one line: control characters and "#" become "#"
// and two upper-case hexadecimal digits.
std::string EscapeOptionText(std::string_view text);
std::string UnescapeOptionText(std::string_view text);

// A fragment of script or command line that belongs to one value of an option (Id), to any
// value (no Id), or to the option left unspecified (Default).
struct TFPGAScript {
  bool Default = false;
  std::string Id;
  std::string Value;
};

class TFPGAOption_Abstract {
 public:
  TFPGAOption_Abstract(const TFPGAOption_Abstract&) = delete;
  TFPGAOption_Abstract& operator=(const TFPGAOption_Abstract&) = delete;
  virtual ~TFPGAOption_Abstract() = default;

  // The value in force: the stored one, or the one being edited while that is active.
  virtual std::string GetValue() const;
  // A new option of the same class with the same section, name, flag and current value.
  virtual std::unique_ptr<TFPGAOption_Abstract> Replicate() const { return nullptr; }
  virtual void CopyTo(TFPGAOption_Abstract& AOption) const;
  virtual bool CheckValue(std::string_view AValue) const;
  // Name=Value, the option's part of a parameter string.
  virtual std::string Parameters() const;
  virtual std::string GetMinValue() const { return {}; }
  virtual std::string GetMaxValue() const { return {}; }
  virtual std::string GetValues() const { return {}; }
  // The option's fragment of the script file (IsCmd) or of the command line.
  virtual std::string GetValueFor(bool IsCmd) const;
  virtual std::string GetDefaultValue() const { return DefaultValue; }

  void SetValue(std::string_view Value);
  void SetDefaultValue(std::string_view AValue) { DefaultValue = AValue; }
  void InsertTool(std::string_view AValue) { ValidTools.emplace_back(AValue); }
  bool HasDefaultScript() const;
  bool HasDefaultCommand() const;
  // The user (or the project) gave a value, rather than leaving the option unspecified.
  bool IsSpecified() const;

  TFPGAStringList ValidFamilies;
  TFPGAStringList ValidBaseDevices;
  TFPGAStringList ValidPackages;
  TFPGAStringList ValidSpeedGrades;
  TFPGAStringList ValidTools;  // compared without regard to case
  std::string DefaultValue;
  std::string Section;
  std::string Name;
  std::string Flag;
  TFPGAOptionKind Kind;
  int32_t Position = -1;
  std::string ToolTip;
  bool WasLoaded = false;
  bool Advanced = false;
  bool ValueOnly = false;
  bool Enabled = false;
  void* Data = nullptr;  // the dialog row that shows the option
  std::string TemporaryValue;
  bool TemporaryActive = false;
  bool TemporaryUnspecified = false;
  std::string SourceSection;
  TFPGAStringList Conditions;
  std::vector<TFPGAScript> Scripts;   // command-line fragments
  std::vector<TFPGAScript> Commands;  // script-file fragments

 protected:
  TFPGAOption_Abstract(TFPGAOptionKind AKind, std::string_view ASection, std::string_view AName,
                       std::string_view AFlag, std::string_view AValue);

  std::string FValue;
};

class TFPGAOption_Boolean : public TFPGAOption_Abstract {
 public:
  TFPGAOption_Boolean(std::string_view ASection, std::string_view AName, std::string_view AFlag,
                      std::string_view AValue);

  std::string GetValue() const override;
  std::unique_ptr<TFPGAOption_Abstract> Replicate() const override;
  void CopyTo(TFPGAOption_Abstract& AOption) const override;
  bool CheckValue(std::string_view AValue) const override;
  std::string GetValues() const override { return FormatCommaText(BooleanValues); }
  void SetValues(std::string_view AStr) { BooleanValues = ParseCommaText(AStr); }
  bool IsTrue() const;
  // "True", or the text written for true.
  bool IsTrueText(std::string_view AValue) const;

  TFPGAStringList BooleanValues;  // the texts written for false and for true
};

class TFPGAOption_String : public TFPGAOption_Abstract {
 public:
  TFPGAOption_String(std::string_view ASection, std::string_view AName, std::string_view AFlag,
                     std::string_view AValue)
      : TFPGAOption_String(eFPGAOption_String, ASection, AName, AFlag, AValue) {}

  std::unique_ptr<TFPGAOption_Abstract> Replicate() const override;
  bool CheckValue(std::string_view AValue) const override;

 protected:
  TFPGAOption_String(TFPGAOptionKind AKind, std::string_view ASection, std::string_view AName,
                     std::string_view AFlag, std::string_view AValue)
      : TFPGAOption_Abstract(AKind, ASection, AName, AFlag, AValue) {}
};

class TFPGAOption_Enum : public TFPGAOption_String {
 public:
  TFPGAOption_Enum(std::string_view ASection, std::string_view AName, std::string_view AFlag,
                   std::string_view AValue)
      : TFPGAOption_String(eFPGAOption_Enum, ASection, AName, AFlag, AValue) {}

  std::unique_ptr<TFPGAOption_Abstract> Replicate() const override;
  void CopyTo(TFPGAOption_Abstract& AOption) const override;
  bool CheckValue(std::string_view AValue) const override;
  std::string GetValues() const override { return FormatCommaText(DisplayValues); }
  void SetValues(std::string_view AStr) { DisplayValues = ParseCommaText(AStr); }

  TFPGAStringList DisplayValues;  // the allowed values, compared without regard to case
};

class TFPGAOption_AbstractNumber : public TFPGAOption_Abstract {
 public:
  void CopyTo(TFPGAOption_Abstract& AOption) const override;
  std::string GetMinValue() const override { return MinValue; }
  std::string GetMaxValue() const override { return MaxValue; }

  std::string MinValue = "0";
  std::string MaxValue = "0";

 protected:
  using TFPGAOption_Abstract::TFPGAOption_Abstract;
};

class TFPGAOption_Integer : public TFPGAOption_AbstractNumber {
 public:
  TFPGAOption_Integer(std::string_view ASection, std::string_view AName, std::string_view AFlag,
                      std::string_view AValue)
      : TFPGAOption_AbstractNumber(eFPGAOption_Integer, ASection, AName, AFlag, AValue) {}

  std::unique_ptr<TFPGAOption_Abstract> Replicate() const override;
  bool CheckValue(std::string_view AValue) const override;
  void SetMinValue(int32_t AValue) { MinValue = std::to_string(AValue); }
  void SetMaxValue(int32_t AValue) { MaxValue = std::to_string(AValue); }
};

class TFPGAOption_Real : public TFPGAOption_AbstractNumber {
 public:
  TFPGAOption_Real(std::string_view ASection, std::string_view AName, std::string_view AFlag,
                   std::string_view AValue)
      : TFPGAOption_AbstractNumber(eFPGAOption_Real, ASection, AName, AFlag, AValue) {}

  std::unique_ptr<TFPGAOption_Abstract> Replicate() const override;
  bool CheckValue(std::string_view AValue) const override;
};

// Whether options apply to one device and tool version. The device's family, base, package and
// speed-grade names are asked of the host's device manager once, when an option first
// restricts them; without a manager, or for a device the host does not know, every device
// restriction passes.
class TFPGAFilter {
 public:
  TFPGAFilter(std::string_view ADevice, std::string_view ATool) : FDevice(ADevice), FTool(ATool) {}

  bool Applies(const TFPGAOption_Abstract& AOption) const;
  bool DeviceApplies(const TFPGAOption_Abstract& AOption) const;
  bool ToolApplies(const TFPGAOption_Abstract& AOption) const;

 private:
  struct TDeviceNames {
    bool Known = false;
    std::string Family, BaseName, Package, SpeedGrade;
  };
  const TDeviceNames& Names() const;

  std::string FDevice;
  std::string FTool;
  mutable std::optional<TDeviceNames> FNames;
};

bool Applies(const TFPGAOption_Abstract& AOption, std::string_view ADevice, std::string_view ATool);

// A filter list accepts a value when it is empty, when its first entry naming the value is
// positive, or, when none names it, when all its entries are negative ("!X").
bool FilterListAccepts(const TFPGAStringList& AList, std::string_view AValue);
bool ToolListAccepts(const TFPGAStringList& AList, std::string_view ATool);

class TFPGAOptions {
 public:
  TFPGAOptions(std::string_view ADevice, std::string_view ATool);
  TFPGAOptions(const TFPGAOptions&) = delete;
  TFPGAOptions& operator=(const TFPGAOptions&) = delete;
  virtual ~TFPGAOptions() = default;

  virtual void SetParameters(std::string_view Parameters);
  virtual std::string GetParameters() const;
  // Appends and owns the option; a sorted set numbers it in load order.
  virtual TFPGAOption_Abstract* AddOption(std::unique_ptr<TFPGAOption_Abstract> AOption);
  // Nothing without a project.
  virtual void SaveToProject(const DispatchPtr& AProject, const std::string& ASection) const;
  virtual void LoadFromProject(const DispatchPtr& AProject, const std::string& ASection);
  virtual TFPGAOption_Boolean* AddBooleanOption(std::string_view ASection, std::string_view AName,
                                                std::string_view AFlag, std::string_view AValue,
                                                std::string_view AValues);
  virtual TFPGAOption_String* AddStringOption(std::string_view ASection, std::string_view AName,
                                              std::string_view AFlag, std::string_view AValue);
  virtual TFPGAOption_Enum* AddEnumOption(std::string_view ASection, std::string_view AName,
                                          std::string_view AFlag, std::string_view AValue,
                                          std::string_view AValues);
  // Limits given as empty texts keep the "0" of a new option.
  virtual TFPGAOption_Integer* AddIntegerOption(std::string_view ASection, std::string_view AName,
                                                std::string_view AFlag, std::string_view AValue,
                                                std::string_view AMinValue,
                                                std::string_view aMaxValue);
  virtual TFPGAOption_Real* AddRealOption(std::string_view ASection, std::string_view AName,
                                          std::string_view AFlag, std::string_view AValue,
                                          std::string_view AMinValue, std::string_view aMaxValue);

  // Replaces the set with the definitions of an XML file. A missing file changes nothing; a
  // file that cannot be read or parsed raises std::runtime_error naming the file and leaves
  // the set as it was.
  void LoadOptions(const std::string& AFileName);
  void ClearOptions();

  int32_t GetOptionCount() const { return static_cast<int32_t>(FList.size()); }
  // Null for an index outside the list.
  TFPGAOption_Abstract* GetOptionAt(int32_t AIndex) const;
  TFPGAOption_Abstract* GetOption(std::string_view AName) const;
  void SetDefaults();

  // The script lines (IsCmd) or command-line pieces for a device and tool version; true when
  // at least one line results.
  bool GetLines(bool IsCmd, TFPGAStringList& Strings, std::string_view ADevice,
                std::string_view ATool) const;

  const std::string& Device() const { return FDevice; }
  const std::string& Tool() const { return FTool; }

  std::string Script_Head;
  std::string Script_Tail;
  std::string Commands_Head;
  std::string Commands_Tail;
  std::string Comment_Identifier;
  std::string Commands_Filename;
  std::string CustomUser_Cmd;
  std::string CustomUser_Scr;
  bool Sorted = true;
  bool AdvancedMode = false;

 private:
  std::vector<std::unique_ptr<TFPGAOption_Abstract>> FList;
  int32_t FSortNumber = 1;
  std::string FDevice;
  std::string FTool;
};

// Longest line that reference expansion builds: a definition that references itself would
// otherwise grow its line geometrically over the passes.
inline constexpr size_t kMaxExpandedLineLength = size_t{1} << 20;

}  // namespace morvel
