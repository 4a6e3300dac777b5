// The automation runtime: BSTR allocation and the variant functions with Windows semantics
// (banker's rounding, overflow checks, by-reference sources, Boolean as all bits set).
#include "automation/Runtime.h"

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <string>

namespace {

// The length prefix sits four bytes before the text, so the block starts there.
uint32_t* Header(BSTR s) {
  return reinterpret_cast<uint32_t*>(s) - 1;
}

BSTR AllocBytes(const void* data, size_t bytes) {
  if (bytes > 0x7FFFFFF0u) return nullptr;
  auto* block = static_cast<uint8_t*>(std::malloc(sizeof(uint32_t) + bytes + sizeof(OLECHAR) + 1));
  if (block == nullptr) return nullptr;
  const auto length = static_cast<uint32_t>(bytes);
  std::memcpy(block, &length, sizeof length);
  uint8_t* text = block + sizeof(uint32_t);
  if (data != nullptr && bytes > 0)
    std::memcpy(text, data, bytes);
  else if (bytes > 0)
    std::memset(text, 0, bytes);
  // Two zero bytes after the text, plus one so that an odd byte length still ends in a
  // 16-bit zero.
  text[bytes] = 0;
  text[bytes + 1] = 0;
  text[bytes + 2] = 0;
  return reinterpret_cast<BSTR>(text);
}

// A view of a source variant with one level of by-reference taken away.
bool Deref(const VARIANT* src, VARIANT& out) {
  out = VARIANT{};
  if ((src->vt & VT_BYREF) == 0) {
    out = *src;
    return true;
  }
  const VARTYPE base = src->vt & static_cast<VARTYPE>(~VT_BYREF);
  if (src->byref == nullptr) return false;
  out.vt = base;
  switch (base) {
    case VT_I1: out.cVal = *src->pcVal; return true;
    case VT_UI1: out.bVal = *src->pbVal; return true;
    case VT_I2: out.iVal = *src->piVal; return true;
    case VT_UI2: out.uiVal = *src->puiVal; return true;
    case VT_I4: out.lVal = *src->plVal; return true;
    case VT_UI4: out.ulVal = *src->pulVal; return true;
    case VT_INT: out.intVal = *src->pintVal; return true;
    case VT_UINT: out.uintVal = *src->puintVal; return true;
    case VT_I8: out.llVal = *src->pllVal; return true;
    case VT_UI8: out.ullVal = *src->pullVal; return true;
    case VT_R4: out.fltVal = *src->pfltVal; return true;
    case VT_R8: out.dblVal = *src->pdblVal; return true;
    case VT_DATE: out.date = *src->pdate; return true;
    case VT_BOOL: out.boolVal = *src->pboolVal; return true;
    case VT_ERROR: out.scode = *src->pscode; return true;
    case VT_BSTR: out.bstrVal = *src->pbstrVal; return true;
    case VT_DISPATCH: out.pdispVal = *src->ppdispVal; return true;
    case VT_UNKNOWN: out.punkVal = *src->ppunkVal; return true;
    case VT_VARIANT: {
      const VARIANT* inner = src->pvarVal;
      if (inner->vt == (VT_VARIANT | VT_BYREF)) return false;  // no chains of variants
      return Deref(inner, out);
    }
    default: return false;
  }
}

enum class Kind { Empty, Null, Signed, Unsigned, Real, Bool, String, Object, Other };

Kind KindOf(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY: return Kind::Empty;
    case VT_NULL: return Kind::Null;
    case VT_I1:
    case VT_I2:
    case VT_I4:
    case VT_I8:
    case VT_INT:
    case VT_ERROR: return Kind::Signed;
    case VT_UI1:
    case VT_UI2:
    case VT_UI4:
    case VT_UI8:
    case VT_UINT: return Kind::Unsigned;
    case VT_R4:
    case VT_R8:
    case VT_DATE: return Kind::Real;
    case VT_BOOL: return Kind::Bool;
    case VT_BSTR: return Kind::String;
    case VT_DISPATCH:
    case VT_UNKNOWN: return Kind::Object;
    default: return Kind::Other;
  }
}

