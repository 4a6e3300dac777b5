// The base automation interfaces with their Windows vtable order and identities. Interfaces
// have no virtual destructor, so their vtables hold exactly the declared methods.
#pragma once

#include "automation/Types.h"

#if defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
#endif

typedef const IID& REFIID;

inline constexpr IID IID_NULL = {0, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
inline constexpr IID IID_IUnknown = {
    0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
inline constexpr IID IID_IDispatch = {
    0x00020400, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {1DEBA58E-0DF5-4081-93E9-0C1732E7DFAE}
inline constexpr IID IID_ISupportService = {
    0x1DEBA58E, 0x0DF5, 0x4081, {0x93, 0xE9, 0x0C, 0x17, 0x32, 0xE7, 0xDF, 0xAE}};
// {DE05D751-32F9-4557-A7B6-678A8280E274}
inline constexpr IID IID_IDeviceMemoryAccess = {
    0xDE05D751, 0x32F9, 0x4557, {0xA7, 0xB6, 0x67, 0x8A, 0x82, 0x80, 0xE2, 0x74}};

struct IUnknown {
  virtual HRESULT QueryInterface(REFIID riid, void** ppvObject) = 0;
  virtual ULONG AddRef() = 0;
  virtual ULONG Release() = 0;
};
typedef IUnknown IInterface;

struct IDispatch : IUnknown {
  virtual HRESULT GetTypeInfoCount(UINT* pctinfo) = 0;
  virtual HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, void** ppTInfo) = 0;
  virtual HRESULT GetIDsOfNames(REFIID riid, LPOLESTR* rgszNames, UINT cNames, LCID lcid,
                                DISPID* rgDispId) = 0;
  virtual HRESULT Invoke(DISPID dispIdMember, REFIID riid, LCID lcid, WORD wFlags,
                         DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                         UINT* puArgErr) = 0;
};

struct ISupportService : IUnknown {
  virtual HRESULT SupportsService(BSTR name, VARIANT_BOOL* result) = 0;
};

struct IDeviceMemoryAccess : IUnknown {
  virtual HRESULT MemoryRead(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5,
                             int32_t* result) = 0;
  virtual HRESULT MemoryWrite(int32_t a1, int32_t a2, int32_t a3, int32_t a4, int32_t a5,
                              int32_t* result) = 0;
};

#if defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
