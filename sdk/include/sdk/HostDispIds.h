// Dispatch identifiers of the host's automation objects, shared by the plug-in and the
// simulated host. Identifiers that the host fixes are used as given; the others are this
// project's choice and are kept here, in one place, in the 700000 range.
#pragma once

#include "automation/Types.h"

namespace morvel::dispid {

// The host's object for one chain position (IMorvelDevice).
namespace device {
inline constexpr DISPID ResetDevice = 503636;  // fixed by the host: call the attached driver
inline constexpr DISPID GetDeviceState = 503637;
inline constexpr DISPID ProgramDevice = 503638;
inline constexpr DISPID GetJTagChannel = 700001;
inline constexpr DISPID GetJTagDeviceIndex = 700002;
inline constexpr DISPID ReadRegister = 700003;   // address, width -> value
inline constexpr DISPID WriteRegister = 700004;  // address, width, value
inline constexpr DISPID BeginAccess = 700005;
inline constexpr DISPID EndAccess = 700006;
inline constexpr DISPID GetDeviceName = 700007;
}  // namespace device

// The host JTAG channel (IJTagChannel).
namespace jtag {
inline constexpr DISPID Open = 700101;
inline constexpr DISPID Close = 700102;
inline constexpr DISPID GetDeviceCount = 700103;
inline constexpr DISPID GetDevice = 700104;
inline constexpr DISPID Flush = 700105;
inline constexpr DISPID SetInstruction = 700106;
inline constexpr DISPID GotoState = 700107;
inline constexpr DISPID MoveState = 700108;
inline constexpr DISPID ClockTMS = 700109;
inline constexpr DISPID ScanData = 700110;
inline constexpr DISPID ShiftData = 700111;
inline constexpr DISPID ShiftDataCapture = 700112;
inline constexpr DISPID ShiftDataText = 700113;
inline constexpr DISPID GetPort = 700114;
}  // namespace jtag

}  // namespace morvel::dispid
