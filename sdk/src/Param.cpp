// Parameter strings and the shared parse cache.
#include "sdk/Param.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <stdexcept>

#include "sdk/Strings.h"

namespace morvel {

TParameter::TParameter(std::string_view name, std::string_view value)
    : FName(Trim(name)), FValue(Trim(value)) {}

void TParameter::SetName(std::string_view name) {
  FName = Trim(name);
}
void TParameter::SetValue(std::string_view value) {
  FValue = Trim(value);
}

void TParameterList::SetState(std::string_view state) {
  FItems.clear();
  size_t start = 0;
  while (start <= state.size()) {
    size_t bar = state.find('|', start);
    if (bar == std::string_view::npos) bar = state.size();
    const std::string_view segment = state.substr(start, bar - start);
    const size_t eq = segment.find('=');
    if (eq != std::string_view::npos)
      SetState_AddParameter(segment.substr(0, eq), segment.substr(eq + 1));
    start = bar + 1;
  }
}

std::string TParameterList::GetState() const {
  std::string out;
  for (size_t i = 0; i < FItems.size(); ++i) {
    if (i > 0) out += '|';
    out += FItems[i]->Name();
    out += '=';
    // An empty value is written as one blank, which reads back as empty.
    out += FItems[i]->Value().empty() ? std::string(" ") : FItems[i]->Value();
  }
  return out;
}

void TParameterList::SetState_AddParameter(std::string_view name, std::string_view value) {
  if (Trim(name).empty()) return;
  FItems.push_back(std::make_unique<TParameter>(name, value));
}

void TParameterList::SetState_AddParameterAsBoolean(std::string_view name, bool value) {
  SetState_AddParameter(name, value ? "True" : "False");
}

void TParameterList::SetState_AddParameterAsInteger(std::string_view name, int32_t value) {
  SetState_AddParameter(name, std::to_string(value));
}

void TParameterList::SetState_AddParameterAsInt64(std::string_view name, int64_t value) {
  SetState_AddParameter(name, std::to_string(value));
}

void TParameterList::SetState_AddParameterAsDouble(std::string_view name, double value) {
  SetState_AddParameter(name, FormatHostReal(value));
}

bool TParameterList::SetState_RemoveByName(std::string_view name) {
  const std::string key = Trim(name);
  for (auto it = FItems.begin(); it != FItems.end(); ++it)
    if (SameText((*it)->Name(), key)) {
      FItems.erase(it);
      return true;
    }
  return false;
}

TParameter* TParameterList::GetState_ParameterByName(std::string_view name) {
  const std::string key = Trim(name);
  for (auto& p : FItems)
    if (SameText(p->Name(), key)) return p.get();
  return nullptr;
}

const TParameter* TParameterList::GetState_ParameterByName(std::string_view name) const {
  return const_cast<TParameterList*>(this)->GetState_ParameterByName(name);
}

bool TParameterList::GetState_ParameterAsString(std::string_view name, std::string& value) const {
  const TParameter* p = GetState_ParameterByName(name);
  value = p != nullptr ? p->Value() : std::string();
  return p != nullptr;
}

bool TParameterList::GetState_ParameterAsInt64(std::string_view name, int64_t& value) const {
  const TParameter* p = GetState_ParameterByName(name);
  int64_t v = 0;
  if (p == nullptr || !ParseHostInteger(p->Value(), v)) return false;
  value = v;
  return true;
}

bool TParameterList::GetState_ParameterAsLongInt(std::string_view name, int32_t& value) const {
  int64_t v = 0;
  if (!GetState_ParameterAsInt64(name, v) || v < INT32_MIN || v > static_cast<int64_t>(UINT32_MAX))
    return false;
  value = static_cast<int32_t>(static_cast<uint32_t>(v));
  return true;
}

bool TParameterList::GetState_ParameterAsSmallInt(std::string_view name, int16_t& value) const {
  int32_t v = 0;
  if (!GetState_ParameterAsLongInt(name, v)) return false;
  value = static_cast<int16_t>(v);
  return true;
}

bool TParameterList::GetState_ParameterAsWord(std::string_view name, uint16_t& value) const {
  int32_t v = 0;
  if (!GetState_ParameterAsLongInt(name, v)) return false;
  value = static_cast<uint16_t>(v);
  return true;
}

bool TParameterList::GetState_ParameterAsByte(std::string_view name, uint8_t& value) const {
  int32_t v = 0;
  if (!GetState_ParameterAsLongInt(name, v)) return false;
  value = static_cast<uint8_t>(v);
  return true;
}

bool TParameterList::GetState_ParameterAsReal(std::string_view name, float& value) const {
  const TParameter* p = GetState_ParameterByName(name);
  double v = 0;
  if (p == nullptr || !ParseHostReal(p->Value(), v)) return false;
  value = static_cast<float>(v);
  return true;
}

bool TParameterList::GetState_ParameterAsDouble(std::string_view name, double& value) const {
  const TParameter* p = GetState_ParameterByName(name);
  if (p == nullptr) return false;
  if (!ParseHostReal(p->Value(), value))
    throw std::invalid_argument("'" + p->Value() + "' is not a valid floating point value");
  return true;
}

bool TParameterList::GetState_ParameterAsBoolean(std::string_view name, bool& value) const {
  const TParameter* p = GetState_ParameterByName(name);
  if (p == nullptr) return false;
  value = SameText(Trim(p->Value()), "True");
  return true;
}

bool TParameterList::GetState_ParameterAsWordBool(std::string_view name, int16_t& value) const {
  bool b = false;
  if (!GetState_ParameterAsBoolean(name, b)) return false;
  value = b ? static_cast<int16_t>(-1) : static_cast<int16_t>(0);
  return true;
}

namespace {
// One list for every caller, as the host SDK keeps it; the plug-in runs on one thread.
struct SharedParse {
  std::string Last;
  bool Valid = false;
  TParameterList List;
};
SharedParse& Shared() {
  static SharedParse shared;
  return shared;
}
}  // namespace

bool GetParameterValue(std::string_view state, std::string_view name, std::string& value) {
  value.clear();
  if (state.empty()) return false;
  SharedParse& cache = Shared();
  if (!cache.Valid || cache.Last != state) {
    cache.List.SetState(state);
    cache.Last = std::string(state);
    cache.Valid = true;
  }
  return cache.List.GetState_ParameterAsString(name, value);
}

void SetParameterValue(std::string& state, std::string_view name, std::string_view value) {
  TParameterList list(state);
  if (TParameter* p = list.GetState_ParameterByName(name))
    p->SetValue(value);
  else
    list.SetState_AddParameter(name, value);
  state = list.GetState_ToString();
}

bool ParseHostInteger(std::string_view text, int64_t& value) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  size_t pos = 0;
  bool negative = false;
  if (t[pos] == '-' || t[pos] == '+') {
    negative = t[pos] == '-';
    ++pos;
  }
  int base = 10;
  if (pos < t.size() && t[pos] == '$') {
    base = 16;
    ++pos;
  } else if (pos + 1 < t.size() && t[pos] == '0' && (t[pos + 1] == 'x' || t[pos + 1] == 'X')) {
    base = 16;
    pos += 2;
  }
  if (pos >= t.size()) return false;
  uint64_t magnitude = 0;
  const char* first = t.data() + pos;
  const char* last = t.data() + t.size();
  const auto [ptr, ec] = std::from_chars(first, last, magnitude, base);
  if (ec != std::errc() || ptr != last) return false;
  if (base == 16 && !negative) {
    value = static_cast<int64_t>(magnitude);  // hexadecimal keeps its bit pattern
    return true;
  }
  if (negative) {
    if (magnitude > static_cast<uint64_t>(INT64_MAX) + 1) return false;
    value = static_cast<int64_t>(0 - magnitude);
  } else {
    if (magnitude > static_cast<uint64_t>(INT64_MAX)) return false;
    value = static_cast<int64_t>(magnitude);
  }
  return true;
}

bool ParseHostReal(std::string_view text, double& value) {
  const std::string t = Trim(text);
  if (t.empty()) return false;
  const char* first = t.data() + (t[0] == '+' ? 1 : 0);
  double v = 0;
  const auto [ptr, ec] = std::from_chars(first, t.data() + t.size(), v);
  if (ec != std::errc() || ptr != t.data() + t.size() || !std::isfinite(v)) return false;
  value = v;
  return true;
}

std::string FormatHostReal(double value) {
  // Shortest text with up to 15 significant digits, "." whatever the locale.
  char buf[64];
  for (int digits = 1; digits <= 15; ++digits) {
    const auto [ptr, ec] =
        std::to_chars(buf, buf + sizeof buf, value, std::chars_format::general, digits);
    if (ec != std::errc()) break;
    double back = 0;
    std::from_chars(buf, ptr, back);
    if (back == value || digits == 15) return std::string(buf, ptr);
  }
  return std::to_string(value);
}

}  // namespace morvel
