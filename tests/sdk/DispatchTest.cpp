// The dispatch mechanism: argument order and conversion, the result convention, the service
// query, and defined answers for calls that do not fit the operation.
#include <gtest/gtest.h>

#include <stdexcept>
#include <vector>

#include "sdk/Dispatch.h"
#include "sdk/HostCall.h"
#include "sdk/Objects.h"

namespace morvel {
namespace {

// A small automation object with one operation of each shape.
class TProbe : public TAbstractSupportService {
 public:
  int32_t Add(int32_t a, int32_t b) {
    calls.push_back("Add");
    lastA = a;
    lastB = b;
    return a + b;
  }
  uint32_t AllOnes() { return 0xFFFFFFFFu; }
  uint8_t Byte() { return 200; }
  int64_t Wide(int64_t v) { return v * 2; }
  std::string Echo(const std::string& s) { return "<" + s + ">"; }
  bool Flag() { return true; }
  DispatchPtr Self(DispatchPtr other) { return other; }
  void Fail() { throw std::runtime_error("probe failed"); }
  std::string FailText() { throw std::runtime_error("no text"); }
  void Flags(InOut<bool> a, InOut<bool> b) {
    a.Set(!a.Get());
    b.Set(true);
  }

  std::vector<std::string> calls;
  int32_t lastA = 0, lastB = 0;

  static const DispatchTable& Table() {
    static constexpr auto kEntries = DispatchEntries(
        MORVEL_DISP(10, TProbe, Add), MORVEL_DISP(11, TProbe, AllOnes),
        MORVEL_DISP(12, TProbe, Byte), MORVEL_DISP(13, TProbe, Wide), MORVEL_DISP(14, TProbe, Echo),
        MORVEL_DISP(15, TProbe, Flag), MORVEL_DISP(16, TProbe, Self), MORVEL_DISP(17, TProbe, Fail),
        MORVEL_DISP(18, TProbe, FailText), MORVEL_DISP(19, TProbe, Flags));
    static_assert(UniqueIds(kEntries));
    static const DispatchTable table(kEntries, {"Probe"}, &Base());
    return table;
  }
  static const DispatchTable& Base() {
    static const DispatchTable table({"ProbeBase"}, nullptr);
    return table;
  }
  const DispatchTable& GetDispatchTable() const override { return Table(); }
};

class DispatchTest : public ::testing::Test {
 protected:
  // Invokes with the arguments as given in the array (last argument first).
  HRESULT Raw(DISPID id, std::vector<VARIANT> reversedArgs, VARIANT* result,
              EXCEPINFO* excep = nullptr) {
    DISPPARAMS params{reversedArgs.empty() ? nullptr : reversedArgs.data(), nullptr,
                      static_cast<UINT>(reversedArgs.size()), 0};
    return probe->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, excep, nullptr);
  }
  static VARIANT I4(int32_t v) {
    VARIANT x{};
    x.vt = VT_I4;
    x.lVal = v;
    return x;
  }

