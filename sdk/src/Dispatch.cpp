// The dispatch mechanism: table lookup, argument conversion, result storing and the guard.
#include "sdk/Dispatch.h"

#include <cstdio>
#include <new>

namespace morvel {

namespace {
const char* gSource = "morvel";
}

void SetAutomationSource(const char* source) {
  gSource = source;
}

const DispatchEntry* DispatchTable::Find(DISPID id) const {
  for (const DispatchTable* t = this; t != nullptr; t = t->FParent) {
    const DispatchEntry* end = t->FEntries + t->FCount;
    const DispatchEntry* it = std::lower_bound(
        t->FEntries, end, id, [](const DispatchEntry& e, DISPID key) { return e.Id < key; });
    if (it != end && it->Id == id) return it;
  }
  return nullptr;
}

bool DispatchTable::Supports(std::string_view service) const {
  for (const DispatchTable* t = this; t != nullptr; t = t->FParent)
    for (const char* name : t->FServices)
      if (SameText(name, service)) return true;
  return false;
}

void FillExcepInfo(EXCEPINFO* excep, HRESULT code, const std::string& description) {
  if (excep == nullptr) return;
  *excep = EXCEPINFO{};
  excep->scode = code;
  excep->bstrSource = AllocBStr(gSource);
  excep->bstrDescription = AllocBStr(description);
}

HRESULT CurrentExceptionResult(std::string& description) {
  try {
    throw;
  } catch (const OleError& e) {
    description = e.what();
  } catch (const std::bad_alloc&) {
    description = "Out of memory";
  } catch (const std::exception& e) {
    description = e.what();
  } catch (...) {
    description = "Unknown error";
  }
  // Any exception inside an operation is the catastrophic-failure code at the boundary.
  return E_UNEXPECTED;
}

HRESULT DispatchInvoke(IDispatch* self, const DispatchTable& table, DISPID id, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* excep, UINT* argErr) {
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  if (params == nullptr) params = &none;
  if (params->cArgs > 0 && params->rgvarg == nullptr) return E_POINTER;
  if (const DispatchEntry* entry = table.Find(id)) {
    try {
      return entry->Thunk(self, params, result, argErr);
    } catch (...) {
      std::string description;
      const HRESULT code = CurrentExceptionResult(description);
      if (result != nullptr) VariantClear(result);
      try {
        FillExcepInfo(excep, code, description);
      } catch (...) {
      }
      return code;
    }
  }
  if (id == kDispIdSupportsService) {
    if (params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    if (result == nullptr) return E_POINTER;
    VariantInit(result);
    std::string service;
    const HRESULT hr = dispatch_detail::ToText(params->rgvarg[0], service);
    if (FAILED(hr)) {
      if (argErr != nullptr) *argErr = 0;
      return hr;
    }
    result->vt = VT_BOOL;
    result->boolVal = table.Supports(service) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  }
  return E_NOTIMPL;
}

namespace dispatch_detail {

HRESULT ToInt32Bits(const VARIANT& v, int32_t& out) {
  VARIANT wide;
  VariantInit(&wide);
  HRESULT hr = VariantChangeType(&wide, &v, 0, VT_I8);
  if (FAILED(hr)) return hr;
  // Unsigned 32-bit values keep their bits, so 0xFFFFFFFF arrives as -1.
  if (wide.llVal < INT32_MIN || wide.llVal > static_cast<int64_t>(UINT32_MAX))
    return DISP_E_OVERFLOW;
  out = static_cast<int32_t>(static_cast<uint32_t>(wide.llVal));
  return S_OK;
}

HRESULT ToInt64(const VARIANT& v, int64_t& out) {
  VARIANT wide;
  VariantInit(&wide);
  HRESULT hr = VariantChangeType(&wide, &v, 0, VT_I8);
  if (hr == DISP_E_OVERFLOW) {
    hr = VariantChangeType(&wide, &v, 0, VT_UI8);
    if (FAILED(hr)) return hr;
    out = static_cast<int64_t>(wide.ullVal);
    return S_OK;
  }
  if (FAILED(hr)) return hr;
  out = wide.llVal;
  return S_OK;
}

HRESULT ToBool(const VARIANT& v, bool& out) {
  VARIANT b;
  VariantInit(&b);
  const HRESULT hr = VariantChangeType(&b, &v, 0, VT_BOOL);
  if (FAILED(hr)) return hr;
  out = b.boolVal != 0;
  return S_OK;
}

HRESULT ToReal(const VARIANT& v, double& out) {
  VARIANT r;
  VariantInit(&r);
  const HRESULT hr = VariantChangeType(&r, &v, 0, VT_R8);
  if (FAILED(hr)) return hr;
  out = r.dblVal;
  return S_OK;
}

HRESULT ToText(const VARIANT& v, std::string& out) {
  if (v.vt == VT_BSTR) {
    out = FromBStr(v.bstrVal);
    return S_OK;
  }
  VARIANT s;
  VariantInit(&s);
  const HRESULT hr = VariantChangeType(&s, &v, VARIANT_ALPHABOOL, VT_BSTR);
  if (FAILED(hr)) return hr;
  out = FromBStr(s.bstrVal);
  VariantClear(&s);
  return S_OK;
}

HRESULT ToObject(const VARIANT& v, DispatchPtr& out) {
  VARTYPE vt = v.vt;
  if (vt == (VT_BYREF | VT_VARIANT) && v.pvarVal != nullptr) vt = v.pvarVal->vt;
  if (vt == VT_EMPTY || vt == VT_NULL) {
    out = nullptr;
    return S_OK;
  }
  VARIANT d;
  VariantInit(&d);
  const HRESULT hr = VariantChangeType(&d, &v, 0, VT_DISPATCH);
  if (FAILED(hr)) return hr;
  out = DispatchPtr::Attach(d.pdispVal);
  return S_OK;
}

void StoreInt32(VARIANT* r, int32_t v) {
  r->vt = VT_I4;
  r->lVal = v;
}
void StoreInt64(VARIANT* r, int64_t v) {
  r->vt = VT_I8;
  r->llVal = v;
}
void StoreBool(VARIANT* r, bool v) {
  r->vt = VT_BOOL;
  r->boolVal = v ? VARIANT_TRUE : VARIANT_FALSE;
}
void StoreReal(VARIANT* r, double v, VARTYPE vt) {
  r->vt = vt;
  r->dblVal = v;
}
void StoreText(VARIANT* r, const std::string& v) {
  BSTR s = AllocBStr(v);
  r->vt = VT_BSTR;
  r->bstrVal = s;
}
void StoreObject(VARIANT* r, DispatchPtr v) {
  r->vt = VT_DISPATCH;
  r->pdispVal = v.Detach();
}

}  // namespace dispatch_detail

// In-out arguments: write through the caller's reference, or into the argument itself.
namespace {
VARIANT* Target(VARIANT* arg) {
  if (arg->vt == (VT_BYREF | VT_VARIANT) && arg->pvarVal != nullptr) return arg->pvarVal;
  return arg;
}
}  // namespace

template <>
bool InOut<bool>::Get() const {
  bool v = false;
  CheckResult(dispatch_detail::ToBool(*FArg, v), "in-out Boolean");
  return v;
}
template <>
void InOut<bool>::Set(const bool& value) {
  if (FArg->vt == (VT_BYREF | VT_BOOL)) {
    *FArg->pboolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    return;
  }
  VARIANT* t = Target(FArg);
  VariantClear(t);
  dispatch_detail::StoreBool(t, value);
}

template <>
int32_t InOut<int32_t>::Get() const {
  int32_t v = 0;
  CheckResult(dispatch_detail::ToInt32Bits(*FArg, v), "in-out integer");
  return v;
}
template <>
void InOut<int32_t>::Set(const int32_t& value) {
  if (FArg->vt == (VT_BYREF | VT_I4)) {
    *FArg->plVal = value;
    return;
  }
  VARIANT* t = Target(FArg);
  VariantClear(t);
  dispatch_detail::StoreInt32(t, value);
}

template <>
std::string InOut<std::string>::Get() const {
  std::string v;
  CheckResult(dispatch_detail::ToText(*FArg, v), "in-out text");
  return v;
}
template <>
void InOut<std::string>::Set(const std::string& value) {
  BSTR fresh = AllocBStr(value);
  if (FArg->vt == (VT_BYREF | VT_BSTR)) {
    SysFreeString(*FArg->pbstrVal);
    *FArg->pbstrVal = fresh;
    return;
  }
  VARIANT* t = Target(FArg);
  VariantClear(t);
  t->vt = VT_BSTR;
  t->bstrVal = fresh;
}

// Errors.

std::string DescribeResult(HRESULT hr) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "0x%08X", static_cast<unsigned>(hr));
  return buf;
}

