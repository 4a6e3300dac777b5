// The download stage: programs the driver's device on the host's JTAG chain with the raw bit
// file of the build, through the host's device object, and reports how long it took.
#pragma once

#include <string>

#include "flow/ProcessFlow.h"

namespace morvel {

class TFlowStage_Download : public TFlowStage_WithDriver {
 public:
  TFlowStage_Download(std::string fileExt, std::string caption, std::string description,
                      bool resetBeforeDownload, IDispatch* driver);

  std::string InputDescription() override;
  std::string OutputDescription() override { return {}; }
  bool ThisStage_OutputExists() override;
  DateTime ThisStage_DateTimeUpdated() override;
  TFlowRunResult Execute(const DispatchPtr& runner) override;

  // The base path with the download extension.
  std::string DownloadFileName();
  // Programs a device from a file (or one the user chooses). Failure without a device, when
  // the choice is cancelled, the file is missing, the reset fails or the device is not
  // programmed afterwards.
  TFlowRunResult DownloadFile(const DispatchPtr& device, std::string fileName, bool resetFirst,
                              bool askForFile);
  // The download with the file chooser, for the host's own command.
  TFlowRunResult ProgramChosenFile();

  static const DispatchTable& Table();
  const DispatchTable& GetDispatchTable() const override { return Table(); }

  std::string FFileExtension;
  bool FResetBeforeDownload;
  std::string FLastSuccessfulDownloadFile;

 private:
  DispatchPtr Device();
  void ReportDownload(const std::string& text);
  // The file the user picks in the host's file-open dialog; empty when cancelled.
  std::string ChooseFile(const DispatchPtr& device, const std::string& initial);
};

class TFlowStage_DownloadFPGA : public TFlowStage_Download {
 public:
  TFlowStage_DownloadFPGA(std::string fileExt, IDispatch* driver)
      : TFlowStage_Download(std::move(fileExt), "Program &FPGA", "Download Bit File to FPGA", true,
                            driver) {}
};

}  // namespace morvel
