// Declarative dispatch: one table per class maps dispatch identifiers to member functions;
// argument and result conversions follow from each member's signature. The result convention
// (outs cleared at entry, exception guard, 0x8000FFFF, EXCEPINFO) lives here and nowhere else.
//
//   const DispatchTable& TPin::Table() {
//     static constexpr auto kEntries = DispatchEntries(
//         MORVEL_DISP(503525, TPin, GetPinNumber), MORVEL_DISP(503531, TPin, GetIOStandardCount));
//     static const DispatchTable table(kEntries, {"DevicePin"}, &TBase::Table());
//     return table;
//   }
#pragma once

#include <algorithm>
#include <array>
#include <initializer_list>
#include <string>
#include <string_view>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "automation/Runtime.h"
#include "sdk/ComPtr.h"
#include "sdk/Errors.h"
#include "sdk/Strings.h"

namespace morvel {

// The dispatch identifier of the service query every object answers.
inline constexpr DISPID kDispIdSupportsService = 1023;

// A date-time result or argument (automation DATE, days since 1899-12-30).
struct DateTime {
  double Value = 0;
};

// An in-out argument: reads the caller's value and writes back through its reference (or into
// the argument itself when the caller passed a plain value).
template <class T>
class InOut {
 public:
  explicit InOut(VARIANT* arg) : FArg(arg) {}
  T Get() const;
  void Set(const T& value);
  VARIANT* Raw() const { return FArg; }

 private:
  VARIANT* FArg;
};

template <>
bool InOut<bool>::Get() const;
template <>
void InOut<bool>::Set(const bool& value);
template <>
int32_t InOut<int32_t>::Get() const;
template <>
void InOut<int32_t>::Set(const int32_t& value);
template <>
std::string InOut<std::string>::Get() const;
template <>
void InOut<std::string>::Set(const std::string& value);

using DispatchThunk = HRESULT (*)(IDispatch* self, DISPPARAMS* params, VARIANT* result,
                                  UINT* argErr);

struct DispatchEntry {
  DISPID Id = 0;
  DispatchThunk Thunk = nullptr;
};

// One class's entries (sorted by identifier), its service names, and the table of its base.
class DispatchTable {
 public:
  template <size_t N>
  DispatchTable(const std::array<DispatchEntry, N>& entries,
                std::initializer_list<const char*> services, const DispatchTable* parent)
      : FEntries(entries.data()),
        FCount(N),
        FServices(services.begin(), services.end()),
        FParent(parent) {}
  DispatchTable(std::initializer_list<const char*> services, const DispatchTable* parent)
      : FServices(services.begin(), services.end()), FParent(parent) {}

  // Most derived first, then the bases.
  const DispatchEntry* Find(DISPID id) const;
  bool Supports(std::string_view service) const;

