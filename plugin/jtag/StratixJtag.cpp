// The Stratix V JTAG routines.
#include "jtag/StratixJtag.h"

#include <fstream>
#include <vector>

#include "sdk/Clock.h"
#include "sdk/Errors.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/IniFile.h"
#include "sdk/JTagChannel.h"
#include "sdk/Param.h"
#include "sdk/Strings.h"

namespace morvel::stratix5 {

namespace jtag = dispid::jtag;

namespace {

struct StatusRow {
  const char* BaseName;
  int32_t N;
  int32_t K;  // both 0: the values depend on the package
};

// The position of the configuration-done bit in each device's status register.
constexpr StatusRow kStatusRows[] = {
    // N = 1165, K = 424
    {"5SEE9", 1165, 424},
    {"5SEEB", 1165, 424},
    {"5SGXEA9K1", 1165, 424},
    {"5SGXEA9K2", 1165, 424},
    {"5SGXEA9K3", 1165, 424},
    {"5SGXEA9N1", 1165, 424},
    {"5SGXEA9N2", 1165, 424},
    {"5SGXEA9N3", 1165, 424},
    {"5SGXEABK1", 1165, 424},
    {"5SGXEABK2", 1165, 424},
    {"5SGXEABK3", 1165, 424},
    {"5SGXEABN1", 1165, 424},
    {"5SGXEABN2", 1165, 424},
    {"5SGXEABN3", 1165, 424},
    {"5SGXEB9R1", 1165, 424},
    {"5SGXEB9R2", 1165, 424},
    {"5SGXEB9R3", 1165, 424},
    {"5SGXEBBR1", 1165, 424},
    {"5SGXEBBR2", 1165, 424},
    {"5SGXEBBR3", 1165, 424},
    {"5SGXMA9K1", 1165, 424},
    {"5SGXMA9K2", 1165, 424},
    {"5SGXMA9K3", 1165, 424},
    {"5SGXMA9N1", 1165, 424},
    {"5SGXMA9N2", 1165, 424},
    {"5SGXMA9N3", 1165, 424},
    {"5SGXMABK1", 1165, 424},
    {"5SGXMABK2", 1165, 424},
    {"5SGXMABK3", 1165, 424},
    {"5SGXMABN1", 1165, 424},
    {"5SGXMABN2", 1165, 424},
    {"5SGXMABN3", 1165, 424},
    {"5SGXMB9R1", 1165, 424},
    {"5SGXMB9R2", 1165, 424},
    {"5SGXMB9R3", 1165, 424},
    {"5SGXMBBR1", 1165, 424},
    {"5SGXMBBR2", 1165, 424},
    {"5SGXMBBR3", 1165, 424},
    // N = 1081, K = 424
    {"5SGSED6K1", 1081, 424},
    {"5SGSED6K2", 1081, 424},
    {"5SGSED6K3", 1081, 424},
    {"5SGSED6N1", 1081, 424},
    {"5SGSED6N2", 1081, 424},
    {"5SGSED6N3", 1081, 424},
    {"5SGSED8K1", 1081, 424},
    {"5SGSED8K2", 1081, 424},
    {"5SGSED8K3", 1081, 424},
    {"5SGSED8N1", 1081, 424},
    {"5SGSED8N2", 1081, 424},
    {"5SGSED8N3", 1081, 424},
    {"5SGSMD6K1", 1081, 424},
    {"5SGSMD6K2", 1081, 424},
    {"5SGSMD6K3", 1081, 424},
    {"5SGSMD6N1", 1081, 424},
    {"5SGSMD6N2", 1081, 424},
    {"5SGSMD6N3", 1081, 424},
    {"5SGSMD8K1", 1081, 424},
    {"5SGSMD8K2", 1081, 424},
    {"5SGSMD8K3", 1081, 424},
    {"5SGSMD8N1", 1081, 424},
    {"5SGSMD8N2", 1081, 424},
    {"5SGSMD8N3", 1081, 424},
    {"5SGTMC5K2", 1081, 424},
    {"5SGTMC5K3", 1081, 424},
    {"5SGTMC7K2", 1081, 424},
    {"5SGTMC7K3", 1081, 424},
    {"5SGXEA5H1", 1081, 424},
    {"5SGXEA5H2", 1081, 424},
    {"5SGXEA5H3", 1081, 424},
    {"5SGXEA5K1", 1081, 424},
    {"5SGXEA5K2", 1081, 424},
    {"5SGXEA5K3", 1081, 424},
    {"5SGXEA5N1", 1081, 424},
    {"5SGXEA5N2", 1081, 424},
    {"5SGXEA5N3", 1081, 424},
    {"5SGXEA7H1", 1081, 424},
    {"5SGXEA7H2", 1081, 424},
    {"5SGXEA7H3", 1081, 424},
    {"5SGXEA7K1", 1081, 424},
    {"5SGXEA7K2", 1081, 424},
    {"5SGXEA7K3", 1081, 424},
    {"5SGXEA7N1", 1081, 424},
    {"5SGXEA7N2", 1081, 424},
    {"5SGXEA7N3", 1081, 424},
    {"5SGXMA5H1", 1081, 424},
    {"5SGXMA5H2", 1081, 424},
    {"5SGXMA5H3", 1081, 424},
    {"5SGXMA5K1", 1081, 424},
    {"5SGXMA5K2", 1081, 424},
    {"5SGXMA5K3", 1081, 424},
    {"5SGXMA5N1", 1081, 424},
    {"5SGXMA5N2", 1081, 424},
    {"5SGXMA5N3", 1081, 424},
    {"5SGXMA7H1", 1081, 424},
    {"5SGXMA7H2", 1081, 424},
    {"5SGXMA7H3", 1081, 424},
    {"5SGXMA7K1", 1081, 424},
    {"5SGXMA7K2", 1081, 424},
    {"5SGXMA7K3", 1081, 424},
    {"5SGXMA7N1", 1081, 424},
    {"5SGXMA7N2", 1081, 424},
    {"5SGXMA7N3", 1081, 424},
    // N = 1025, K = 424
    {"5SGSMD4K1", 1025, 424},
    {"5SGSMD4K2", 1025, 424},
    {"5SGSMD4K3", 1025, 424},
    {"5SGSMD5H1", 1025, 424},
    {"5SGSMD5H2", 1025, 424},
    {"5SGSMD5H3", 1025, 424},
    {"5SGSMD5K1", 1025, 424},
    {"5SGSMD5K2", 1025, 424},
    {"5SGSMD5K3", 1025, 424},
    {"5SGXEA4H1", 1025, 424},
    {"5SGXEA4H2", 1025, 424},
    {"5SGXEA4H3", 1025, 424},
    {"5SGXEA4K1", 1025, 424},
    {"5SGXEA4K2", 1025, 424},
    {"5SGXEA4K3", 1025, 424},
    {"5SGXMA4H1", 1025, 424},
    {"5SGXMA4H2", 1025, 424},
    {"5SGXMA4H3", 1025, 424},
    {"5SGXMA4K1", 1025, 424},
    {"5SGXMA4K2", 1025, 424},
    {"5SGXMA4K3", 1025, 424},
    // N = 777, K = 328
    {"5SGSMD3E1", 777, 328},
    {"5SGSMD3E2", 777, 328},
    {"5SGSMD3E3", 777, 328},
    {"5SGSMD3H1", 777, 328},
    {"5SGSMD3H2", 777, 328},
    {"5SGSMD3H3", 777, 328},
    {"5SGSMD4E1", 777, 328},
    {"5SGSMD4E2", 777, 328},
    {"5SGSMD4E3", 777, 328},
    {"5SGSMD4H1", 777, 328},
    {"5SGSMD4H2", 777, 328},
    {"5SGSMD4H3", 777, 328},
    {"5SGXEA3H1", 777, 328},
    {"5SGXEA3H2", 777, 328},
    {"5SGXEA3H3", 777, 328},
    {"5SGXMA3E1", 777, 328},
    {"5SGXMA3E2", 777, 328},
    {"5SGXMA3E3", 777, 328},
    {"5SGXMA3H1", 777, 328},
    {"5SGXMA3H2", 777, 328},
    {"5SGXMA3H3", 777, 328},
    // N = 925, K = 304
    {"5SGXEB5R1", 925, 304},
    {"5SGXEB5R2", 925, 304},
    {"5SGXEB5R3", 925, 304},
    {"5SGXEB6R1", 925, 304},
    {"5SGXEB6R2", 925, 304},
    {"5SGXEB6R3", 925, 304},
    {"5SGXMB5R1", 925, 304},
    {"5SGXMB5R2", 925, 304},
    {"5SGXMB5R3", 925, 304},
    {"5SGXMB6R1", 925, 304},
    {"5SGXMB6R2", 925, 304},
    {"5SGXMB6R3", 925, 304},
    // By package: 777 and 328 in F35, else 1025 and 424.
    {"5SGXEA3K1", 0, 0},
    {"5SGXEA3K2", 0, 0},
    {"5SGXEA3K3", 0, 0},
    {"5SGXMA3K1", 0, 0},
    {"5SGXMA3K2", 0, 0},
    {"5SGXMA3K3", 0, 0},
};
static_assert(std::size(kStatusRows) == 162);

// The TAP states the routines name.
constexpr int32_t kIdle = 2;
constexpr int32_t kDRShift = 5;
constexpr int32_t kDRExit1 = 6;

[[noreturn]] void PinFailure(HRESULT hr) {
  throw OleError(hr, "The JTAG channel's pin operation failed with " + DescribeResult(hr));
}

inline void Check(HRESULT hr) {
  if (FAILED(hr)) [[unlikely]]
    PinFailure(hr);
}

ComPtr<IJTagChannelPins> PinsOf(const DispatchPtr& channel) {
  ComPtr<IJTagChannelPins> pins = channel.Query<IJTagChannelPins>(IID_IJTagChannelPins);
  if (!pins) throw OleError(E_NOINTERFACE, "The JTAG channel has no pin-level interface");
  return pins;
}

// Open and Close of the channel as one guard: an error on the way closes the channel too.
class TChannelSession {
 public:
  explicit TChannelSession(const DispatchPtr& channel) : FChannel(channel) {
    Call(FChannel, jtag::Open);
    FOpen = true;
  }
  TChannelSession(const TChannelSession&) = delete;
  TChannelSession& operator=(const TChannelSession&) = delete;
  ~TChannelSession() {
    if (!FOpen) return;
    try {
      Call(FChannel, jtag::Close);
    } catch (...) {
      // The error that ended the routine is the one to report.
    }
  }
  void Close() {
    FOpen = false;
    Call(FChannel, jtag::Close);
  }

