// A JTAG channel that records every call the plug-in makes, in order, on both its dispatch
// interface and its pin-level companion; it can answer a TDO level, a scan value, omit the
// pin interface or fail at a chosen call.
#pragma once

#include <string>
#include <vector>

#include "sdk/Errors.h"
#include "sdk/HostDispIds.h"
#include "sdk/JTagChannel.h"
#include "sdk/Objects.h"

namespace morvel::testing {

class TFakeChannel : public TAbstractSupportService, public IJTagChannelPins {
 public:
  // Dispatch side.
  bool Open() { return Record("Open"), true; }
  void Close() { Record("Close"); }
  int32_t GetDeviceCount() { return Record("GetDeviceCount"), deviceCount; }
  void Flush() { Record("Flush"); }
  void SetInstruction(int32_t instruction, int32_t index) {
    Record("SetInstruction(" + std::to_string(instruction) + "," + std::to_string(index) + ")");
  }
  void GotoState(int32_t state) { Record("GotoState(" + std::to_string(state) + ")"); }
  void MoveState(int32_t from, int32_t to) {
    Record("MoveState(" + std::to_string(from) + "," + std::to_string(to) + ")");
  }
  void ClockTMS(int32_t level) { Record("ClockTMS(" + std::to_string(level) + ")"); }
  int32_t ScanData(int32_t value, int32_t length, int32_t index) {
    Record("ScanData(" + std::to_string(value) + "," + std::to_string(length) + "," +
           std::to_string(index) + ")");
    return static_cast<int32_t>(scanAnswer);
  }

  // Pin side.
  HRESULT SetTCK(int32_t level) override { return Pin("SetTCK", level); }
  HRESULT SetTRST(int32_t level) override { return Pin("SetTRST", level); }
  HRESULT SetTDI(int32_t level) override {
    tdi = level;
    return Pin("SetTDI", level);
  }
  HRESULT SetTMS(int32_t level) override { return Pin("SetTMS", level); }
  HRESULT GetTCK(uint8_t* level) override { return *level = 0, S_OK; }
  HRESULT GetTDO(uint8_t* level) override {
    *level = tdo;
    return Pin("GetTDO", -1);
  }
  HRESULT GetTDI(uint8_t* level) override { return *level = static_cast<uint8_t>(tdi), S_OK; }
  HRESULT GetTMS(uint8_t* level) override { return *level = 0, S_OK; }
  HRESULT WritePins() override {
    ++writes;
    return Pin("WritePins", -1);
  }
  HRESULT ReadPins() override { return Pin("ReadPins", -1); }

  HRESULT QueryInterface(REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    if (iid == IID_IJTagChannelPins) {
      *out = withPins ? static_cast<IJTagChannelPins*>(this) : nullptr;
      if (withPins) DoAddRef();
      return withPins ? S_OK : E_NOINTERFACE;
    }
    return DoQueryInterface(iid, out);
  }
  ULONG AddRef() override { return DoAddRef(); }
  ULONG Release() override { return DoRelease(); }

  static const DispatchTable& Table() {
    using C = TFakeChannel;
    namespace j = dispid::jtag;
    static constexpr auto kEntries = DispatchEntries(
        MORVEL_DISP(j::Open, C, Open), MORVEL_DISP(j::Close, C, Close),
        MORVEL_DISP(j::GetDeviceCount, C, GetDeviceCount), MORVEL_DISP(j::Flush, C, Flush),
        MORVEL_DISP(j::SetInstruction, C, SetInstruction), MORVEL_DISP(j::GotoState, C, GotoState),
        MORVEL_DISP(j::MoveState, C, MoveState), MORVEL_DISP(j::ClockTMS, C, ClockTMS),
        MORVEL_DISP(j::ScanData, C, ScanData));
    static const DispatchTable table(kEntries, {"JTagChannel"}, nullptr);
    return table;
  }
  const DispatchTable& GetDispatchTable() const override { return Table(); }

  // Calls recorded, and the call counts that matter for programming.
  std::vector<std::string> calls;
  size_t writes = 0;
  size_t Count(const std::string& call) const {
    size_t n = 0;
    for (const auto& c : calls) n += c == call ? 1 : 0;
    return n;
  }
  // The TDI levels at each rising TCK edge that a WritePins drove.
  std::vector<int> edges;

  int32_t deviceCount = 1;
  uint8_t tdo = 0;
  uint32_t scanAnswer = 0xFFFFFFFFu;
  bool withPins = true;
  bool recordPins = true;
  size_t failAt = static_cast<size_t>(-1);  // the n-th recorded call raises

 private:
  void Record(const std::string& call) {
    if (calls.size() == failAt) {
      failAt = static_cast<size_t>(-1);  // one failure; the clean-up that follows works
      throw OleError(E_FAIL, "cable unplugged");
    }
    calls.push_back(call);
  }
  HRESULT Pin(const char* name, int32_t level) {
    if (std::string(name) == "SetTCK") {
      if (level == 1 && tck == 0) edgePending = true;
      tck = level;
    }
    if (std::string(name) == "WritePins" && edgePending) {
      edges.push_back(tdi);
      edgePending = false;
    }
    if (!recordPins) return S_OK;
    if (calls.size() == failAt) {
      failAt = static_cast<size_t>(-1);
      return E_FAIL;
    }
    calls.push_back(level < 0 ? std::string(name)
                              : std::string(name) + "(" + std::to_string(level) + ")");
    return S_OK;
  }
  int32_t tck = 0;
  int32_t tdi = 0;
  bool edgePending = false;
};

}  // namespace morvel::testing
