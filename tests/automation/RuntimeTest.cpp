// The automation runtime: BSTR layout and the variant functions' conversions and ownership.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "automation/Runtime.h"
#include "sdk/ComPtr.h"
#include "sdk/Strings.h"

namespace {

TEST(BStr, LengthPrefixAndTerminatorSurroundTheText) {
  const char16_t text[] = u"AB\0C";
  BSTR s = SysAllocStringLen(text, 4);  // embedded zero kept
  ASSERT_NE(s, nullptr);
  uint32_t prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<char*>(s) - 4, 4);
  EXPECT_EQ(prefix, 8u);
  EXPECT_EQ(SysStringLen(s), 4u);
  EXPECT_EQ(SysStringByteLen(s), 8u);
  EXPECT_EQ(s[2], u'\0');
  EXPECT_EQ(s[3], u'C');
  EXPECT_EQ(s[4], u'\0');
  SysFreeString(s);

  EXPECT_EQ(SysAllocString(nullptr), nullptr);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
  BSTR empty = SysAllocString(u"");
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(SysStringLen(empty), 0u);
  SysFreeString(empty);
}

struct ChangeCase {
  const char* name;
  VARIANT source;
  VARTYPE target;
  HRESULT expected;
  int64_t value;  // for integer and Boolean targets
};

VARIANT MakeI4(int32_t v) {
  VARIANT x{};
  x.vt = VT_I4;
  x.lVal = v;
  return x;
}
VARIANT MakeUI4(uint32_t v) {
  VARIANT x{};
  x.vt = VT_UI4;
  x.ulVal = v;
  return x;
}
VARIANT MakeR8(double v) {
  VARIANT x{};
  x.vt = VT_R8;
  x.dblVal = v;
  return x;
}
VARIANT MakeBool(bool v) {
  VARIANT x{};
  x.vt = VT_BOOL;
  x.boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
  return x;
}
VARIANT MakeI8(int64_t v) {
  VARIANT x{};
  x.vt = VT_I8;
  x.llVal = v;
  return x;
}
VARIANT MakeUI1(uint8_t v) {
  VARIANT x{};
  x.vt = VT_UI1;
  x.bVal = v;
  return x;
}
VARIANT MakeI2(int16_t v) {
  VARIANT x{};
  x.vt = VT_I2;
  x.iVal = v;
  return x;
}

int64_t IntegerOf(const VARIANT& v) {
  switch (v.vt) {
    case VT_I4: return v.lVal;
    case VT_UI4: return v.ulVal;
    case VT_I8: return v.llVal;
    case VT_UI1: return v.bVal;
    case VT_I2: return v.iVal;
    case VT_BOOL: return v.boolVal;
    default: return -999;
  }
}

TEST(VariantChangeType, NumbersAndBooleansFollowAutomationRules) {
  const ChangeCase cases[] = {
      {"byte widens to I4", MakeUI1(200), VT_I4, S_OK, 200},
      {"I2 widens to I4", MakeI2(-5), VT_I4, S_OK, -5},
      {"I8 into I4 fits", MakeI8(-7), VT_I4, S_OK, -7},
      {"I8 into I4 overflows", MakeI8(int64_t{1} << 40), VT_I4, DISP_E_OVERFLOW, 0},
      {"UI4 above I4 range overflows", MakeUI4(0xFFFFFFFFu), VT_I4, DISP_E_OVERFLOW, 0},
      {"negative into UI4 overflows", MakeI4(-1), VT_UI4, DISP_E_OVERFLOW, 0},
      {"real rounds half to even (2.5)", MakeR8(2.5), VT_I4, S_OK, 2},
      {"real rounds half to even (3.5)", MakeR8(3.5), VT_I4, S_OK, 4},
      {"real rounds half to even (-2.5)", MakeR8(-2.5), VT_I4, S_OK, -2},
      {"true is -1", MakeBool(true), VT_I4, S_OK, -1},
      {"true into UI1 keeps all bits", MakeBool(true), VT_UI1, S_OK, 255},
      {"non-zero is true", MakeI4(7), VT_BOOL, S_OK, VARIANT_TRUE},
      {"zero is false", MakeI4(0), VT_BOOL, S_OK, VARIANT_FALSE},
      {"I4 into I8", MakeI4(-3), VT_I8, S_OK, -3},
      {"array types are refused", MakeI4(1), static_cast<VARTYPE>(VT_I4 | VT_ARRAY),
       DISP_E_BADVARTYPE, 0},
  };
  for (const ChangeCase& c : cases) {
    SCOPED_TRACE(c.name);
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &c.source, 0, c.target), c.expected);
    if (c.expected == S_OK) {
      EXPECT_EQ(out.vt, c.target);
      EXPECT_EQ(IntegerOf(out), c.value);
    } else {
      EXPECT_EQ(out.vt, VT_EMPTY) << "a failed conversion leaves the destination alone";
    }
  }
}

