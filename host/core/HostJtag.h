// The host's JTAG channel over a cable (the simulated chain or a remote bit-bang server): the
// dispatch operations the plug-in calls, and the pin-level companion as a vtable. Both drive
// the same cable, so they may be mixed freely.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <string>

#include "core/HostObjects.h"
#include "jtag/JtagCable.h"
#include "jtag/SimulatedChain.h"
#include "sdk/JTagChannel.h"

namespace morvel::host {

// One chain position as the channel describes it.
class THostJTagDevice : public THostObject {
 public:
  THostJTagDevice(const HostStatePtr& state, jtag::ChainPosition position, int32_t index)
      : THostObject(state), FPosition(std::move(position)), FIndex(index) {}
  std::string GetName() { return FPosition.Name; }
  uint32_t GetIdCode() { return FPosition.IdCode.value_or(0); }
  int32_t GetInstructionLength() { return static_cast<int32_t>(FPosition.IrLength); }
  int32_t GetIndex() { return FIndex; }
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  jtag::ChainPosition FPosition;
  int32_t FIndex;
};

// The pin interface comes first, so that the plug-in's pin calls (five or seven per bit of a
// programming file) reach the object without an adjusting thunk.
class THostJTagChannel : public IJTagChannelPins, public THostObject {
 public:
  // The channel does not own the cable; the host keeps both for the life of the board.
  THostJTagChannel(const HostStatePtr& state, jtag::JtagCable& cable, std::string portName)
      : THostObject(state),
        FCable(cable),
        FSimulated(dynamic_cast<jtag::SimulatedChain*>(&cable)),
        FPortName(std::move(portName)) {}

  bool Open();
  void Close();
  int32_t GetDeviceCount() { return static_cast<int32_t>(FCable.DeviceCount()); }
  DispatchPtr GetDevice(int32_t index);
  void Flush() {
    Settle();
    FCable.Flush();
  }
  void SetInstruction(uint32_t instruction, int32_t index);
  void GotoState(int32_t state);
  void MoveState(int32_t from, int32_t to);
  void ClockTMS(int32_t level);
  uint32_t ScanData(uint32_t value, int32_t length, int32_t index);
  void ShiftData(uint32_t value, int32_t length, int32_t index);
  uint32_t ShiftDataCapture(uint32_t value, int32_t length, int32_t index);
  std::string ShiftDataText(const std::string& bits, int32_t index);
  DispatchPtr GetPort();

  // The pin-level companion. A cable failure answers E_FAIL; its message is kept.
  // Levels are kept here and reach the cable when pins are written or the chain settles.
  HRESULT SetTCK(int32_t level) override { return FTck = level != 0, S_OK; }
  HRESULT SetTRST(int32_t level) override;
  HRESULT SetTDI(int32_t level) override { return FTdi = level != 0, S_OK; }
  HRESULT SetTMS(int32_t level) override { return FTms = level != 0, S_OK; }
  HRESULT GetTCK(uint8_t* level) override;
  HRESULT GetTDO(uint8_t* level) override;
  HRESULT GetTDI(uint8_t* level) override;
  HRESULT GetTMS(uint8_t* level) override;
  HRESULT WritePins() override {
    // Programming writes the pins twice per bit. For the in-process chain the rising edges are
    // collected and handed over in blocks; anything that can observe the chain (a read of
    // TDO, a flush, a high-level operation) hands over what is pending first.
    if (FSimulated == nullptr) return WriteCablePins();
    if (FTck && !FDrivenTck) {
      // The count is kept in a local: a byte store may alias it, which would reload it.
      const size_t n = FPendingCount;
      FPending[n] =
          static_cast<uint8_t>((FTms ? jtag::kCycleTms : 0) | (FTdi ? jtag::kCycleTdi : 0));
      FPendingCount = n + 1;
      if (n + 1 == FPending.size()) DrivePending();
    }
    FDrivenTck = FTck;
    return S_OK;
  }
  HRESULT ReadPins() override;

  HRESULT QueryInterface(REFIID iid, void** out) override;
  ULONG AddRef() override { return DoAddRef(); }
  ULONG Release() override { return DoRelease(); }

  int32_t OpenCount() const { return FOpenCount; }
  const std::string& LastPinError() const { return FLastPinError; }
  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  size_t Index(int32_t index) const;
  unsigned Length(int32_t length) const;
  HRESULT PinFailure(const std::exception& e);
  [[gnu::noinline]] HRESULT WriteCablePins();
  // Hands the collected edges to the in-process chain.
  [[gnu::noinline]] void DrivePending();
  // High-level operations run whole cycles and leave TCK low, TMS and TDI where they were:
  // what the pins drive now.
  void AfterCycles() {
    FTck = FCable.TCK();
    FTms = FCable.TMS();
    FTdi = FCable.TDI();
    FDrivenTck = FSettledTck = FTck;
  }
  void Settle() {
    FCable.SetTCK(FTck);
    FCable.SetTMS(FTms);
    FCable.SetTDI(FTdi);
    if (FSimulated != nullptr && (FPendingCount != 0 || FDrivenTck != FSettledTck)) DrivePending();
  }

  jtag::JtagCable& FCable;
  jtag::SimulatedChain* FSimulated;  // the same cable when it is the in-process chain
  std::array<uint8_t, 4096> FPending{};
  size_t FPendingCount = 0;
  bool FTck = false;  // the levels set so far
  bool FTms = false;
  bool FTdi = false;
  bool FDrivenTck = false;   // TCK as the last WritePins drove it
  bool FSettledTck = false;  // TCK as the chain last heard of it
  std::string FPortName;
  int32_t FOpenCount = 0;
  bool FTrst = false;
  std::map<int32_t, ComPtr<THostJTagDevice>> FDevices;
  std::string FLastPinError;
};

}  // namespace morvel::host
