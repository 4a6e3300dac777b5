// Counted interface references and an owning variant: every acquire paired with its release.
#pragma once

#include <string>
#include <utility>

#include "automation/Runtime.h"

namespace morvel {

template <class T>
class ComPtr {
 public:
  ComPtr() = default;
  ComPtr(std::nullptr_t) {}  // NOLINT(google-explicit-constructor)
  // Takes a new reference on the pointer.
  explicit ComPtr(T* p) : FPtr(p) {
    if (FPtr != nullptr) FPtr->AddRef();
  }
  ComPtr(const ComPtr& other) : ComPtr(other.FPtr) {}
  ComPtr(ComPtr&& other) noexcept : FPtr(std::exchange(other.FPtr, nullptr)) {}
  ComPtr& operator=(const ComPtr& other) {
    if (this != &other) Reset(other.FPtr);
    return *this;
  }
  ComPtr& operator=(ComPtr&& other) noexcept {
    if (this != &other) {
      Release();
      FPtr = std::exchange(other.FPtr, nullptr);
    }
    return *this;
  }
  ComPtr& operator=(std::nullptr_t) {
    Release();
    return *this;
  }
  ~ComPtr() { Release(); }

  // Adopts a pointer whose reference the caller already holds.
  static ComPtr Attach(T* p) {
    ComPtr c;
    c.FPtr = p;
    return c;
  }

  T* Get() const { return FPtr; }
  T* operator->() const { return FPtr; }
  explicit operator bool() const { return FPtr != nullptr; }
  T* Detach() { return std::exchange(FPtr, nullptr); }
  void Reset(T* p = nullptr) {
    if (p != nullptr) p->AddRef();
    Release();
    FPtr = p;
  }
  T** Out() {
    Release();
    return &FPtr;
  }
  // A new reference for an out-parameter.
  T* Share() const {
    if (FPtr != nullptr) FPtr->AddRef();
    return FPtr;
  }

  template <class U>
  ComPtr<U> Query(REFIID iid) const {
    ComPtr<U> result;
    if (FPtr != nullptr) {
      void* p = nullptr;
      if (SUCCEEDED(FPtr->QueryInterface(iid, &p))) result = ComPtr<U>::Attach(static_cast<U*>(p));
    }
    return result;
  }

  friend bool operator==(const ComPtr& a, const ComPtr& b) { return a.FPtr == b.FPtr; }

 private:
  void Release() {
    if (FPtr != nullptr) std::exchange(FPtr, nullptr)->Release();
  }
  T* FPtr = nullptr;
};

using DispatchPtr = ComPtr<IDispatch>;

// An owning VARIANT: cleared on destruction.
class Variant {
 public:
  Variant() { VariantInit(&FValue); }
  Variant(const Variant& other) {
    VariantInit(&FValue);
    VariantCopy(&FValue, &other.FValue);
  }
  Variant& operator=(const Variant& other) {
    if (this != &other) VariantCopy(&FValue, &other.FValue);
    return *this;
  }
  Variant(Variant&& other) noexcept : FValue(other.FValue) { VariantInit(&other.FValue); }
  Variant& operator=(Variant&& other) noexcept {
    if (this != &other) {
      VariantClear(&FValue);
      FValue = other.FValue;
      VariantInit(&other.FValue);
    }
    return *this;
  }
  ~Variant() { VariantClear(&FValue); }

  static Variant Int(int32_t v);
  static Variant Int64(int64_t v);
  static Variant Bool(bool v);
  static Variant Real(double v);
  static Variant Date(double v);
  static Variant Text(std::string_view v);
  static Variant Object(IDispatch* v);  // takes a new reference

  VARIANT* Ptr() { return &FValue; }
  const VARIANT* Ptr() const { return &FValue; }
  VARTYPE Type() const { return FValue.vt; }
  bool IsEmpty() const { return FValue.vt == VT_EMPTY; }

  // Conversions with automation rules; a value that does not convert raises an OleError.
  int32_t AsInt() const;
  int64_t AsInt64() const;
  uint32_t AsUInt() const;  // any 32-bit pattern, also the signed -1
  bool AsBool() const;
  double AsReal() const;
  std::string AsText() const;
  DispatchPtr AsObject() const;

 private:
  VARIANT FValue;
};

}  // namespace morvel