TEST(VariantChangeType, TextConvertsBothWays) {
  struct TextCase {
    const char* text;
    VARTYPE target;
    HRESULT expected;
    int64_t value;
  } cases[] = {
      {" 42 ", VT_I4, S_OK, 42},
      {"-17", VT_I4, S_OK, -17},
      {"12a", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"", VT_I4, DISP_E_TYPEMISMATCH, 0},
      {"99999999999", VT_I4, DISP_E_OVERFLOW, 0},
      {"&HFF", VT_I4, S_OK, 255},
      {"2.5", VT_I4, S_OK, 2},
      {"true", VT_BOOL, S_OK, VARIANT_TRUE},
      {"False", VT_BOOL, S_OK, VARIANT_FALSE},
      {"0", VT_BOOL, S_OK, VARIANT_FALSE},
      {"maybe", VT_BOOL, DISP_E_TYPEMISMATCH, 0},
  };
  for (const TextCase& c : cases) {
    SCOPED_TRACE(c.text);
    morvel::Variant in = morvel::Variant::Text(c.text);
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, in.Ptr(), 0, c.target), c.expected);
    if (c.expected == S_OK) {
      EXPECT_EQ(IntegerOf(out), c.value);
    }
  }

  VARIANT out;
  VariantInit(&out);
  VARIANT i = MakeI4(-12);
  ASSERT_EQ(VariantChangeType(&out, &i, 0, VT_BSTR), S_OK);
  EXPECT_EQ(morvel::FromBStr(out.bstrVal), "-12");
  VariantClear(&out);
  VARIANT b = MakeBool(true);
  ASSERT_EQ(VariantChangeType(&out, &b, VARIANT_ALPHABOOL, VT_BSTR), S_OK);
  EXPECT_EQ(morvel::FromBStr(out.bstrVal), "True");
  VariantClear(&out);
  VARIANT d{};
  d.vt = VT_DATE;
  d.date = 2.25;  // 1900-01-01 06:00
  ASSERT_EQ(VariantChangeType(&out, &d, 0, VT_BSTR), S_OK);
  EXPECT_EQ(morvel::FromBStr(out.bstrVal), "1900-01-01 06:00:00");
  VARIANT back;
  VariantInit(&back);
  ASSERT_EQ(VariantChangeType(&back, &out, 0, VT_DATE), S_OK);
  EXPECT_DOUBLE_EQ(back.date, 2.25);
  VariantClear(&out);
}

TEST(VariantChangeType, ByReferenceSourcesAreReadThrough) {
  int32_t target = 77;
  VARIANT ref{};
  ref.vt = VT_BYREF | VT_I4;
  ref.plVal = &target;
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_I8), S_OK);
  EXPECT_EQ(out.llVal, 77);

  morvel::Variant inner = morvel::Variant::Text("5");
  VARIANT vref{};
  vref.vt = VT_BYREF | VT_VARIANT;
  vref.pvarVal = inner.Ptr();
  ASSERT_EQ(VariantChangeType(&out, &vref, 0, VT_I4), S_OK);
  EXPECT_EQ(out.lVal, 5);

  VARIANT dangling{};
  dangling.vt = VT_BYREF | VT_I4;
  dangling.plVal = nullptr;
  EXPECT_EQ(VariantChangeType(&out, &dangling, 0, VT_I4), DISP_E_BADVARTYPE);
}

// An object that counts its references, to see the variant functions share and release it.
struct Counted : IDispatch {
  int refs = 1;
  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = this;
      ++refs;
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG Release() override { return static_cast<ULONG>(--refs); }
  HRESULT GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  HRESULT GetTypeInfo(UINT, LCID, void**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};

TEST(VariantCopyAndClear, ShareAndReleaseObjectsAndStrings) {
  Counted object;
  VARIANT a{};
  a.vt = VT_DISPATCH;
  a.pdispVal = &object;
  object.AddRef();
  VARIANT b;
  VariantInit(&b);
  ASSERT_EQ(VariantCopy(&b, &a), S_OK);
  EXPECT_EQ(object.refs, 3);
  VARIANT c;
  VariantInit(&c);
  ASSERT_EQ(VariantChangeType(&c, &a, 0, VT_UNKNOWN), S_OK);
  EXPECT_EQ(object.refs, 4);
  EXPECT_EQ(VariantChangeType(&c, &a, 0, VT_I4), DISP_E_TYPEMISMATCH);
  VariantClear(&a);
  VariantClear(&b);
  VariantClear(&c);
  EXPECT_EQ(object.refs, 1);
  EXPECT_EQ(a.vt, VT_EMPTY);

  morvel::Variant text = morvel::Variant::Text("copy me");
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, text.Ptr()), S_OK);
  EXPECT_NE(copy.bstrVal, text.Ptr()->bstrVal) << "a copy owns its own string";
  EXPECT_EQ(morvel::FromBStr(copy.bstrVal), "copy me");
  VariantClear(&copy);

  EXPECT_EQ(VariantClear(nullptr), E_INVALIDARG);
  EXPECT_EQ(VariantCopy(nullptr, text.Ptr()), E_INVALIDARG);
  EXPECT_EQ(VariantChangeType(nullptr, text.Ptr(), 0, VT_I4), E_INVALIDARG);
}

}  // namespace
