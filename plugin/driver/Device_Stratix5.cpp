// The plug-in's two exported entry points. Drivers do not count references: the plug-in keeps
// every driver it hands out until it is unloaded.
#include <memory>
#include <vector>

#include "automation/Interfaces.h"
#include "driver/Device_Stratix5_Driver.h"
#include "sdk/Dispatch.h"

using morvel::stratix5::TDevice_Stratix5Driver;

namespace {

std::vector<std::unique_ptr<TDevice_Stratix5Driver>>& Drivers() {
  static std::vector<std::unique_ptr<TDevice_Stratix5Driver>> drivers;
  return drivers;
}

const bool kSourceNamed = [] {
  morvel::SetAutomationSource("Device_Stratix5");
  return true;
}();

}  // namespace

#define MORVEL_EXPORT extern "C" __attribute__((visibility("default")))

MORVEL_EXPORT HRESULT GetMorvelDriverCount(int32_t* Count) {
  if (Count == nullptr) return E_POINTER;
  *Count = morvel::stratix5::kDeviceKindCount;
  return S_OK;
}

MORVEL_EXPORT HRESULT GetMorvelDriver_Plugin(int32_t AKind, IDispatch** Driver) {
  if (Driver == nullptr) return E_POINTER;
  *Driver = nullptr;
  try {
    if (!morvel::stratix5::IsValidKind(AKind)) return S_OK;
    auto driver =
        std::make_unique<TDevice_Stratix5Driver>(static_cast<morvel::stratix5::TDeviceKind>(AKind));
    void* dispatch = nullptr;
    const HRESULT hr = driver->QueryInterface(IID_IDispatch, &dispatch);
    if (FAILED(hr)) return hr;
    Drivers().push_back(std::move(driver));
    *Driver = static_cast<IDispatch*>(dispatch);
    return S_OK;
  } catch (...) {
    *Driver = nullptr;
    return E_UNEXPECTED;
  }
}
