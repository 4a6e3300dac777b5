// The host's JTAG channel objects.
#include "core/HostJtag.h"

#include "sdk/HostDispIds.h"

namespace morvel::host {

namespace id = dispid;

const DispatchTable& THostJTagDevice::Table() {
  using C = THostJTagDevice;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(id::jtagdevice::GetName, C, GetName),
                      MORVEL_DISP(id::jtagdevice::GetIdCode, C, GetIdCode),
                      MORVEL_DISP(id::jtagdevice::GetInstructionLength, C, GetInstructionLength),
                      MORVEL_DISP(id::jtagdevice::GetIndex, C, GetIndex));
  static const DispatchTable table(kEntries, {"JTagDevice"}, &THostObject::Table());
  return table;
}

namespace {
// The port a channel runs on: here only its name.
class THostJTagPort : public THostObject {
 public:
  THostJTagPort(const HostStatePtr& state, std::string name)
      : THostObject(state), FName(std::move(name)) {}
  std::string GetName() { return FName; }
  static const DispatchTable& Table() {
    using C = THostJTagPort;
    static constexpr auto kEntries =
        DispatchEntries(MORVEL_DISP(id::jtagport::GetName, C, GetName));
    static const DispatchTable table(kEntries, {"JTagPort"}, &THostObject::Table());
    return table;
  }
  const DispatchTable& GetDispatchTable() const override { return Table(); }

 private:
  std::string FName;
};
}  // namespace

const DispatchTable& THostJTagChannel::Table() {
  using C = THostJTagChannel;
  static constexpr auto kEntries = DispatchEntries(
      MORVEL_DISP(id::jtag::Open, C, Open), MORVEL_DISP(id::jtag::Close, C, Close),
      MORVEL_DISP(id::jtag::GetDeviceCount, C, GetDeviceCount),
      MORVEL_DISP(id::jtag::GetDevice, C, GetDevice), MORVEL_DISP(id::jtag::Flush, C, Flush),
      MORVEL_DISP(id::jtag::SetInstruction, C, SetInstruction),
      MORVEL_DISP(id::jtag::GotoState, C, GotoState),
      MORVEL_DISP(id::jtag::MoveState, C, MoveState), MORVEL_DISP(id::jtag::ClockTMS, C, ClockTMS),
      MORVEL_DISP(id::jtag::ScanData, C, ScanData), MORVEL_DISP(id::jtag::ShiftData, C, ShiftData),
      MORVEL_DISP(id::jtag::ShiftDataCapture, C, ShiftDataCapture),
      MORVEL_DISP(id::jtag::ShiftDataText, C, ShiftDataText),
      MORVEL_DISP(id::jtag::GetPort, C, GetPort));
  static const DispatchTable table(kEntries, {"JTagChannel"}, &THostObject::Table());
  return table;
}

bool THostJTagChannel::Open() {
  ++FOpenCount;
  return true;
}

void THostJTagChannel::Close() {
  if (FOpenCount > 0) --FOpenCount;
}

size_t THostJTagChannel::Index(int32_t index) const {
  if (index < 0 || static_cast<size_t>(index) >= FCable.DeviceCount())
    throw OleError(DISP_E_BADINDEX, "Device index " + std::to_string(index) +
                                        " is beyond the chain of " +
                                        std::to_string(FCable.DeviceCount()) + " devices");
  return static_cast<size_t>(index);
}

unsigned THostJTagChannel::Length(int32_t length) const {
  if (length < 1 || length > 32)
    throw OleError(E_INVALIDARG, "A scan of " + std::to_string(length) + " bits is not 1 to 32");
  return static_cast<unsigned>(length);
}

DispatchPtr THostJTagChannel::GetDevice(int32_t index) {
  const size_t at = Index(index);
  ComPtr<THostJTagDevice>& device = FDevices[index];
  if (!device) device = MakeHostObject<THostJTagDevice>(State(), FCable.Layout()[at], index);
  return DispatchOf(device);
}

void THostJTagChannel::SetInstruction(uint32_t instruction, int32_t index) {
  Settle();
  FCable.SetInstruction(instruction, Index(index));
  AfterCycles();
}

namespace {
jtag::TapState StateOf(int32_t state) {
  if (state < 1 || state > 16)
    throw OleError(E_INVALIDARG, "TAP state " + std::to_string(state) + " is not 1 to 16");
  return static_cast<jtag::TapState>(state);
}
}  // namespace

