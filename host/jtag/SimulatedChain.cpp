// The simulated chain's devices and its TCK edge engine.
#include "jtag/SimulatedChain.h"

#include <algorithm>

namespace morvel::host::jtag {

namespace {
uint64_t IrMask(unsigned length) {
  return length >= 64 ? ~uint64_t{0} : (uint64_t{1} << length) - 1;
}
}  // namespace

void BitRing::Resize(unsigned length) {
  FLength = length;
  FHead = 0;
  FWords.assign((length + 63) / 64, 0);
}

bool BitRing::Bit(unsigned i) const {
  const unsigned at = (FHead + i) % FLength;
  return ((FWords[at >> 6] >> (at & 63)) & 1) != 0;
}

void BitRing::Load(const uint64_t* words) {
  FHead = 0;
  std::copy_n(words, FWords.size(), FWords.begin());
  if (FLength % 64 != 0) FWords.back() &= (uint64_t{1} << (FLength % 64)) - 1;
}

void SimulatedDevice::Init(const DeviceSpec& spec) {
  if (spec.IrLength < kMinIrLength || spec.IrLength > kMaxIrLength)
    throw ChainSpecError("device '" + spec.Name + "' has an instruction register of " +
                         std::to_string(spec.IrLength) + " bits; 2 to 64 are possible");
  FSpec = spec;
  FStratix = spec.Kind == DeviceKind::StratixV;
  FBypass.Resize(1);
  if (FStratix) {
    FStatusLayout = FindStatusBitLayout(spec.BaseName, spec.PackageId);
    if (!FStatusLayout)
      throw ChainSpecError("device '" + spec.Name + "': no status-register layout for base name '" +
                           spec.BaseName + "'");
    FIdCode.Resize(32);
    FUserCodeRegister.Resize(32);
    FBoundary.Resize(std::max(1u, spec.BoundaryLength));
    FBoundaryCapture.assign((FBoundary.Length() + 63) / 64, 0);
    FStatus.Resize(static_cast<unsigned>(FStatusLayout->RegisterLength()));
  }
  PowerUp();
}

void SimulatedDevice::PowerUp() {
  FConfig = Configuration::PowerUp;
  FUserCode = 0xFFFFFFFFu;
  FStartupArmed = false;
  FStartupCount = 0;
  FStream.Clear();
  FIrShift = 1;
  TestLogicReset();
}

void SimulatedDevice::SetBoundaryCapture(const std::vector<uint8_t>& levels) {
  std::fill(FBoundaryCapture.begin(), FBoundaryCapture.end(), 0);
  const size_t n = std::min<size_t>(levels.size(), FStratix ? FBoundary.Length() : 0);
  for (size_t i = 0; i < n; ++i)
    if (levels[i] != 0) FBoundaryCapture[i / 64] |= uint64_t{1} << (i % 64);
}

void SimulatedDevice::Select(uint32_t instruction) {
  if (FInstruction == stratix::kConfigure && FSink != nullptr) FStream.Flush();
  FInstruction = instruction;
  FSelected = Register::Bypass;
  FSink = nullptr;
  if (!FStratix) {
    FDr = &FBypass;
    return;
  }
  switch (instruction) {
    case stratix::kIdCode: FSelected = Register::IdCode; break;
    case stratix::kUserCode: FSelected = Register::UserCode; break;
    case stratix::kSamplePreload: FSelected = Register::Boundary; break;
    case stratix::kStatus: FSelected = Register::Status; break;
    case stratix::kConfigure:
      FConfig = Configuration::Ready;
      FUserCode = 0xFFFFFFFFu;
      FStartupArmed = false;
      FStream.Clear();
      FSink = &FStream;
      break;
    case stratix::kStartup:
      FStartupCount = 0;
      FStartupArmed = FConfig == Configuration::Ready;
      break;
    default: break;
  }
  switch (FSelected) {
    case Register::IdCode: FDr = &FIdCode; break;
    case Register::UserCode: FDr = &FUserCodeRegister; break;
    case Register::Boundary: FDr = &FBoundary; break;
    case Register::Status: FDr = &FStatus; break;
    case Register::Bypass: FDr = &FBypass; break;
  }
}

void SimulatedDevice::TestLogicReset() {
  Select(FStratix ? stratix::kIdCode : static_cast<uint32_t>(IrMask(FSpec.IrLength)));
}

void SimulatedDevice::UpdateIr() {
  Select(static_cast<uint32_t>(FIrShift & IrMask(FSpec.IrLength)));
}

void SimulatedDevice::CaptureDr() {
  switch (FSelected) {
    case Register::Bypass: FBypass.Load(uint64_t{0}); break;
    case Register::IdCode: FIdCode.Load(FSpec.IdCode); break;
    case Register::UserCode: FUserCodeRegister.Load(FUserCode); break;
    case Register::Boundary: FBoundary.Load(FBoundaryCapture.data()); break;
    case Register::Status: {
      const bool status = StatusBit();
      std::vector<uint64_t> words((FStatus.Length() + 63) / 64, status ? 0 : ~uint64_t{0});
      const auto at = static_cast<unsigned>(FStatusLayout->BitPosition());
      words[at / 64] ^= uint64_t{1} << (at % 64);
      FStatus.Load(words.data());
      break;
    }
  }
}

bool SimulatedDevice::IdleClock() {
  if (!FStartupArmed) return false;
  if (++FStartupCount < kStartupClocks) return true;
  FStartupArmed = false;
  FStream.Flush();
  if (FStream.BitCount() == 0) {
    FConfig = Configuration::Error;
    return false;
  }
  FConfig = Configuration::Configured;
  FUserCode = FStream.Header() ? FStream.Header()->UserCode : 0xFFFFFFFFu;
  return false;
}

SimulatedChain::SimulatedChain(const std::vector<DeviceSpec>& devices) {
  if (devices.empty()) throw ChainSpecError("a chain needs at least one device");
  FCount = devices.size();
  FDevices = std::make_unique<SimulatedDevice[]>(FCount);
  for (size_t i = 0; i < FCount; ++i) {
    FDevices[i].Init(devices[i]);
    ChainPosition p;
    p.Name = devices[i].Name;
    if (devices[i].Kind == DeviceKind::StratixV) p.IdCode = devices[i].IdCode;
    p.IrLength = devices[i].IrLength;
    FLayout.push_back(std::move(p));
  }
  FState = TapState::Reset;
  ChooseDrMode();
}

void SimulatedChain::OtherEdge(bool tms, bool tdi) {
  FTdoLatched = true;
  if (FTrst) return;
  switch (FState) {
    case TapState::DrCapture:
      if (FLineMode)
        FLine = 0;
      else
        for (size_t i = 0; i < FCount; ++i) FDevices[i].CaptureDr();
      break;
    case TapState::IrCapture:
      for (size_t i = 0; i < FCount; ++i) FDevices[i].CaptureIr();
      break;
    case TapState::IrShift: {
      bool bit = tdi;
      for (size_t i = 0; i < FCount; ++i) bit = FDevices[i].ShiftIr(bit);
      FTdoLatched = bit;
      break;
    }
    case TapState::Idle:
      if (FStartupWatch) {
        bool any = false;
        for (size_t i = 0; i < FCount; ++i) any = FDevices[i].IdleClock() || any;
        FStartupWatch = any;
      }
      break;
    default: break;
  }
  const TapState next = NextTapState(FState, tms);
  if (next != FState) Enter(next);
}

void SimulatedChain::Enter(TapState next) {
  FState = next;
  if (next == TapState::Reset) {
    for (size_t i = 0; i < FCount; ++i) FDevices[i].TestLogicReset();
    FStartupWatch = false;
    ChooseDrMode();
  } else if (next == TapState::IrUpdate) {
    bool any = false;
    for (size_t i = 0; i < FCount; ++i) {
      FDevices[i].UpdateIr();
      any = any || FDevices[i].FStartupArmed;
    }
    FStartupWatch = any;
    ChooseDrMode();
  }
}

void SimulatedChain::ChooseDrMode() {
  FLineMode = FCount < 64;
  FLineSink = nullptr;
  FLine = 0;
  for (size_t i = 0; i < FCount && FLineMode; ++i) {
    const SimulatedDevice& d = FDevices[i];
    if (d.FDr->Length() != 1) FLineMode = false;
    if (d.FSink == nullptr) continue;
    if (FLineSink != nullptr) FLineMode = false;
    FLineSink = d.FSink;
    FLineSinkAt = static_cast<unsigned>(i);
  }
}

bool SimulatedChain::Tdo() const {
  if (FDrivenTck) return FTdoLatched;
  // TDO drives only in the shift states; elsewhere the line's pull-up reads 1.
  if (FState == TapState::DrShift)
    return FLineMode ? ((FLine >> (FCount - 1)) & 1) != 0 : FDevices[FCount - 1].DrOut();
  if (FState == TapState::IrShift) return FDevices[FCount - 1].IrOut();
  return true;
}

void SimulatedChain::SetResetLines(bool trst, bool /*srst*/) {
  FTrst = trst;
  if (trst) Enter(TapState::Reset);
}

void SimulatedChain::PowerCycle() {
  for (size_t i = 0; i < FCount; ++i) FDevices[i].PowerUp();
  FState = TapState::Reset;
  FTck = FTms = FTdi = false;
  FDrivenTck = false;
  FTdoLatched = FTdoSample = true;
  FTrst = false;
  FStartupWatch = false;
  ChooseDrMode();
}

void SimulatedChain::RunCycles(std::span<const uint8_t> cycles, std::vector<uint8_t>* tdo) {
  // A falling edge first when TCK stood high; it changes nothing but the TDO timing.
  FDrivenTck = false;
  for (const uint8_t c : cycles) {
    RisingEdge((c & kCycleTms) != 0, (c & kCycleTdi) != 0);
    if (tdo != nullptr && (c & kCycleCapture) != 0) tdo->push_back(FTdoLatched ? 1 : 0);
  }
  FDrivenTck = false;
}

}  // namespace morvel::host::jtag