void CheckResult(HRESULT hr, const char* what) {
  if (FAILED(hr)) throw OleError(hr, std::string(what) + " failed with " + DescribeResult(hr));
}

// Variant.

Variant Variant::Int(int32_t v) {
  Variant r;
  dispatch_detail::StoreInt32(r.Ptr(), v);
  return r;
}
Variant Variant::Int64(int64_t v) {
  Variant r;
  dispatch_detail::StoreInt64(r.Ptr(), v);
  return r;
}
Variant Variant::Bool(bool v) {
  Variant r;
  dispatch_detail::StoreBool(r.Ptr(), v);
  return r;
}
Variant Variant::Real(double v) {
  Variant r;
  dispatch_detail::StoreReal(r.Ptr(), v, VT_R8);
  return r;
}
Variant Variant::Date(double v) {
  Variant r;
  dispatch_detail::StoreReal(r.Ptr(), v, VT_DATE);
  return r;
}
Variant Variant::Text(std::string_view v) {
  Variant r;
  r.FValue.bstrVal = AllocBStr(v);
  r.FValue.vt = VT_BSTR;
  return r;
}
Variant Variant::Object(IDispatch* v) {
  Variant r;
  if (v != nullptr) v->AddRef();
  r.FValue.vt = VT_DISPATCH;
  r.FValue.pdispVal = v;
  return r;
}

int32_t Variant::AsInt() const {
  VARIANT v;
  VariantInit(&v);
  CheckResult(VariantChangeType(&v, &FValue, 0, VT_I4), "Conversion to integer");
  return v.lVal;
}
int64_t Variant::AsInt64() const {
  int64_t v = 0;
  CheckResult(dispatch_detail::ToInt64(FValue, v), "Conversion to 64-bit integer");
  return v;
}
uint32_t Variant::AsUInt() const {
  int32_t v = 0;
  CheckResult(dispatch_detail::ToInt32Bits(FValue, v), "Conversion to integer");
  return static_cast<uint32_t>(v);
}
bool Variant::AsBool() const {
  bool v = false;
  CheckResult(dispatch_detail::ToBool(FValue, v), "Conversion to Boolean");
  return v;
}
double Variant::AsReal() const {
  double v = 0;
  CheckResult(dispatch_detail::ToReal(FValue, v), "Conversion to number");
  return v;
}
std::string Variant::AsText() const {
  std::string v;
  CheckResult(dispatch_detail::ToText(FValue, v), "Conversion to text");
  return v;
}
DispatchPtr Variant::AsObject() const {
  DispatchPtr v;
  CheckResult(dispatch_detail::ToObject(FValue, v), "Conversion to object");
  return v;
}

}  // namespace morvel