 private:
  const DispatchEntry* FEntries = nullptr;
  size_t FCount = 0;
  std::vector<const char*> FServices;
  const DispatchTable* FParent = nullptr;
};

// Runs a table-driven Invoke: identifiers from the table chain, then the service query, else
// E_NOTIMPL. A failing operation returns its code and fills EXCEPINFO when one is passed.
HRESULT DispatchInvoke(IDispatch* self, const DispatchTable& table, DISPID id, DISPPARAMS* params,
                       VARIANT* result, EXCEPINFO* excep, UINT* argErr);

// Fills EXCEPINFO for a failure (source names the module that raised it).
void FillExcepInfo(EXCEPINFO* excep, HRESULT code, const std::string& description);
void SetAutomationSource(const char* source);

// Stores the description of the exception being handled and answers the boundary's code.
HRESULT CurrentExceptionResult(std::string& description);

namespace dispatch_detail {

template <class T>
struct ArgTraits;

HRESULT ToInt32Bits(const VARIANT& v, int32_t& out);
HRESULT ToInt64(const VARIANT& v, int64_t& out);
HRESULT ToBool(const VARIANT& v, bool& out);
HRESULT ToReal(const VARIANT& v, double& out);
HRESULT ToText(const VARIANT& v, std::string& out);
HRESULT ToObject(const VARIANT& v, DispatchPtr& out);

template <class T>
requires(std::is_integral_v<T> && !std::is_same_v<T, bool> && sizeof(T) <= 4) struct ArgTraits<T> {
  static HRESULT From(VARIANT& v, T& out) {
    int32_t bits = 0;
    const HRESULT hr = ToInt32Bits(v, bits);
    out = static_cast<T>(bits);
    return hr;
  }
};
template <class T>
requires(std::is_integral_v<T> && sizeof(T) == 8) struct ArgTraits<T> {
  static HRESULT From(VARIANT& v, T& out) {
    int64_t value = 0;
    const HRESULT hr = ToInt64(v, value);
    out = static_cast<T>(value);
    return hr;
  }
};
template <class T>
requires std::is_enum_v<T>
struct ArgTraits<T> {
  static HRESULT From(VARIANT& v, T& out) {
    int32_t bits = 0;
    const HRESULT hr = ToInt32Bits(v, bits);
    out = static_cast<T>(bits);
    return hr;
  }
};
template <>
struct ArgTraits<bool> {
  static HRESULT From(VARIANT& v, bool& out) { return ToBool(v, out); }
};
template <>
struct ArgTraits<double> {
  static HRESULT From(VARIANT& v, double& out) { return ToReal(v, out); }
};
template <>
struct ArgTraits<DateTime> {
  static HRESULT From(VARIANT& v, DateTime& out) { return ToReal(v, out.Value); }
};
template <>
struct ArgTraits<std::string> {
  static HRESULT From(VARIANT& v, std::string& out) { return ToText(v, out); }
};
template <>
struct ArgTraits<DispatchPtr> {
  static HRESULT From(VARIANT& v, DispatchPtr& out) { return ToObject(v, out); }
};
template <>
struct ArgTraits<VARIANT*> {
  static HRESULT From(VARIANT& v, VARIANT*& out) {
    out = &v;
    return S_OK;
  }
};
template <class T>
struct ArgTraits<InOut<T>> {
  static HRESULT From(VARIANT& v, InOut<T>& out) {
    out = InOut<T>(&v);
    T probe{};
    return ArgTraits<T>::From(v, probe);  // the value must convert even if only written
  }
};

template <class T>
struct Slot {
  T Value{};
};
template <class T>
struct Slot<InOut<T>> {
  InOut<T> Value{nullptr};
};

void StoreInt32(VARIANT* r, int32_t v);
void StoreInt64(VARIANT* r, int64_t v);
void StoreBool(VARIANT* r, bool v);
void StoreReal(VARIANT* r, double v, VARTYPE vt);
void StoreText(VARIANT* r, const std::string& v);
void StoreObject(VARIANT* r, DispatchPtr v);

template <class R>
void StoreResult(VARIANT* r, R&& value) {
  using T = std::remove_cvref_t<R>;
  if constexpr (std::is_same_v<T, bool>) {
    StoreBool(r, value);
  } else if constexpr (std::is_enum_v<T> || (std::is_integral_v<T> && sizeof(T) <= 4)) {
    // Every 32-bit value (enumerations and bytes widened) travels as a signed 32-bit
    // integer with the same bits.
    StoreInt32(r, static_cast<int32_t>(value));
  } else if constexpr (std::is_integral_v<T>) {
    StoreInt64(r, static_cast<int64_t>(value));
  } else if constexpr (std::is_same_v<T, double>) {
    StoreReal(r, value, VT_R8);
  } else if constexpr (std::is_same_v<T, DateTime>) {
    StoreReal(r, value.Value, VT_DATE);
  } else if constexpr (std::is_same_v<T, std::string>) {
    StoreText(r, value);
  } else if constexpr (std::is_same_v<T, DispatchPtr>) {
    StoreObject(r, std::forward<R>(value));
  } else {
    static_assert(sizeof(T) == 0, "no automation result conversion for this type");
  }
}

template <class M>
struct MemberTraits;
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...)> {
  using Class = C;
  using Result = R;
  using Args = std::tuple<std::remove_cvref_t<A>...>;
  static constexpr size_t Arity = sizeof...(A);
};
template <class C, class R, class... A>
struct MemberTraits<R (C::*)(A...) const> : MemberTraits<R (C::*)(A...)> {};

// Converts argument I (declared order) from the array, which holds them last-first.
template <size_t I, class T>
HRESULT ConvertArg(DISPPARAMS* params, size_t arity, T& out, UINT* argErr) {
  const size_t pos = params->cArgs - 1 - I;
  (void)arity;
  const HRESULT hr = ArgTraits<T>::From(params->rgvarg[pos], out);
  if (FAILED(hr) && argErr != nullptr) *argErr = static_cast<UINT>(pos);
  return hr;
}

template <class Cls, auto Method, size_t... I>
HRESULT InvokeMember(IDispatch* self, DISPPARAMS* params, VARIANT* result, UINT* argErr,
                     std::index_sequence<I...>) {
  using Traits = MemberTraits<decltype(Method)>;
  using Args = typename Traits::Args;
  constexpr size_t arity = Traits::Arity;
  const UINT given = params == nullptr ? 0 : params->cArgs;
  if (given != arity || (arity > 0 && params->rgvarg == nullptr)) return DISP_E_BADPARAMCOUNT;
  constexpr bool hasResult = !std::is_void_v<typename Traits::Result>;
  if constexpr (hasResult) {
    if (result == nullptr) return E_POINTER;
  }
  if (result != nullptr) VariantInit(result);
  std::tuple<Slot<std::tuple_element_t<I, Args>>...> slots;
  HRESULT hr = S_OK;
  (void)argErr;
  ((hr = SUCCEEDED(hr) ? ConvertArg<I>(params, arity, std::get<I>(slots).Value, argErr) : hr), ...);
  if (FAILED(hr)) return hr;
  // Exceptions leave through DispatchInvoke, which owns the guard.
  auto* object = static_cast<Cls*>(self);
  if constexpr (hasResult) {
    StoreResult(result, (object->*Method)(std::move(std::get<I>(slots).Value)...));
  } else {
    (object->*Method)(std::move(std::get<I>(slots).Value)...);
  }
  return S_OK;
}

template <class Cls, auto Method>
HRESULT Thunk(IDispatch* self, DISPPARAMS* params, VARIANT* result, UINT* argErr) {
  using Traits = MemberTraits<decltype(Method)>;
  return InvokeMember<Cls, Method>(self, params, result, argErr,
                                   std::make_index_sequence<Traits::Arity>{});
}

}  // namespace dispatch_detail

template <class... E>
constexpr auto DispatchEntries(E... entries) {
  std::array<DispatchEntry, sizeof...(E)> table{entries...};
  std::sort(table.begin(), table.end(),
            [](const DispatchEntry& a, const DispatchEntry& b) { return a.Id < b.Id; });
  return table;
}

template <size_t N>
constexpr bool UniqueIds(const std::array<DispatchEntry, N>& table) {
  for (size_t i = 1; i < N; ++i)
    if (table[i - 1].Id == table[i].Id) return false;
  return true;
}

}  // namespace morvel

// An entry: dispatch identifier, class, member function.
#define MORVEL_DISP(id, Class, Method)                           \
  ::morvel::DispatchEntry {                                      \
    id, &::morvel::dispatch_detail::Thunk<Class, &Class::Method> \
  }
