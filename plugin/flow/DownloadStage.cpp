// The download stage and its file chooser.
#include "flow/DownloadStage.h"

#include <filesystem>

#include "flow/VendorProcess.h"
#include "sdk/Clock.h"
#include "sdk/DriverDispIds.h"
#include "sdk/FlowDispIds.h"
#include "sdk/HostCall.h"
#include "sdk/HostDispIds.h"
#include "sdk/HostUtil.h"
#include "sdk/Platform.h"
#include "sdk/Strings.h"

namespace morvel {

namespace {

constexpr int32_t kDeviceStateProgrammed = 2;

std::string Fixed2(double value) {
  char text[64];
  std::snprintf(text, sizeof text, "%.2f", value);
  return text;
}

// "*.E1; *.E2" of the device's download extensions, or empty.
std::string ExtensionMask(const std::string& extensions) {
  std::string mask;
  size_t start = 0;
  while (start <= extensions.size()) {
    size_t end = extensions.find(';', start);
    if (end == std::string::npos) end = extensions.size();
    const std::string ext = Trim(extensions.substr(start, end - start));
    if (!ext.empty()) mask += (mask.empty() ? "*." : "; *.") + ext;
    start = end + 1;
  }
  return mask;
}

}  // namespace

TFlowStage_Download::TFlowStage_Download(std::string fileExt, std::string caption,
                                         std::string description, bool resetBeforeDownload,
                                         IDispatch* driver)
    : TFlowStage_WithDriver(driver, "Download", std::move(caption), std::move(description)),
      FFileExtension(std::move(fileExt)),
      FResetBeforeDownload(resetBeforeDownload) {}

const DispatchTable& TFlowStage_Download::Table() {
  using C = TFlowStage_Download;
  static constexpr auto kEntries =
      DispatchEntries(MORVEL_DISP(dispid::download::ProgramChosenFile, C, ProgramChosenFile));
  static const DispatchTable table(kEntries, {"DownloadStage"},
                                   &TMorvelAbstractProcessFlow::Table());
  return table;
}

std::string TFlowStage_Download::DownloadFileName() {
  return ChangeFileExt(FBasePath, FFileExtension);
}

std::string TFlowStage_Download::InputDescription() {
  return std::filesystem::path(DownloadFileName()).filename().string();
}

bool TFlowStage_Download::ThisStage_OutputExists() {
  if (FDriver == nullptr) return false;
  if (Call(FDriver, dispid::driver::GetDeviceState).AsInt() != kDeviceStateProgrammed) return false;
  return FLastSuccessfulDownloadFile.empty() ||
         SameText(FLastSuccessfulDownloadFile, DownloadFileName());
}

DateTime TFlowStage_Download::ThisStage_DateTimeUpdated() {
  return DateTime{NowDateTime()};
}

DispatchPtr TFlowStage_Download::Device() {
  return FDriver != nullptr ? Call(FDriver, dispid::driver::GetMorvelDevice).AsObject()
                            : DispatchPtr();
}

TFlowRunResult TFlowStage_Download::Execute(const DispatchPtr& /*runner*/) {
  const TFlowRunResult result =
      DownloadFile(Device(), DownloadFileName(), FResetBeforeDownload, false);
  if (result == eFlowRun_Success) FLastSuccessfulDownloadFile = DownloadFileName();
  return result;
}

TFlowRunResult TFlowStage_Download::ProgramChosenFile() {
  return DownloadFile(Device(), DownloadFileName(), FResetBeforeDownload, true);
}

void TFlowStage_Download::ReportDownload(const std::string& text) {
  DispatchPtr workspace = HostWorkspace();
  if (!workspace || text.empty()) return;
  if (DispatchPtr messages = Call(workspace, dispid::workspace::GetMessagesManager).AsObject()) {
    Call(messages, dispid::messages::BeginUpdate);
    try {
      Call(messages, dispid::messages::AddMessage, "ProcessFlowInfo", text, "", "", "", "", 71);
    } catch (...) {
      Call(messages, dispid::messages::EndUpdate);
      throw;
    }
    Call(messages, dispid::messages::EndUpdate);
  }
  OutputLine(text);
}

std::string TFlowStage_Download::ChooseFile(const DispatchPtr& device, const std::string& initial) {
  DispatchPtr gui = HostGUIManager();
  if (!gui) return {};
  const std::string description = Call(device, dispid::info::GetDeviceDescription).AsText();
  const std::string mask =
      ExtensionMask(Call(device, dispid::info::GetDownloadFileExtensions).AsText());
  std::string filter;
  int32_t selected = 1;
  if (!mask.empty()) {
    filter = Call(device, dispid::info::GetDeviceName).AsText() + " programming files (" +
             LowerCase(mask) + ")|" + UpperCase(mask) + "|All files (*.*)|*.*";
  } else {
    filter =
        "Altera files (*.rbf; *.svf)|*.RBF; *.SVF|"
        "Xilinx files (*.bit; *.svf; *.mcs; *.rbt)|*.BIT; *.SVF; *.MCS; *.RBT|"
        "Actel files (*.stp)|*.STP|Lattice files (*.dbt; *.jed)|*.DBT; *.JED|"
        "All files (*.*)|*.*";
    const std::string vendor = Call(device, dispid::info::GetVendorName).AsText();
    selected = SameText(vendor, "Altera")    ? 1
               : SameText(vendor, "Xilinx")  ? 2
               : SameText(vendor, "Actel")   ? 3
               : SameText(vendor, "Lattice") ? 4
                                             : 5;
  }
  return Call(gui, dispid::gui::FileOpenDialog, "Choose Programming File For " + description,
              filter, selected, initial)
      .AsText();
}

TFlowRunResult TFlowStage_Download::DownloadFile(const DispatchPtr& device, std::string fileName,
                                                 bool resetFirst, bool askForFile) {
  if (!device) {
    // Nothing to program: say so rather than fail without a word.
    ReportDownload(
        "No device to program: the driver is not attached to a device of the JTAG "
        "chain.");
    return eFlowRun_Failure;
  }
  if (askForFile) {
    fileName = ChooseFile(device, fileName);
    if (fileName.empty()) return eFlowRun_Failure;
  }
  fileName = ActualFileName(fileName);
  if (!FileExists(fileName)) {
    ReportDownload("Download file is missing. Current filename is : " + fileName);
    return eFlowRun_Failure;
  }
  if (DispatchPtr api = HostClientAPI()) Call(api, dispid::clientapi::ProcessMessages);
  const std::string description = Call(device, dispid::info::GetDeviceDescription).AsText();
  if (resetFirst && !Call(device, dispid::device::ResetDevice).AsBool()) {
    ShowError("Unable To Reset Device:" + description + "\r\r" +
              "It may be necessary to Power-Down the Device");
    return eFlowRun_Failure;
  }
  const uint64_t t0 = Clock().TickCount();
  ReportDownload("Downloading via JTAG");
  const int64_t bits = Call(device, dispid::device::ProgramDevice, fileName).AsInt();
  const uint64_t t1 = Clock().TickCount();
  const double seconds = static_cast<double>(t1 - t0) / 1000.0;
  // Within one tick of the clock no rate can be told; the time alone is reported then.
  if (seconds > 0)
    ReportDownload("Downloading via JTAG Completed in " + Fixed2(seconds) + " Seconds at " +
                   Fixed2(static_cast<double>(bits) / seconds / 1000.0) + " K Bits/Sec");
  else
    ReportDownload("Downloading via JTAG Completed in " + Fixed2(seconds) + " Seconds");
  if (Call(device, dispid::device::GetDeviceState).AsInt() == kDeviceStateProgrammed) {
    if (askForFile) ShowInformation("Successfully Programmed Device:" + description);
    return eFlowRun_Success;
  }
  ShowError("Failed To Program Device:" + description);
  return eFlowRun_Failure;
}

}  // namespace morvel