int64_t SignedOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_I1: return v.cVal;
    case VT_I2: return v.iVal;
    case VT_I4: return v.lVal;
    case VT_INT: return v.intVal;
    case VT_ERROR: return v.scode;
    default: return v.llVal;
  }
}

uint64_t UnsignedOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_UI1: return v.bVal;
    case VT_UI2: return v.uiVal;
    case VT_UI4: return v.ulVal;
    case VT_UINT: return v.uintVal;
    default: return v.ullVal;
  }
}

double RealOf(const VARIANT& v) {
  return v.vt == VT_R4 ? static_cast<double>(v.fltVal) : v.dblVal;
}

// A number in one of three exact forms, so that 64-bit integers survive the trip.
struct Number {
  enum { Int, UInt, Real } form = Int;
  int64_t i = 0;
  uint64_t u = 0;
  double r = 0;
};

std::string Narrow(BSTR s) {
  std::string out;
  if (s == nullptr) return out;
  const UINT n = SysStringLen(s);
  out.reserve(n);
  for (UINT k = 0; k < n; ++k) out.push_back(s[k] < 0x80 ? static_cast<char>(s[k]) : '\x7f');
  return out;
}

std::string Trim(const std::string& s) {
  size_t b = 0;
  size_t e = s.size();
  while (b < e && (s[b] == ' ' || s[b] == '\t')) ++b;
  while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\t')) --e;
  return s.substr(b, e - b);
}

bool EqualsNoCase(const std::string& a, const char* b) {
  const size_t n = std::strlen(b);
  if (a.size() != n) return false;
  for (size_t k = 0; k < n; ++k) {
    char c = a[k];
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    char d = b[k];
    if (d >= 'a' && d <= 'z') d = static_cast<char>(d - 'a' + 'A');
    if (c != d) return false;
  }
  return true;
}

HRESULT ParseNumber(BSTR s, Number& out) {
  const std::string text = Trim(Narrow(s));
  if (text.empty()) return DISP_E_TYPEMISMATCH;
  if (text.size() > 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h')) {
    errno = 0;
    char* end = nullptr;
    const unsigned long long v = std::strtoull(text.c_str() + 2, &end, 16);
    if (*end != '\0' || text[2] == '-' || text[2] == '+') return DISP_E_TYPEMISMATCH;
    if (errno == ERANGE) return DISP_E_OVERFLOW;
    out.form = Number::UInt;
    out.u = v;
    return S_OK;
  }
  const bool integral = text.find_first_of(".eE") == std::string::npos;
  errno = 0;
  char* end = nullptr;
  if (integral) {
    if (text[0] == '-') {
      const long long v = std::strtoll(text.c_str(), &end, 10);
      if (*end != '\0' || end == text.c_str()) return DISP_E_TYPEMISMATCH;
      if (errno == ERANGE) return DISP_E_OVERFLOW;
      out.form = Number::Int;
      out.i = v;
    } else {
      const char* p = text.c_str() + (text[0] == '+' ? 1 : 0);
      if (*p < '0' || *p > '9') return DISP_E_TYPEMISMATCH;
      const unsigned long long v = std::strtoull(p, &end, 10);
      if (*end != '\0') return DISP_E_TYPEMISMATCH;
      if (errno == ERANGE) return DISP_E_OVERFLOW;
      out.form = Number::UInt;
      out.u = v;
    }
    return S_OK;
  }
  const double v = std::strtod(text.c_str(), &end);
  if (*end != '\0' || end == text.c_str()) return DISP_E_TYPEMISMATCH;
  if (!std::isfinite(v)) return DISP_E_OVERFLOW;
  out.form = Number::Real;
  out.r = v;
  return S_OK;
}

