// Base automation objects.
#include "sdk/Objects.h"

#include <stdexcept>

namespace morvel {

void TReferencedObject::Free() {
  if (FRefCount.load() != 0) throw std::logic_error("Invalid Pointer");
  delete this;
}

ULONG TReferencedObject::DoAddRef() {
  return static_cast<ULONG>(++FRefCount);
}

ULONG TReferencedObject::DoRelease() {
  const int32_t count = --FRefCount;
  if (count == 0) delete this;
  return static_cast<ULONG>(count);
}

HRESULT TReferencedObject::DoQueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  *out = FindInterface(iid);
  if (*out == nullptr) return E_NOINTERFACE;
  static_cast<IUnknown*>(*out)->AddRef();
  return S_OK;
}

HRESULT TDispatchObject::GetTypeInfoCount(UINT* /*pctinfo*/) {
  return E_NOTIMPL;
}
HRESULT TDispatchObject::GetTypeInfo(UINT /*iTInfo*/, LCID /*lcid*/, void** /*ppTInfo*/) {
  return E_NOTIMPL;
}
HRESULT TDispatchObject::GetIDsOfNames(REFIID /*riid*/, LPOLESTR* /*rgszNames*/, UINT /*cNames*/,
                                       LCID /*lcid*/, DISPID* /*rgDispId*/) {
  return E_NOTIMPL;
}
HRESULT TDispatchObject::Invoke(DISPID /*dispIdMember*/, REFIID /*riid*/, LCID /*lcid*/,
                                WORD /*wFlags*/, DISPPARAMS* /*pDispParams*/,
                                VARIANT* /*pVarResult*/, EXCEPINFO* /*pExcepInfo*/,
                                UINT* /*puArgErr*/) {
  return E_NOTIMPL;
}

void* TDispatchObject::FindInterface(REFIID iid) {
  if (iid == IID_IUnknown || iid == IID_IDispatch) return static_cast<IDispatch*>(this);
  return nullptr;
}

HRESULT TAbstractSupportService::Invoke(DISPID dispIdMember, REFIID /*riid*/, LCID /*lcid*/,
                                        WORD /*wFlags*/, DISPPARAMS* pDispParams,
                                        VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                        UINT* puArgErr) {
  return DispatchInvoke(this, GetDispatchTable(), dispIdMember, pDispParams, pVarResult, pExcepInfo,
                        puArgErr);
}

HRESULT TAbstractSupportService::SupportsService(BSTR name, VARIANT_BOOL* result) {
  if (result == nullptr) return E_POINTER;
  try {
    *result = Supports(FromBStr(name)) ? VARIANT_TRUE : VARIANT_FALSE;
    return S_OK;
  } catch (...) {
    *result = VARIANT_FALSE;
    return E_UNEXPECTED;
  }
}

void* TAbstractSupportService::FindInterface(REFIID iid) {
  if (iid == IID_ISupportService) return static_cast<ISupportService*>(this);
  return TDispatchObject::FindInterface(iid);
}

}  // namespace morvel
