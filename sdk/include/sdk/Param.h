// Parameter strings: name=value pairs separated by "|", names compared without regard to
// case, names and values trimmed, no quoting.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace morvel {

class TParameter {
 public:
  TParameter(std::string_view name, std::string_view value);
  const std::string& Name() const { return FName; }
  const std::string& Value() const { return FValue; }
  void SetName(std::string_view name);
  void SetValue(std::string_view value);

 private:
  std::string FName;
  std::string FValue;
};

class TParameterList {
 public:
  TParameterList() = default;
  explicit TParameterList(std::string_view state) { SetState(state); }

  void SetState(std::string_view state);
  void SetState_FromString(std::string_view state) { SetState(state); }
  std::string GetState() const;
  std::string GetState_ToString() const { return GetState(); }
  void ClearAllParameters() { FItems.clear(); }

  void SetState_AddParameter(std::string_view name, std::string_view value);
  void SetState_AddParameterAsString(std::string_view name, std::string_view value) {
    SetState_AddParameter(name, value);
  }
  void SetState_AddParameterAsBoolean(std::string_view name, bool value);
  void SetState_AddParameterAsInteger(std::string_view name, int32_t value);
  void SetState_AddParameterAsInt64(std::string_view name, int64_t value);
  void SetState_AddParameterAsDouble(std::string_view name, double value);
  bool SetState_RemoveByName(std::string_view name);

  TParameter* GetState_ParameterByName(std::string_view name);
  const TParameter* GetState_ParameterByName(std::string_view name) const;
  bool GetState_ParameterAsString(std::string_view name, std::string& value) const;
  bool GetState_ParameterAsLongInt(std::string_view name, int32_t& value) const;
  bool GetState_ParameterAsInteger(std::string_view name, int32_t& value) const {
    return GetState_ParameterAsLongInt(name, value);
  }
  bool GetState_ParameterAsSmallInt(std::string_view name, int16_t& value) const;
  bool GetState_ParameterAsWord(std::string_view name, uint16_t& value) const;
  bool GetState_ParameterAsByte(std::string_view name, uint8_t& value) const;
  bool GetState_ParameterAsInt64(std::string_view name, int64_t& value) const;
  bool GetState_ParameterAsReal(std::string_view name, float& value) const;
  // A value that is not a number raises a conversion error rather than answering false.
  bool GetState_ParameterAsDouble(std::string_view name, double& value) const;
  bool GetState_ParameterAsBoolean(std::string_view name, bool& value) const;
  bool GetState_ParameterAsWordBool(std::string_view name, int16_t& value) const;

  size_t Count() const { return FItems.size(); }
  const TParameter& Item(size_t index) const { return *FItems[index]; }

 private:
  std::vector<std::unique_ptr<TParameter>> FItems;
};

// Reads one parameter of a string through a list shared by all callers, parsed again only
// when the string differs from the one parsed last.
bool GetParameterValue(std::string_view state, std::string_view name, std::string& value);
// Sets (or appends) one parameter of a string.
void SetParameterValue(std::string& state, std::string_view name, std::string_view value);

// Integer text as the host reads it: decimal, or hexadecimal after "$" or "0x".
bool ParseHostInteger(std::string_view text, int64_t& value);
// A number with "." as decimal separator whatever the locale.
bool ParseHostReal(std::string_view text, double& value);
std::string FormatHostReal(double value);

}  // namespace morvel