 private:
  DispatchPtr FChannel;
  bool FOpen = false;
};

// The pin steps of programming, each ending with WritePins.
struct PinSteps {
  IJTagChannelPins* Pins;
  void Low() const {
    Check(Pins->SetTCK(0));
    Check(Pins->WritePins());
  }
  void Data(int32_t bit) const {
    Check(Pins->SetTCK(0));
    Check(Pins->SetTDI(bit));
    Check(Pins->WritePins());
  }
  void High() const {
    Check(Pins->SetTCK(1));
    Check(Pins->WritePins());
  }
};

DispatchPtr FamilyObject(const std::string& family) {
  DispatchPtr devices = HostDeviceManager();
  if (!devices) return nullptr;
  return Call(devices, dispid::devices::GetDeviceFamily, family).AsObject();
}

// A Boolean family parameter; an absent one is false, one that is no Boolean an error.
bool FamilyFlag(const DispatchPtr& family, const char* name) {
  const std::string text = Call(family, dispid::family::GetParameter, name).AsText();
  return !Trim(text).empty() && Variant::Text(text).AsBool();
}

}  // namespace

bool LookupStatusPosition(std::string_view baseName, std::string_view packageId, int32_t& n,
                          int32_t& k) {
  n = 0;
  k = 0;
  for (const StatusRow& row : kStatusRows) {
    if (!SameText(row.BaseName, baseName)) continue;
    if (row.N != 0) {
      n = row.N;
      k = row.K;
    } else if (SameText(packageId, "F35")) {
      n = 777;
      k = 328;
    } else {
      n = 1025;
      k = 424;
    }
    return true;
  }
  return false;
}

uint8_t SampleStatus(std::string_view baseName, std::string_view packageId,
                     const DispatchPtr& channel, int32_t index) {
  if (!channel) return 0;
  const ComPtr<IJTagChannelPins> pins = PinsOf(channel);
  TChannelSession session(channel);
  Call(channel, jtag::SetInstruction, kInstructionStatus, index);
  Call(channel, jtag::MoveState, kIdle, kDRShift);
  int32_t n = 0;
  int32_t k = 0;
  if (!LookupStatusPosition(baseName, packageId, n, k) || n == 0) {
    // The TAP stays in DRSHIFT, as the device was left when no position was known.
    session.Close();
    return 0;
  }
  const int32_t count = (n - k) * 3 + Call(channel, jtag::GetDeviceCount).AsInt() - index;
  Check(pins->SetTDI(0));
  for (int32_t i = 0; i < count; ++i) Call(channel, jtag::ClockTMS, 0);
  Check(pins->ReadPins());
  Call(channel, jtag::Flush);
  uint8_t sampled = 0;
  Check(pins->GetTDO(&sampled));
  Call(channel, jtag::ClockTMS, 1);
  Call(channel, jtag::MoveState, kDRExit1, kIdle);
  session.Close();
  return sampled;
}

TDeviceState DeviceState(std::string_view baseName, std::string_view packageId,
                         const DispatchPtr& channel, int32_t index) {
  return SampleStatus(baseName, packageId, channel, index) != 0 ? eDeviceState_Programmed
                                                                : eDeviceState_Reset;
}

int32_t FamilyClockCycles(const std::string& family) {
  for (const PluginRegistryItem& item : PluginRegistryItems()) {
    const size_t slash = item.File.find_last_of('/');
    const std::string folder =
        slash == std::string::npos ? item.Folder : item.File.substr(0, slash + 1);
    const TIniFile ini(folder + "MorvelConfig.ini");
    if (!ini.Exists() || !SameText(ini.ReadString("General", "DeviceFamily"), family)) continue;
    const std::string cycles = ini.ReadString("ClockCore", "Cycles");
    if (cycles.empty()) continue;
    int64_t value = 0;
    if (!ParseHostInteger(cycles, value) || value < INT32_MIN || value > INT32_MAX) return -1;
    return static_cast<int32_t>(value);
  }
  return kDefaultClockCycles;
}

int32_t ProgramDevice(TAbstractDeviceInformation& driver, const std::string& fileName,
                      const DispatchPtr& channel, int32_t index) {
  if (!channel || !FileExists(fileName)) return 0;
  const ComPtr<IJTagChannelPins> pins = PinsOf(channel);
  // The whole file at once: a full-size bit file is tens of megabytes.
  std::vector<uint8_t> buffer;
  {
    std::ifstream in(fileName, std::ios::binary | std::ios::ate);
    if (!in) throw OleError(E_FAIL, "Cannot read the programming file " + fileName);
    const std::streamoff size = in.tellg();
    if (size < 0) throw OleError(E_FAIL, "Cannot read the programming file " + fileName);
    buffer.resize(static_cast<size_t>(size));
    in.seekg(0);
    if (size > 0 && !in.read(reinterpret_cast<char*>(buffer.data()), size))
      throw OleError(E_FAIL, "Cannot read the programming file " + fileName);
  }
  const auto result = static_cast<int32_t>(static_cast<uint32_t>(buffer.size()) * 8u);
  const std::string family = driver.GetFamilyName();
  const int32_t cycles = FamilyClockCycles(family);

  TChannelSession session(channel);
  Call(channel, jtag::Flush);
  WaitMilliseconds(40);
  // Without the host's device manager or the family, the family's defaults apply.
  const DispatchPtr familyObject = FamilyObject(family);
  if (familyObject && FamilyFlag(familyObject, "ND_ActiveDisengage")) {
    Call(channel, jtag::GotoState, kIdle);
    Call(channel, jtag::SetInstruction, kInstructionActiveDisengage, index);
  }
  Call(channel, jtag::GotoState, kIdle);
  Call(channel, jtag::SetInstruction, kInstructionConfigure, index);
  WaitMilliseconds(1000);

  const PinSteps step{pins.Get()};
  Check(pins->SetTDI(1));
  Check(pins->WritePins());
  Call(channel, jtag::MoveState, kIdle, kDRShift);
  for (int32_t i = 0; i < cycles; ++i) {
    step.Low();
    step.High();
  }
  Check(pins->SetTDI(0));
  Check(pins->SetTMS(0));
  Check(pins->SetTCK(0));
  Check(pins->WritePins());

  TProgressGuard progress("Programming Device Via JTAG...", static_cast<int64_t>(buffer.size()));
  int64_t skip = 0;
  if (familyObject &&
      Call(familyObject, dispid::family::HasParameter, "ND_ProgramBitsToIgnore").AsBool())
    skip = Call(familyObject, dispid::family::GetParameter, "ND_ProgramBitsToIgnore").AsInt();
  const bool lowFirst = index >= 1;
  for (size_t p = 0; p < buffer.size(); ++p) {
    if (static_cast<int64_t>(p) >= skip) {
      const uint8_t byte = buffer[p];
      // Least significant bit first.
      for (int j = 0; j < 8; ++j) {
        if (lowFirst) step.Low();
        step.Data((byte >> j) & 1);
        step.High();
      }
    }
    ProgressStep();
  }
  for (int i = 0; i < 128; ++i) {
    step.Data(1);
    step.High();
  }
  if (index == 0) step.Low();
  Check(pins->SetTDI(0));
  Check(pins->WritePins());
  Check(pins->SetTCK(0));
  Check(pins->WritePins());
  for (int32_t i = 0; i < index; ++i) Call(channel, jtag::ClockTMS, 0);
  Call(channel, jtag::ClockTMS, 1);
  Call(channel, jtag::MoveState, kDRExit1, kIdle);
  progress.End();
  StartUp(channel, index);
  session.Close();
  return result;
}

void StartUp(const DispatchPtr& channel, int32_t index) {
  if (!channel) return;
  const ComPtr<IJTagChannelPins> pins = PinsOf(channel);
  Call(channel, jtag::SetInstruction, kInstructionStartUp, index);
  for (int i = 0; i < 200; ++i) {
    Check(pins->SetTDI(0));
    Check(pins->WritePins());
    Call(channel, jtag::ClockTMS, 0);
    Check(pins->SetTDI(1));
    Check(pins->WritePins());
    Call(channel, jtag::ClockTMS, 0);
  }
  Call(channel, jtag::GotoState, kIdle);
}

bool ResetDevice(std::string_view baseName, std::string_view packageId, const DispatchPtr& channel,
                 int32_t index) {
  if (!channel) return false;
  {
    TChannelSession session(channel);
    Call(channel, jtag::GotoState, kIdle);
    Call(channel, jtag::SetInstruction, kInstructionConfigure, index);
    Call(channel, jtag::GotoState, kIdle);
    session.Close();
  }
  return DeviceState(baseName, packageId, channel, index) == eDeviceState_Programmed;
}

int32_t ReadRegister(const DispatchPtr& channel, int32_t index, uint32_t instruction) {
  if (!channel) return -1;
  TChannelSession session(channel);
  Call(channel, jtag::GotoState, kIdle);
  Call(channel, jtag::SetInstruction, instruction, index);
  const auto result = static_cast<int32_t>(Call(channel, jtag::ScanData, 0, 32, index).AsUInt());
  session.Close();
  return result;
}

}  // namespace morvel::stratix5