void THostJTagChannel::GotoState(int32_t state) {
  Settle();
  FCable.GotoState(StateOf(state));
}

void THostJTagChannel::MoveState(int32_t from, int32_t to) {
  Settle();
  FCable.MoveState(StateOf(from), StateOf(to));
  AfterCycles();
}

uint32_t THostJTagChannel::ScanData(uint32_t value, int32_t length, int32_t index) {
  Settle();
  const auto captured = static_cast<uint32_t>(FCable.ScanData(value, Length(length), Index(index)));
  AfterCycles();
  return captured;
}

void THostJTagChannel::ShiftData(uint32_t value, int32_t length, int32_t index) {
  Settle();
  FCable.ShiftData(value, Length(length), Index(index));
  AfterCycles();
}

uint32_t THostJTagChannel::ShiftDataCapture(uint32_t value, int32_t length, int32_t index) {
  Settle();
  const auto captured =
      static_cast<uint32_t>(FCable.ShiftDataCapture(value, Length(length), Index(index)));
  AfterCycles();
  return captured;
}

std::string THostJTagChannel::ShiftDataText(const std::string& bits, int32_t index) {
  Settle();
  std::string captured = FCable.ShiftDataText(bits, Index(index));
  AfterCycles();
  return captured;
}

DispatchPtr THostJTagChannel::GetPort() {
  return DispatchOf(MakeHostObject<THostJTagPort>(State(), FPortName));
}

HRESULT THostJTagChannel::PinFailure(const std::exception& e) {
  FLastPinError = e.what();
  return E_FAIL;
}

HRESULT THostJTagChannel::SetTRST(int32_t level) {
  try {
    Settle();
    FTrst = level != 0;
    FCable.SetResetLines(FTrst, false);
    AfterCycles();
    return S_OK;
  } catch (const std::exception& e) {
    return PinFailure(e);
  }
}

HRESULT THostJTagChannel::GetTCK(uint8_t* level) {
  if (level == nullptr) return E_POINTER;
  *level = FTck ? 1 : 0;
  return S_OK;
}

HRESULT THostJTagChannel::GetTDO(uint8_t* level) {
  if (level == nullptr) return E_POINTER;
  try {
    Settle();
    *level = FCable.GetTDO() ? 1 : 0;
    return S_OK;
  } catch (const std::exception& e) {
    return PinFailure(e);
  }
}

HRESULT THostJTagChannel::GetTDI(uint8_t* level) {
  if (level == nullptr) return E_POINTER;
  *level = FTdi ? 1 : 0;
  return S_OK;
}

HRESULT THostJTagChannel::GetTMS(uint8_t* level) {
  if (level == nullptr) return E_POINTER;
  *level = FTms ? 1 : 0;
  return S_OK;
}

void THostJTagChannel::ClockTMS(int32_t level) {
  Settle();
  FCable.ClockTMS(level != 0);
  AfterCycles();
}

void THostJTagChannel::DrivePending() {
  FCable.SetTCK(FTck);
  FCable.SetTMS(FTms);
  FCable.SetTDI(FTdi);
  FSimulated->DriveEdges(std::span<const uint8_t>(FPending.data(), FPendingCount), FDrivenTck);
  FPendingCount = 0;
  FSettledTck = FDrivenTck;
}

HRESULT THostJTagChannel::WriteCablePins() {
  try {
    FCable.SetTCK(FTck);
    FCable.SetTMS(FTms);
    FCable.SetTDI(FTdi);
    FCable.WritePins();
    return S_OK;
  } catch (const std::exception& e) {
    return PinFailure(e);
  }
}

HRESULT THostJTagChannel::ReadPins() {
  try {
    Settle();
    FCable.ReadPins();
    return S_OK;
  } catch (const std::exception& e) {
    return PinFailure(e);
  }
}

HRESULT THostJTagChannel::QueryInterface(REFIID iid, void** out) {
  if (out == nullptr) return E_POINTER;
  if (iid == IID_IJTagChannelPins) {
    *out = static_cast<IJTagChannelPins*>(this);
    DoAddRef();
    return S_OK;
  }
  return DoQueryInterface(iid, out);
}

}  // namespace morvel::host
