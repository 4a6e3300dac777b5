// Calling an automation object by dispatch identifier: arguments in declared order (reversed
// into the array here), a failure code raised as an OleError carrying the callee's message.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "sdk/ComPtr.h"
#include "sdk/Errors.h"

namespace morvel {

// An in-out argument: the callee sees a reference to the caller's variant.
struct ByRef {
  Variant* Target;
};

inline Variant ToVariant(const Variant& v) {
  return v;
}
inline Variant ToVariant(Variant&& v) {
  return std::move(v);
}
inline Variant ToVariant(int32_t v) {
  return Variant::Int(v);
}
inline Variant ToVariant(uint32_t v) {
  return Variant::Int(static_cast<int32_t>(v));
}
inline Variant ToVariant(int64_t v) {
  return Variant::Int64(v);
}
inline Variant ToVariant(bool v) {
  return Variant::Bool(v);
}
inline Variant ToVariant(double v) {
  return Variant::Real(v);
}
inline Variant ToVariant(std::string_view v) {
  return Variant::Text(v);
}
inline Variant ToVariant(const std::string& v) {
  return Variant::Text(v);
}
inline Variant ToVariant(const char* v) {
  return Variant::Text(v);
}
inline Variant ToVariant(IDispatch* v) {
  return Variant::Object(v);
}
inline Variant ToVariant(const DispatchPtr& v) {
  return Variant::Object(v.Get());
}
Variant ToVariant(ByRef v);

// Invokes the method; the arguments are given in declared order.
Variant InvokeArgs(IDispatch* target, DISPID id, std::vector<Variant>& args);

template <class... A>
Variant Call(IDispatch* target, DISPID id, A&&... args) {
  std::vector<Variant> list;
  list.reserve(sizeof...(A));
  (list.push_back(ToVariant(std::forward<A>(args))), ...);
  return InvokeArgs(target, id, list);
}

template <class... A>
Variant Call(const DispatchPtr& target, DISPID id, A&&... args) {
  return Call(target.Get(), id, std::forward<A>(args)...);
}

// Asks an object's service query (identifier 1023).
bool SupportsService(IDispatch* target, std::string_view service);

}  // namespace morvel
