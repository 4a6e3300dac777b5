// Base classes of automation objects: the reference count, the not-implemented IDispatch, the
// non-counting variant for owned objects, and the table-driven support-service object.
#pragma once

#include <atomic>
#include <string_view>

#include "automation/Interfaces.h"
#include "sdk/Dispatch.h"

namespace morvel {

// Reference count and interface table. A new object has count 0 once constructed; Release
// destroys it when the count returns to 0.
class TReferencedObject {
 public:
  TReferencedObject() = default;
  TReferencedObject(const TReferencedObject&) = delete;
  TReferencedObject& operator=(const TReferencedObject&) = delete;
  virtual ~TReferencedObject() = default;

  int32_t RefCount() const { return FRefCount.load(); }
  // Frees an object nobody references; one still referenced raises "Invalid Pointer".
  void Free();

 protected:
  ULONG DoAddRef();
  ULONG DoRelease();
  HRESULT DoQueryInterface(REFIID iid, void** out);
  // A constructor that hands the object out (to stages that call back through it) holds a
  // reference meanwhile, so that their releases do not destroy it half made; the end of
  // construction gives it back without destroying anything.
  void BeginConstruction() { ++FRefCount; }
  void EndConstruction() { --FRefCount; }
  // The class's interface table: the interface pointer for an identity, or null.
  virtual void* FindInterface(REFIID iid) = 0;

 private:
  std::atomic<int32_t> FRefCount{0};
};

// IUnknown methods of a class with several interface bases, all resolved in one place.
#define MORVEL_IUNKNOWN_METHODS(Base)                       \
  HRESULT QueryInterface(REFIID iid, void** out) override { \
    return Base::QueryInterface(iid, out);                  \
  }                                                         \
  ULONG AddRef() override {                                 \
    return Base::AddRef();                                  \
  }                                                         \
  ULONG Release() override {                                \
    return Base::Release();                                 \
  }

// An IDispatch whose four methods answer E_NOTIMPL.
class TDispatchObject : public IDispatch, public TReferencedObject {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override { return DoQueryInterface(iid, out); }
  ULONG AddRef() override { return DoAddRef(); }
  ULONG Release() override { return DoRelease(); }
  HRESULT GetTypeInfoCount(UINT* pctinfo) override;
  HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, void** ppTInfo) override;
  HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                        DISPID* rgDispId) override;
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;

  IDispatch* AsDispatch() { return this; }

 protected:
  void* FindInterface(REFIID iid) override;
};

// Owned by another object that frees it: counting does nothing.
class TDispatchObjectNoRef : public TDispatchObject {
 public:
  ULONG AddRef() override { return 0; }
  ULONG Release() override { return 0; }
};

// The dispatch object of the host SDK: Invoke runs the class's dispatch table chain and the
// service query; ISupportService answers the same service names.
class TAbstractSupportService : public TDispatchObject, public ISupportService {
 public:
  HRESULT QueryInterface(REFIID iid, void** out) override { return DoQueryInterface(iid, out); }
  ULONG AddRef() override { return DoAddRef(); }
  ULONG Release() override { return DoRelease(); }
  HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags, DISPPARAMS* pDispParams,
                 VARIANT* pVarResult, EXCEPINFO* pExcepInfo, UINT* puArgErr) override;
  HRESULT SupportsService(BSTR name, VARIANT_BOOL* result) override;

  bool Supports(std::string_view service) const { return GetDispatchTable().Supports(service); }

  // The most derived class's table; its chain reaches the bases.
  virtual const DispatchTable& GetDispatchTable() const = 0;

 protected:
  void* FindInterface(REFIID iid) override;
};

}  // namespace morvel