HRESULT ToNumber(const VARIANT& v, Number& out) {
  switch (KindOf(v.vt)) {
    case Kind::Empty:
      out.form = Number::Int;
      out.i = 0;
      return S_OK;
    case Kind::Signed:
      out.form = Number::Int;
      out.i = SignedOf(v);
      return S_OK;
    case Kind::Unsigned:
      out.form = Number::UInt;
      out.u = UnsignedOf(v);
      return S_OK;
    case Kind::Real:
      out.form = Number::Real;
      out.r = RealOf(v);
      return S_OK;
    case Kind::Bool:
      out.form = Number::Int;
      out.i = v.boolVal != 0 ? -1 : 0;
      return S_OK;
    case Kind::String: return ParseNumber(v.bstrVal, out);
    default: return DISP_E_TYPEMISMATCH;
  }
}

// Integer targets from a number: reals round half to even, as automation does.
HRESULT ToRange(const Number& n, int64_t lo, uint64_t hi, bool boolSource, VARTYPE vt,
                uint64_t& bits) {
  (void)vt;
  switch (n.form) {
    case Number::Int:
      if (n.i < lo) {
        // A true Boolean (-1) into an unsigned type keeps its bits, as automation does.
        if (boolSource) {
          bits = static_cast<uint64_t>(n.i);
          return S_OK;
        }
        return DISP_E_OVERFLOW;
      }
      if (n.i > 0 && static_cast<uint64_t>(n.i) > hi) return DISP_E_OVERFLOW;
      bits = static_cast<uint64_t>(n.i);
      return S_OK;
    case Number::UInt:
      if (n.u > hi) return DISP_E_OVERFLOW;
      bits = n.u;
      return S_OK;
    case Number::Real: {
      const double r = std::nearbyint(n.r);  // default rounding mode: half to even
      if (r < static_cast<double>(lo) || r > static_cast<double>(hi) ||
          (hi == std::numeric_limits<uint64_t>::max() && r >= 18446744073709551616.0) ||
          (hi == static_cast<uint64_t>(std::numeric_limits<int64_t>::max()) &&
           r >= 9223372036854775808.0))
        return DISP_E_OVERFLOW;
      if (r < 0)
        bits = static_cast<uint64_t>(static_cast<int64_t>(r));
      else
        bits = static_cast<uint64_t>(r);
      return S_OK;
    }
  }
  return DISP_E_TYPEMISMATCH;
}

double RealFrom(const Number& n) {
  switch (n.form) {
    case Number::Int: return static_cast<double>(n.i);
    case Number::UInt: return static_cast<double>(n.u);
    default: return n.r;
  }
}

BSTR Widen(const std::string& s) {
  std::u16string w(s.begin(), s.end());
  return SysAllocStringLen(w.data(), static_cast<UINT>(w.size()));
}

std::string FormatReal(double r) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%.15G", r);
  return buf;
}

// Dates as text: ISO order, which reads back without regard to the user's locale.
std::string FormatDate(DATE d) {
  const double days = std::trunc(d);  // the fraction is the time of day whatever the sign
  const double frac = std::fabs(d - days);
  // Civil date from days since 1970-01-01 (proleptic Gregorian); DATE 0 is 1899-12-30.
  const int64_t z = static_cast<int64_t>(days) - 25569 + 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  int64_t y = yoe + era * 400;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  const int64_t dd = doy - (153 * mp + 2) / 5 + 1;
  const int64_t mm = mp < 10 ? mp + 3 : mp - 9;
  if (mm <= 2) ++y;
  auto secs = static_cast<int64_t>(std::llround(frac * 86400.0));
  if (secs >= 86400) secs = 86399;
  char buf[160];
  if (secs == 0)
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld", static_cast<long long>(y),
                  static_cast<long long>(mm), static_cast<long long>(dd));
  else
    std::snprintf(buf, sizeof buf, "%04lld-%02lld-%02lld %02lld:%02lld:%02lld",
                  static_cast<long long>(y), static_cast<long long>(mm), static_cast<long long>(dd),
                  static_cast<long long>(secs / 3600), static_cast<long long>(secs / 60 % 60),
                  static_cast<long long>(secs % 60));
  return buf;
}

