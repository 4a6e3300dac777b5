// TDevice_Stratix5Driver: the concrete driver of one Stratix V device kind.
#pragma once

#include "data/DeviceData.h"

namespace morvel::stratix5 {

class TDevice_Stratix5Driver : public TDeviceData {
 public:
  explicit TDevice_Stratix5Driver(TDeviceKind kind);

  std::string GetDownloadFileExtensions() override { return "RBF"; }
};

}  // namespace morvel::stratix5
