// Late-bound calls to automation objects.
#include "sdk/HostCall.h"

#include <algorithm>

#include "sdk/Dispatch.h"
#include "sdk/Strings.h"

namespace morvel {

Variant ToVariant(ByRef v) {
  Variant r;
  r.Ptr()->vt = VT_BYREF | VT_VARIANT;
  r.Ptr()->pvarVal = v.Target->Ptr();
  return r;
}

Variant InvokeArgs(IDispatch* target, DISPID id, std::vector<Variant>& args) {
  if (target == nullptr)
    throw OleError(E_POINTER, "Call of dispatch id " + std::to_string(id) + " on no object");
  // The array holds the last argument first. Variants are plain structs, so the array is a
  // copy of the bits; ownership stays with args.
  std::vector<VARIANT> reversed;
  reversed.reserve(args.size());
  for (auto it = args.rbegin(); it != args.rend(); ++it) reversed.push_back(*it->Ptr());
  DISPPARAMS params{reversed.empty() ? nullptr : reversed.data(), nullptr,
                    static_cast<UINT>(reversed.size()), 0};
  Variant result;
  EXCEPINFO excep{};
  UINT argErr = 0;
  const HRESULT hr =
      target->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                     &params, result.Ptr(), &excep, &argErr);
  // A callee may have written back into plain in-out arguments; keep what it wrote.
  for (size_t i = 0; i < args.size(); ++i) *args[i].Ptr() = reversed[args.size() - 1 - i];
  std::string description = FromBStr(excep.bstrDescription);
  SysFreeString(excep.bstrSource);
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrHelpFile);
  if (FAILED(hr)) {
    if (description.empty())
      description = "Dispatch id " + std::to_string(id) + " failed with " + DescribeResult(hr);
    throw OleError(hr, description);
  }
  return result;
}

bool SupportsService(IDispatch* target, std::string_view service) {
  return Call(target, kDispIdSupportsService, service).AsBool();
}

}  // namespace morvel
