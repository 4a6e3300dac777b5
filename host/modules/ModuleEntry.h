// The host modules are thin shared objects: each entry point answers the object that the host
// program keeps, found through the program's exported MorvelHost_GetModuleObject.
#pragma once

#include <dlfcn.h>

#include "automation/Interfaces.h"

namespace morvel::host::module {

inline HRESULT ForwardToHost(const char* entryPoint, IDispatch** object) {
  if (object == nullptr) return E_POINTER;
  *object = nullptr;
  using Lookup = HRESULT (*)(const char*, IDispatch**);
  auto lookup = reinterpret_cast<Lookup>(dlsym(RTLD_DEFAULT, "MorvelHost_GetModuleObject"));
  // Loaded outside the host: the service is absent.
  return lookup != nullptr ? lookup(entryPoint, object) : S_OK;
}

}  // namespace morvel::host::module

#define MORVEL_MODULE_ENTRY(Name)                                                      \
  extern "C" __attribute__((visibility("default"))) HRESULT Name(IDispatch** object) { \
    return ::morvel::host::module::ForwardToHost(#Name, object);                       \
  }
