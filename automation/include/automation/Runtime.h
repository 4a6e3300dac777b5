// The automation runtime: string and variant functions under their Windows names, exported by
// the shared library that the plug-in and the host both link.
#pragma once

#include "automation/Interfaces.h"
#include "automation/Types.h"

#if defined(__GNUC__)
#define MORVEL_AUTOMATION_API __attribute__((visibility("default")))
#else
#define MORVEL_AUTOMATION_API
#endif

extern "C" {

// A BSTR points at UTF-16 text preceded by its 32-bit byte length and followed by a 16-bit zero.
MORVEL_AUTOMATION_API BSTR SysAllocString(const OLECHAR* psz);
MORVEL_AUTOMATION_API BSTR SysAllocStringLen(const OLECHAR* strIn, UINT ui);
MORVEL_AUTOMATION_API BSTR SysAllocStringByteLen(const char* psz, UINT len);
MORVEL_AUTOMATION_API int SysReAllocStringLen(BSTR* pbstr, const OLECHAR* psz, UINT len);
MORVEL_AUTOMATION_API void SysFreeString(BSTR bstrString);
MORVEL_AUTOMATION_API UINT SysStringLen(BSTR pbstr);
MORVEL_AUTOMATION_API UINT SysStringByteLen(BSTR bstr);

MORVEL_AUTOMATION_API void VariantInit(VARIANTARG* pvarg);
MORVEL_AUTOMATION_API HRESULT VariantClear(VARIANTARG* pvarg);
MORVEL_AUTOMATION_API HRESULT VariantCopy(VARIANTARG* pvargDest, const VARIANTARG* pvargSrc);
MORVEL_AUTOMATION_API HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANTARG* pvargSrc);
MORVEL_AUTOMATION_API HRESULT VariantChangeType(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc,
                                                uint16_t wFlags, VARTYPE vt);
MORVEL_AUTOMATION_API HRESULT VariantChangeTypeEx(VARIANTARG* pvargDest, const VARIANTARG* pvarSrc,
                                                  LCID lcid, uint16_t wFlags, VARTYPE vt);
}
