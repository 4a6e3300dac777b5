// A client compiled against its own copy of the automation definitions (no project header)
// drives the plug-in: the binary layout of the boundary is what a host on the target platform
// relies on.
#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

namespace foreign {

typedef int32_t HRESULT;
typedef char16_t* BSTR;
struct GUID {
  uint32_t d1;
  uint16_t d2, d3;
  uint8_t d4[8];
};
struct VARIANT {
  uint16_t vt, r1, r2, r3;
  union {
    int32_t lVal;
    int64_t llVal;
    int16_t boolVal;
    BSTR bstrVal;
    void* pdispVal;
    struct {
      void* a;
      void* b;
    } rec;
  };
};
struct DISPPARAMS {
  VARIANT* rgvarg;
  int32_t* named;
  uint32_t cArgs, cNamed;
};
struct IDispatch {
  virtual HRESULT QueryInterface(const GUID&, void**) = 0;
  virtual uint32_t AddRef() = 0;
  virtual uint32_t Release() = 0;
  virtual HRESULT GetTypeInfoCount(uint32_t*) = 0;
  virtual HRESULT GetTypeInfo(uint32_t, uint32_t, void**) = 0;
  virtual HRESULT GetIDsOfNames(const GUID&, char16_t**, uint32_t, uint32_t, int32_t*) = 0;
  virtual HRESULT Invoke(int32_t, const GUID&, uint32_t, uint16_t, DISPPARAMS*, VARIANT*, void*,
                         uint32_t*) = 0;
};

static_assert(sizeof(VARIANT) == 24);

TEST(ForeignClient, DrivesThePluginThroughItsOwnDefinitions) {
  void* runtime = dlopen(MORVEL_AUTOMATION_LIB, RTLD_NOW);
  ASSERT_NE(runtime, nullptr) << dlerror();
  void* plugin = dlopen(MORVEL_PLUGIN_FILE, RTLD_NOW | RTLD_LOCAL);
  ASSERT_NE(plugin, nullptr) << dlerror();
  auto count = reinterpret_cast<HRESULT (*)(int32_t*)>(dlsym(plugin, "GetMorvelDriverCount"));
  auto get =
      reinterpret_cast<HRESULT (*)(int32_t, IDispatch**)>(dlsym(plugin, "GetMorvelDriver_Plugin"));
  auto freeString = reinterpret_cast<void (*)(BSTR)>(dlsym(runtime, "SysFreeString"));
  ASSERT_TRUE(count && get && freeString);

  int32_t n = 0;
  ASSERT_EQ(count(&n), 0);
  EXPECT_EQ(n, 1337);
  IDispatch* driver = nullptr;
  ASSERT_EQ(get(0, &driver), 0);
  ASSERT_NE(driver, nullptr);

  const GUID none{};
  DISPPARAMS noArgs{nullptr, nullptr, 0, 0};
  VARIANT result{};
  ASSERT_EQ(driver->Invoke(503379, none, 0, 1, &noArgs, &result, nullptr, nullptr), 0);
  EXPECT_EQ(result.vt, 3);  // VT_I4
  EXPECT_EQ(static_cast<uint32_t>(result.lVal), 0x029950DDu);

  ASSERT_EQ(driver->Invoke(503380, none, 0, 1, &noArgs, &result, nullptr, nullptr), 0);
  ASSERT_EQ(result.vt, 8);  // VT_BSTR
  uint32_t bytes = 0;
  std::memcpy(&bytes, reinterpret_cast<char*>(result.bstrVal) - 4, 4);
  const std::u16string name(result.bstrVal, bytes / 2);
  EXPECT_EQ(name, u"5SEE9F45C2N");
  freeString(result.bstrVal);

  // Service query: identifier 1023 with a string argument.
  VARIANT arg{};
  arg.vt = 8;
  const char16_t text[] = u"morveldriver";
  auto alloc = reinterpret_cast<BSTR (*)(const char16_t*)>(dlsym(runtime, "SysAllocString"));
  arg.bstrVal = alloc(text);
  DISPPARAMS oneArg{&arg, nullptr, 1, 0};
  ASSERT_EQ(driver->Invoke(1023, none, 0, 1, &oneArg, &result, nullptr, nullptr), 0);
  EXPECT_EQ(result.vt, 11);  // VT_BOOL
  EXPECT_EQ(result.boolVal, -1);
  freeString(arg.bstrVal);

  dlclose(plugin);
  dlclose(runtime);
}

}  // namespace foreign
