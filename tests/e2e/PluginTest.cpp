// The real plug-in file loaded as a host loads it, spoken to only through its entry points and
// Invoke.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include "core/PluginLibrary.h"
#include "sdk/DriverDispIds.h"
#include "sdk/HostCall.h"

namespace morvel {
namespace {

namespace info = dispid::info;
namespace drv = dispid::driver;

class PluginTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { plugin = new host::PluginLibrary(MORVEL_PLUGIN_FILE); }
  static void TearDownTestSuite() {
    delete plugin;
    plugin = nullptr;
  }
  static host::PluginLibrary* plugin;
};
host::PluginLibrary* PluginTest::plugin = nullptr;

TEST_F(PluginTest, OffersOneDriverPerKind) {
  EXPECT_EQ(plugin->DriverCount(), 1337);
  EXPECT_TRUE(plugin->CreateDriver(0));
  EXPECT_TRUE(plugin->CreateDriver(1336));
  EXPECT_FALSE(plugin->CreateDriver(-1));
  EXPECT_FALSE(plugin->CreateDriver(1337));
  EXPECT_FALSE(plugin->CreateDriver(INT32_MIN));
}

TEST_F(PluginTest, EntryPointsRefuseNullOutPointers) {
  void* handle = dlopen(MORVEL_PLUGIN_FILE, RTLD_NOW | RTLD_NOLOAD);
  ASSERT_NE(handle, nullptr);
  auto count = reinterpret_cast<HRESULT (*)(int32_t*)>(dlsym(handle, "GetMorvelDriverCount"));
  auto get =
      reinterpret_cast<HRESULT (*)(int32_t, IDispatch**)>(dlsym(handle, "GetMorvelDriver_Plugin"));
  EXPECT_EQ(count(nullptr), E_POINTER);
  EXPECT_EQ(get(0, nullptr), E_POINTER);
  IDispatch* driver = reinterpret_cast<IDispatch*>(0x1);
  EXPECT_EQ(get(1337, &driver), S_OK);
  EXPECT_EQ(driver, nullptr) << "the out value is cleared before the kind is checked";
  dlclose(handle);
}

TEST_F(PluginTest, TwoDriversOfOneKindAreDistinctWithEqualAnswers) {
  DispatchPtr a = plugin->CreateDriver(539);
  DispatchPtr b = plugin->CreateDriver(539);
  EXPECT_NE(a.Get(), b.Get());
  for (DISPID id : {info::GetDeviceName, info::GetIdCode, info::GetPackageDescription,
                    info::GetConfigMemorySize, info::GetBSDLFilename}) {
    EXPECT_EQ(Call(a, id).AsText(), Call(b, id).AsText());
  }
  EXPECT_EQ(Call(a, info::GetDeviceName).AsText(), "5SGXEA7H2F35C2LN");
}

TEST_F(PluginTest, ReleasingEveryInterfaceLeavesTheDriverUsable) {
  IDispatch* raw = plugin->CreateDriver(20).Detach();
  ASSERT_NE(raw, nullptr);
  for (int i = 0; i < 10; ++i) raw->Release();
  EXPECT_EQ(Call(raw, info::GetIdCode).AsUInt(), 0x029850DDu);
  EXPECT_EQ(Call(raw, drv::CoreGen_OutputExtension).AsText(), ".VHD");
  EXPECT_EQ(Call(raw, info::GetDownloadFileExtensions).AsText(), "RBF");
}

TEST_F(PluginTest, BadCallsHaveDefinedAnswers) {
  DispatchPtr driver = plugin->CreateDriver(0);
  VARIANT result;
  DISPPARAMS none{nullptr, nullptr, 0, 0};
  EXPECT_EQ(driver->Invoke(1, IID_NULL, 0, DISPATCH_METHOD, &none, &result, nullptr, nullptr),
            E_NOTIMPL);
  EXPECT_EQ(driver->Invoke(info::GetDevicePin, IID_NULL, 0, DISPATCH_METHOD, &none, &result,
                           nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(driver->Invoke(info::GetIdCode, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr,
                           nullptr),
            E_POINTER);
  Variant text = Variant::Text("three");
  DISPPARAMS oneText{text.Ptr(), nullptr, 1, 0};
  EXPECT_EQ(driver->Invoke(info::GetDevicePin, IID_NULL, 0, DISPATCH_METHOD, &oneText, &result,
                           nullptr, nullptr),
            DISP_E_TYPEMISMATCH);
  UINT count = 0;
  EXPECT_EQ(driver->GetTypeInfoCount(&count), E_NOTIMPL);
  EXPECT_TRUE(SupportsService(driver.Get(), "DEVICEINFORMATION"));
  EXPECT_FALSE(SupportsService(driver.Get(), "BSDLEntity"));
}

}  // namespace
}  // namespace morvel
