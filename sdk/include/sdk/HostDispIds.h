// Dispatch identifiers of the host's automation objects, shared by the plug-in and the
// simulated host. Identifiers that the host fixes are used as given; the others are this
// project's choice and are kept here, in one place, in the 700000 range.
#pragma once

#include "automation/Types.h"

namespace morvel::dispid {

// The host client (ClientAPI_GetClientInterface).
namespace client {
inline constexpr DISPID GetGUIManager = 494;
inline constexpr DISPID GetServerModule = 496;  // name -> the server's module object
inline constexpr DISPID RegisterNotificationHandler = 527;
inline constexpr DISPID UnregisterNotificationHandler = 528;
inline constexpr DISPID GetTimerManager = 531;
inline constexpr DISPID GetProcessLauncher = 625;
inline constexpr DISPID GetInstallationFolder = 770;
inline constexpr DISPID GetClientAPI = 795;
inline constexpr DISPID GetPluginRegistry = 2027;
}  // namespace client

// The client API: folders, cursor, help, main window.
namespace clientapi {
inline constexpr DISPID GetApplicationFolder = 700201;
inline constexpr DISPID GetInstallationFolder = 700202;
inline constexpr DISPID GetSystemFolder = 700203;
inline constexpr DISPID SetCursor = 700204;  // cursor -> previous cursor
inline constexpr DISPID HelpKeywordExists = 700205;
inline constexpr DISPID GetProjectDisplayText = 700206;  // project path -> text
inline constexpr DISPID GetMainWindowHandle = 700207;
inline constexpr DISPID IsShuttingDown = 700208;
inline constexpr DISPID ShowHelpKeyword = 700209;
// One turn of the host's event loop, as a plug-in that waits lets the host go on.
inline constexpr DISPID ProcessMessages = 700210;
}  // namespace clientapi

// The plug-in registry and its items.
namespace registry {
inline constexpr DISPID GetCount = 700301;
inline constexpr DISPID GetItem = 700302;
inline constexpr DISPID ItemGetFolder = 700311;
inline constexpr DISPID ItemGetFile = 700312;
inline constexpr DISPID ItemGetDisabled = 700313;  // non-zero: the entry is switched off
}  // namespace registry

// The GUI manager: status bar, progress, panels, dialogs.
namespace gui {
inline constexpr DISPID SetStatusBarText = 164;  // pane, text; negative panes are progress
inline constexpr DISPID ShowPanel = 700401;      // panel name, visible
inline constexpr DISPID SetPanelSize = 700402;   // panel name, width, height
inline constexpr DISPID GetPanelSize = 700403;   // panel name -> "width,height"
inline constexpr DISPID MessageDialog = 700404;  // type, caption, text -> modal result
// title, filter ("Name|mask|Name|mask"), selected filter (from 1), initial file -> path, or
// "" when the user cancels.
inline constexpr DISPID FileOpenDialog = 700405;
}  // namespace gui

// Progress commands sent through the status-bar operation as negative pane numbers.
namespace progress {
inline constexpr int Reset = -3;
inline constexpr int End = -4;
inline constexpr int Caption = -5;
inline constexpr int Finish = -6;
inline constexpr int Step = -7;
}  // namespace progress

// Message dialog types and results.
namespace dialog {
inline constexpr int Warning = 0;
inline constexpr int Error = 1;
inline constexpr int Information = 2;
inline constexpr int Confirmation = 3;
inline constexpr int ResultOk = 1;
}  // namespace dialog

// The timer manager, and the operations the host calls back on handlers.
namespace timer {
inline constexpr DISPID AddTimer = 700501;  // handler, interval ms, enabled -> id
inline constexpr DISPID RemoveTimer = 700502;
inline constexpr DISPID EnableTimer = 700503;  // id, enabled
}  // namespace timer
namespace handler {
inline constexpr DISPID HandleNotification = 266;
inline constexpr DISPID HandleTimerEvent = 267;
}  // namespace handler

// The process launcher.
namespace launcher {
inline constexpr DISPID RunProcess = 700601;  // name, parameters (in-out), view
}  // namespace launcher

// The host's VHDL synthesis service ("EditVHDL.DLL" GetEditVHDLSynthesizer).
namespace synthesizer {
inline constexpr DISPID GetProjectSynthesizer = 701001;  // project object -> synthesizer name
}

// The "FPGAFlow" server module and its vendor tool manager.
namespace fpgaflow {
inline constexpr DISPID GetVendorToolManager = 509009;
}
namespace vendortools {
inline constexpr DISPID Descriptor = 509001;  // vendor -> text
inline constexpr DISPID Present = 509002;     // vendor -> Boolean
inline constexpr DISPID UpToDate = 509003;    // vendor -> Boolean
inline constexpr DISPID ToolPath = 509004;    // vendor, tool -> full path or ""
inline constexpr DISPID Version = 509005;     // vendor -> text
}  // namespace vendortools

// The workspace ("WorkspaceManager.DLL").
namespace workspace {
inline constexpr DISPID GetProjectByPath = 501413;
inline constexpr DISPID OutputLine = 501423;  // text, Boolean, Boolean
inline constexpr DISPID GetOutputPanelNumber = 501447;
inline constexpr DISPID GetMessagesManager = 508377;
inline constexpr DISPID GetProjectCount = 700701;
inline constexpr DISPID GetProject = 700702;
inline constexpr DISPID GetFocusedProject = 700703;
inline constexpr DISPID GetDocumentByPath = 700704;  // an open document of that file, or nil
inline constexpr DISPID IsInteractive = 700705;      // false when the host runs without a UI
}  // namespace workspace

// Option storage of the workspace and of each project: section and name.
namespace options {
inline constexpr DISPID Read = 700711;    // section, name, default -> text
inline constexpr DISPID Write = 700712;   // section, name, value
inline constexpr DISPID Remove = 700713;  // section, name
}  // namespace options

// The messages panel.
namespace messages {
// class, text, source, document, callback process, callback parameters, image index
inline constexpr DISPID AddMessage = 439;
inline constexpr DISPID AddMessageFromParameters = 440;  // parameter string, callback params
inline constexpr DISPID BeginUpdate = 445;
inline constexpr DISPID EndUpdate = 446;
}  // namespace messages

// Projects and documents.
namespace project {
inline constexpr DISPID GetDocument = 500039;
inline constexpr DISPID GetDocumentCount = 500047;
inline constexpr DISPID GetFileName = 500062;
inline constexpr DISPID GetUserID = 500081;
inline constexpr DISPID GetGoverningProject = 500134;
inline constexpr DISPID GetOutputPath = 700801;
inline constexpr DISPID GetSynthesizer = 700802;
}  // namespace project
namespace document {
inline constexpr DISPID FileAboutToChange = 100;
inline constexpr DISPID FileChanged = 101;
inline constexpr DISPID GetFileName = 500331;
}  // namespace document

// The device manager ("MorvelManager.dll") and its device families.
namespace devices {
inline constexpr DISPID GetDeviceFamily = 700901;  // family name -> family or nil
inline constexpr DISPID GetDeviceByName = 700902;  // device name -> device information or nil
}  // namespace devices
namespace family {
inline constexpr DISPID GetName = 700911;
inline constexpr DISPID HasParameter = 700912;
inline constexpr DISPID GetParameter = 700913;  // name -> text, empty when absent
}  // namespace family

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

// A chain position as the channel describes it (IJTagDevice), and the channel's port.
namespace jtagdevice {
inline constexpr DISPID GetName = 700131;
inline constexpr DISPID GetIdCode = 700132;
inline constexpr DISPID GetInstructionLength = 700133;
inline constexpr DISPID GetIndex = 700134;
}  // namespace jtagdevice
namespace jtagport {
inline constexpr DISPID GetName = 700141;
}  // namespace jtagport

}  // namespace morvel::dispid
