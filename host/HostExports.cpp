// The entry points the host program exports to the plug-ins and host modules it loads. A
// program that hosts plug-ins (morvel-host, the end-to-end tests) compiles this file in.
#include "automation/Interfaces.h"
#include "core/HostApp.h"

#define MORVEL_HOST_EXPORT extern "C" __attribute__((visibility("default")))

MORVEL_HOST_EXPORT HRESULT ClientAPI_GetClientInterface(IDispatch** client) {
  if (client == nullptr) return E_POINTER;
  *client = nullptr;
  morvel::host::HostApp* host = morvel::host::HostApp::Current();
  if (host != nullptr) *client = host->Client().Detach();
  return S_OK;
}

// The host modules' entry points answer the objects the host keeps.
MORVEL_HOST_EXPORT HRESULT MorvelHost_GetModuleObject(const char* entryPoint, IDispatch** object) {
  if (object == nullptr || entryPoint == nullptr) return E_POINTER;
  *object = nullptr;
  morvel::host::HostApp* host = morvel::host::HostApp::Current();
  if (host != nullptr) *object = host->ModuleObject(entryPoint).Detach();
  return S_OK;
}
