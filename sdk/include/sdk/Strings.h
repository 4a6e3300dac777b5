// Text helpers: UTF-8 inside, UTF-16 wide strings at the automation boundary, and the
// case-insensitive comparisons that names, keys and extensions use.
#pragma once

#include <string>
#include <string_view>

#include "automation/Runtime.h"

namespace morvel {

std::u16string Utf8ToUtf16(std::string_view text);
std::string Utf16ToUtf8(std::u16string_view text);

// A new BSTR holding the text; the caller frees it.
BSTR AllocBStr(std::string_view text);
std::string FromBStr(BSTR text);

char AsciiUpper(char c);
std::string UpperCase(std::string_view text);
std::string LowerCase(std::string_view text);
std::string Trim(std::string_view text);
bool SameText(std::string_view a, std::string_view b);
// Orders by upper-cased ASCII, as the host's case-insensitive lists do.
int CompareText(std::string_view a, std::string_view b);
bool StartsWithText(std::string_view text, std::string_view prefix);
bool EndsWithText(std::string_view text, std::string_view suffix);

// Hash and equality for case-insensitive maps.
struct TextHash {
  using is_transparent = void;
  size_t operator()(std::string_view text) const noexcept;
};
struct TextEqual {
  using is_transparent = void;
  bool operator()(std::string_view a, std::string_view b) const noexcept { return SameText(a, b); }
};

// An owned BSTR that frees itself.
class BStr {
 public:
  BStr() = default;
  explicit BStr(std::string_view text) : FValue(AllocBStr(text)) {}
  BStr(const BStr&) = delete;
  BStr& operator=(const BStr&) = delete;
  BStr(BStr&& other) noexcept : FValue(other.Detach()) {}
  BStr& operator=(BStr&& other) noexcept {
    if (this != &other) Reset(other.Detach());
    return *this;
  }
  ~BStr() { SysFreeString(FValue); }

  BSTR Get() const { return FValue; }
  BSTR Detach() {
    BSTR v = FValue;
    FValue = nullptr;
    return v;
  }
  void Reset(BSTR value = nullptr) {
    SysFreeString(FValue);
    FValue = value;
  }
  BSTR* Out() {
    Reset();
    return &FValue;
  }
  std::string Utf8() const { return FromBStr(FValue); }

 private:
  BSTR FValue = nullptr;
};

}  // namespace morvel