HRESULT ParseDate(BSTR s, DATE& out) {
  const std::string text = Trim(Narrow(s));
  int y = 0, m = 0, d = 0, hh = 0, mi = 0, ss = 0;
  const int got = std::sscanf(text.c_str(), "%d-%d-%d %d:%d:%d", &y, &m, &d, &hh, &mi, &ss);
  if (got != 3 && got != 6) {
    Number n;
    const HRESULT hr = ParseNumber(s, n);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    out = RealFrom(n);
    return S_OK;
  }
  if (m < 1 || m > 12 || d < 1 || d > 31 || hh < 0 || hh > 23 || mi < 0 || mi > 59 || ss < 0 ||
      ss > 59)
    return DISP_E_TYPEMISMATCH;
  const int64_t yy = m <= 2 ? y - 1 : y;
  const int64_t era = (yy >= 0 ? yy : yy - 399) / 400;
  const int64_t yoe = yy - era * 400;
  const int64_t doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const int64_t days1970 = era * 146097 + doe - 719468;
  const double days = static_cast<double>(days1970 + 25569);
  const double frac = (hh * 3600.0 + mi * 60.0 + ss) / 86400.0;
  out = days >= 0 ? days + frac : days - frac;
  return S_OK;
}

HRESULT ChangeType(VARIANT& dest, const VARIANT& src, uint16_t flags, VARTYPE vt) {
  const Kind from = KindOf(src.vt);
  if (from == Kind::Other) return DISP_E_BADVARTYPE;
  VARIANT out{};
  out.vt = vt;
  if (vt == VT_EMPTY) {
    out.vt = VT_EMPTY;
    dest = out;
    return S_OK;
  }
  if (from == Kind::Null) {
    if (vt != VT_NULL) return DISP_E_TYPEMISMATCH;
    dest = out;
    return S_OK;
  }
  if (vt == VT_NULL) return DISP_E_TYPEMISMATCH;

  if (vt == VT_DISPATCH || vt == VT_UNKNOWN) {
    if (from == Kind::Empty) {
      out.punkVal = nullptr;
      dest = out;
      return S_OK;
    }
    if (from != Kind::Object) return DISP_E_TYPEMISMATCH;
    if (src.punkVal == nullptr) {
      out.punkVal = nullptr;
      dest = out;
      return S_OK;
    }
    void* p = nullptr;
    const HRESULT hr =
        src.punkVal->QueryInterface(vt == VT_DISPATCH ? IID_IDispatch : IID_IUnknown, &p);
    if (FAILED(hr)) return DISP_E_TYPEMISMATCH;
    out.punkVal = static_cast<IUnknown*>(p);
    dest = out;
    return S_OK;
  }
  if (from == Kind::Object) return DISP_E_TYPEMISMATCH;

  if (vt == VT_BSTR) {
    std::string text;
    switch (from) {
      case Kind::Empty: break;
      case Kind::String:
        out.bstrVal = SysAllocStringLen(src.bstrVal, SysStringLen(src.bstrVal));
        if (out.bstrVal == nullptr) return E_OUTOFMEMORY;
        dest = out;
        return S_OK;
      case Kind::Signed: text = std::to_string(SignedOf(src)); break;
      case Kind::Unsigned: text = std::to_string(UnsignedOf(src)); break;
      case Kind::Real:
        text = src.vt == VT_DATE ? FormatDate(src.date) : FormatReal(RealOf(src));
        break;
      case Kind::Bool:
        if ((flags & VARIANT_ALPHABOOL) != 0)
          text = src.boolVal != 0 ? "True" : "False";
        else
          text = src.boolVal != 0 ? "-1" : "0";
        break;
      default: return DISP_E_TYPEMISMATCH;
    }
    out.bstrVal = Widen(text);
    if (out.bstrVal == nullptr) return E_OUTOFMEMORY;
    dest = out;
    return S_OK;
  }

  if (vt == VT_BOOL) {
    if (from == Kind::String) {
      const std::string text = Trim(Narrow(src.bstrVal));
      if (EqualsNoCase(text, "True")) {
        out.boolVal = VARIANT_TRUE;
        dest = out;
        return S_OK;
      }
      if (EqualsNoCase(text, "False")) {
        out.boolVal = VARIANT_FALSE;
        dest = out;
        return S_OK;
      }
    }
    Number n;
    const HRESULT hr = ToNumber(src, n);
    if (FAILED(hr)) return hr;
    const bool value = n.form == Number::Int    ? n.i != 0
                       : n.form == Number::UInt ? n.u != 0
                                                : n.r != 0;
    out.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    dest = out;
    return S_OK;
  }

  if (vt == VT_DATE && from == Kind::String) {
    const HRESULT hr = ParseDate(src.bstrVal, out.date);
    if (FAILED(hr)) return hr;
    dest = out;
    return S_OK;
  }

  Number n;
  const HRESULT hr = ToNumber(src, n);
  if (FAILED(hr)) return hr;
  if (vt == VT_R4 || vt == VT_R8 || vt == VT_DATE) {
    const double r = RealFrom(n);
    if (vt == VT_R4) {
      if (std::fabs(r) > static_cast<double>(std::numeric_limits<float>::max()))
        return DISP_E_OVERFLOW;
      out.fltVal = static_cast<float>(r);
    } else {
      out.dblVal = r;
    }
    dest = out;
    return S_OK;
  }

  const bool boolSource = from == Kind::Bool;
  uint64_t bits = 0;
  HRESULT rr = S_OK;
  switch (vt) {
    case VT_I1:
      rr = ToRange(n, INT8_MIN, INT8_MAX, false, vt, bits);
      out.cVal = static_cast<int8_t>(bits);
      break;
    case VT_I2:
      rr = ToRange(n, INT16_MIN, INT16_MAX, false, vt, bits);
      out.iVal = static_cast<int16_t>(bits);
      break;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
      rr = ToRange(n, INT32_MIN, INT32_MAX, false, vt, bits);
      out.lVal = static_cast<int32_t>(bits);
      break;
    case VT_I8:
      rr = ToRange(n, INT64_MIN, INT64_MAX, false, vt, bits);
      out.llVal = static_cast<int64_t>(bits);
      break;
    case VT_UI1:
      rr = ToRange(n, 0, UINT8_MAX, boolSource, vt, bits);
      out.bVal = static_cast<uint8_t>(bits);
      break;
    case VT_UI2:
      rr = ToRange(n, 0, UINT16_MAX, boolSource, vt, bits);
      out.uiVal = static_cast<uint16_t>(bits);
      break;
    case VT_UI4:
    case VT_UINT:
      rr = ToRange(n, 0, UINT32_MAX, boolSource, vt, bits);
      out.ulVal = static_cast<uint32_t>(bits);
      break;
    case VT_UI8:
      rr = ToRange(n, 0, UINT64_MAX, boolSource, vt, bits);
      out.ullVal = bits;
      break;
    default: return DISP_E_BADVARTYPE;
  }
  if (FAILED(rr)) return rr;
  dest = out;
  return S_OK;
}

}  // namespace

