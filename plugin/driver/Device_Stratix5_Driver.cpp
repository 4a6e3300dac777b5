// The concrete Stratix V driver.
#include "driver/Device_Stratix5_Driver.h"

namespace morvel::stratix5 {

TDevice_Stratix5Driver::TDevice_Stratix5Driver(TDeviceKind kind) : TDeviceData(kind) {
  FCoreExt = ".VHD";
}

}  // namespace morvel::stratix5
