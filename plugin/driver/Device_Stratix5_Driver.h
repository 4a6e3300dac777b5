// TDevice_Stratix5Driver: the concrete driver of one Stratix V device kind.
#pragma once

#include "data/DeviceData.h"

namespace morvel::stratix5 {

class TDevice_Stratix5Driver : public TDeviceData {
 public:
  explicit TDevice_Stratix5Driver(TDeviceKind kind);

  std::string GetDownloadFileExtensions() override { return "RBF"; }

  // Each asks the attached host device afresh for the channel and the chain index.
  TDeviceState GetDeviceState() override;
  int32_t ProgramDevice(const std::string& fileName) override;
  bool ResetDevice() override;
  uint32_t ReadUserCode() override;

 protected:
  // The Quartus build flow (kind 0) and the download stage for raw bit files (kind 1).
  DispatchPtr CreateFlowStage(int32_t kind) override;
};

}  // namespace morvel::stratix5