extern "C" {

BSTR SysAllocString(const OLECHAR* psz) {
  if (psz == nullptr) return nullptr;
  size_t n = 0;
  while (psz[n] != 0) ++n;
  return AllocBytes(psz, n * sizeof(OLECHAR));
}

BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui) {
  return AllocBytes(strIn, static_cast<size_t>(ui) * sizeof(OLECHAR));
}

BSTR SysAllocStringByteLen(const char* psz, UINT len) {
  return AllocBytes(psz, len);
}

int SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len) {
  if (pbstr == nullptr) return 0;
  BSTR fresh = SysAllocStringLen(psz, len);
  if (fresh == nullptr) return 0;
  SysFreeString(*pbstr);
  *pbstr = fresh;
  return 1;
}

void SysFreeString(BSTR bstrString) {
  if (bstrString != nullptr) std::free(Header(bstrString));
}

UINT SysStringLen(BSTR pbstr) {
  return pbstr == nullptr ? 0 : *Header(pbstr) / sizeof(OLECHAR);
}

UINT SysStringByteLen(BSTR bstr) {
  return bstr == nullptr ? 0 : *Header(bstr);
}

void VariantInit(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return;
  pvarg->vt = VT_EMPTY;
  pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
  pvarg->llVal = 0;
  pvarg->record.pRecInfo = nullptr;
}