  ComPtr<TProbe> probe{new TProbe};
};

TEST_F(DispatchTest, ArgumentsArriveLastFirst) {
  VARIANT result;
  ASSERT_EQ(Raw(10, {I4(7), I4(2)}, &result), S_OK);
  EXPECT_EQ(probe->lastA, 2);
  EXPECT_EQ(probe->lastB, 7);
  EXPECT_EQ(result.vt, VT_I4);
  EXPECT_EQ(result.lVal, 9);
  // The client helper takes arguments in declared order.
  EXPECT_EQ(Call(probe->AsDispatch(), 10, 2, 7).AsInt(), 9);
  EXPECT_EQ(probe->lastA, 2);
}

TEST_F(DispatchTest, ResultsTravelAsAutomationTypes) {
  IDispatch* d = probe->AsDispatch();
  const Variant ones = Call(d, 11);
  EXPECT_EQ(ones.Type(), VT_I4);
  EXPECT_EQ(ones.Ptr()->lVal, -1) << "unsigned 32-bit values keep their bits";
  EXPECT_EQ(Call(d, 12).Ptr()->lVal, 200) << "bytes widen to 32 bits";
  const Variant wide = Call(d, 13, int64_t{1} << 40);
  EXPECT_EQ(wide.Type(), VT_I8);
  EXPECT_EQ(wide.Ptr()->llVal, int64_t{1} << 41);
  EXPECT_EQ(Call(d, 14, "ä x").AsText(), "<ä x>");
  const Variant flag = Call(d, 15);
  EXPECT_EQ(flag.Type(), VT_BOOL);
  EXPECT_EQ(flag.Ptr()->boolVal, VARIANT_TRUE);
  const Variant self = Call(d, 16, d);
  EXPECT_EQ(self.Type(), VT_DISPATCH);
  EXPECT_EQ(self.AsObject().Get(), d);
  EXPECT_FALSE(Call(d, 16, Variant()).AsObject()) << "an empty argument is no object";
}

TEST_F(DispatchTest, ArgumentsConvertOrAreRefused) {
  VARIANT result;
  morvel::Variant text = morvel::Variant::Text("12");
  ASSERT_EQ(Raw(10, {*text.Ptr(), I4(1)}, &result), S_OK);
  EXPECT_EQ(result.lVal, 13);

  probe->calls.clear();
  morvel::Variant junk = morvel::Variant::Text("twelve");
  UINT argErr = 99;
  std::vector<VARIANT> args = {*junk.Ptr(), I4(1)};
  DISPPARAMS params{args.data(), nullptr, 2, 0};
  EXPECT_EQ(probe->Invoke(10, IID_NULL, 0, DISPATCH_METHOD, &params, &result, nullptr, &argErr),
            DISP_E_TYPEMISMATCH);
  EXPECT_EQ(argErr, 0u) << "the position in the array of the argument that failed";
  EXPECT_TRUE(probe->calls.empty()) << "the operation never runs with a bad argument";

  VARIANT obj = I4(5);
  EXPECT_EQ(Raw(16, {obj}, &result), DISP_E_TYPEMISMATCH);
}

TEST_F(DispatchTest, CallsThatDoNotFitHaveDefinedAnswers) {
  VARIANT result;
  EXPECT_EQ(Raw(10, {I4(1)}, &result), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Raw(10, {I4(1), I4(2), I4(3)}, &result), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Raw(15, {I4(1)}, &result), DISP_E_BADPARAMCOUNT);
  EXPECT_EQ(Raw(15, {}, nullptr), E_POINTER);
  EXPECT_EQ(Raw(17, {}, nullptr), E_UNEXPECTED) << "an operation without a result needs none";

  DISPPARAMS broken{nullptr, nullptr, 2, 0};
  EXPECT_EQ(probe->Invoke(10, IID_NULL, 0, DISPATCH_METHOD, &broken, &result, nullptr, nullptr),
            E_POINTER);
  EXPECT_EQ(probe->Invoke(15, IID_NULL, 0, DISPATCH_METHOD, nullptr, &result, nullptr, nullptr),
            S_OK)
      << "no parameter block is no arguments";
  EXPECT_TRUE(probe->calls.empty());

  EXPECT_EQ(Raw(1, {}, &result), E_NOTIMPL);
  UINT count = 0;
  EXPECT_EQ(probe->GetTypeInfoCount(&count), E_NOTIMPL);
  EXPECT_EQ(probe->GetTypeInfo(0, 0, nullptr), E_NOTIMPL);
  EXPECT_EQ(probe->GetIDsOfNames(IID_NULL, nullptr, 0, 0, nullptr), E_NOTIMPL);
}

TEST_F(DispatchTest, AFailingOperationFailsInvokeAndClearsItsResult) {
  VARIANT result;
  result.vt = VT_I4;  // whatever the caller left there is cleared at entry
  EXCEPINFO excep{};
  EXPECT_EQ(Raw(18, {}, &result, &excep), E_UNEXPECTED);
  EXPECT_EQ(result.vt, VT_EMPTY);
  EXPECT_EQ(excep.scode, E_UNEXPECTED);
  EXPECT_EQ(FromBStr(excep.bstrDescription), "no text");
  SysFreeString(excep.bstrDescription);
  SysFreeString(excep.bstrSource);

  try {
    Call(probe->AsDispatch(), 17);
    FAIL() << "the failure must reach the caller";
  } catch (const OleError& e) {
    EXPECT_EQ(e.Code(), E_UNEXPECTED);
    EXPECT_STREQ(e.what(), "probe failed");
  }
}

TEST_F(DispatchTest, ServiceQueryAnswersTheNamesOfTheClassChain) {
  IDispatch* d = probe->AsDispatch();
  EXPECT_TRUE(SupportsService(d, "probe"));
  EXPECT_TRUE(SupportsService(d, "PROBEBASE"));
  EXPECT_FALSE(SupportsService(d, "Other"));
  VARIANT result;
  EXPECT_EQ(Raw(kDispIdSupportsService, {}, &result), DISP_E_BADPARAMCOUNT);

  ComPtr<ISupportService> service =
      ComPtr<IDispatch>(d).Query<ISupportService>(IID_ISupportService);
  ASSERT_TRUE(service);
  VARIANT_BOOL answer = VARIANT_FALSE;
  BStr name("Probe");
  EXPECT_EQ(service->SupportsService(name.Get(), &answer), S_OK);
  EXPECT_EQ(answer, VARIANT_TRUE);
  void* none = nullptr;
  EXPECT_EQ(d->QueryInterface(IID_IDeviceMemoryAccess, &none), E_NOINTERFACE);
  EXPECT_EQ(none, nullptr);
}

TEST_F(DispatchTest, InOutArgumentsWriteBackThroughReferences) {
  VARIANT_BOOL first = VARIANT_TRUE;
  Variant second = Variant::Bool(false);
  VARIANT a{};
  a.vt = VT_BYREF | VT_BOOL;
  a.pboolVal = &first;
  VARIANT b{};
  b.vt = VT_BYREF | VT_VARIANT;
  b.pvarVal = second.Ptr();
  VARIANT result;
  ASSERT_EQ(Raw(19, {b, a}, &result), S_OK);
  EXPECT_EQ(first, VARIANT_FALSE);
  EXPECT_TRUE(second.AsBool());
}

TEST(ReferencedObject, CountsFromZeroAndRefusesToFreeWhileReferenced) {
  auto* probe = new TProbe;
  EXPECT_EQ(probe->RefCount(), 0);
  probe->AddRef();
  EXPECT_THROW(probe->Free(), std::logic_error);
  probe->Release();  // destroys it
}

}  // namespace
}  // namespace morvel
