// Writes a driver's boundary-scan entity as IEEE 1149.1-2001 BSDL text, reading everything
// through Invoke as any host would, so that other boundary-scan tools can use it.
#pragma once

#include <string>

#include "sdk/ComPtr.h"

namespace morvel::host {

// The description of the driver's device; raises std::runtime_error when the driver has no
// entity or the entity cannot be written as BSDL.
std::string WriteBsdl(const DispatchPtr& driver);

}  // namespace morvel::host