HRESULT VariantClear(VARIANTARG* pvarg) {
  if (pvarg == nullptr) return E_INVALIDARG;
  if ((pvarg->vt & VT_BYREF) == 0) {
    switch (pvarg->vt) {
      case VT_BSTR: SysFreeString(pvarg->bstrVal); break;
      case VT_DISPATCH:
      case VT_UNKNOWN:
        if (pvarg->punkVal != nullptr) pvarg->punkVal->Release();
        break;
      default:
        if (KindOf(pvarg->vt) == Kind::Other && pvarg->vt != VT_EMPTY) return DISP_E_BADVARTYPE;
        break;
    }
  }
  VariantInit(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc) {
  if (pvargDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
  if (pvargDest == pvargSrc) return S_OK;
  VARIANT copy = *pvargSrc;
  if ((copy.vt & VT_BYREF) == 0) {
    if (KindOf(copy.vt) == Kind::Other) return DISP_E_BADVARTYPE;
    if (copy.vt == VT_BSTR && copy.bstrVal != nullptr) {
      copy.bstrVal = SysAllocStringByteLen(reinterpret_cast<const char*>(pvargSrc->bstrVal),
                                           SysStringByteLen(pvargSrc->bstrVal));
      if (copy.bstrVal == nullptr) return E_OUTOFMEMORY;
    } else if ((copy.vt == VT_DISPATCH || copy.vt == VT_UNKNOWN) && copy.punkVal != nullptr) {
      copy.punkVal->AddRef();
    }
  }
  const HRESULT hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *pvargDest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc) {
  if (pvarDest == nullptr || pvargSrc == nullptr) return E_INVALIDARG;
  VARIANT view;
  if (!Deref(pvargSrc, view)) return DISP_E_BADVARTYPE;
  return VariantCopy(pvarDest, &view);
}

HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, uint16_t wFlags,
                          VARTYPE vt) {
  if (pvargDest == nullptr || pvarSrc == nullptr) return E_INVALIDARG;
  if ((vt & (VT_BYREF | VT_ARRAY)) != 0) return DISP_E_BADVARTYPE;
  VARIANT view;
  if (!Deref(pvarSrc, view)) return DISP_E_BADVARTYPE;
  VARIANT result;
  VariantInit(&result);
  const HRESULT hr = ChangeType(result, view, wFlags, vt);
  if (FAILED(hr)) return hr;
  // The destination may be the source: clear it only once the result is safely made.
  if (pvargDest == pvarSrc && (pvarSrc->vt & VT_BYREF) != 0) {
    *pvargDest = result;
    return S_OK;
  }
  const HRESULT cleared = VariantClear(pvargDest);
  if (FAILED(cleared)) {
    VariantClear(&result);
    return cleared;
  }
  *pvargDest = result;
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc, LCID /*lcid*/,
                            uint16_t wFlags, VARTYPE vt) {
  return VariantChangeType(pvargDest, pvarSrc, wFlags, vt);
}

}  // extern "C"
