// The device-information operations as the host shows them: name, identifier, and how to
// print the answer.
#pragma once

#include <string>

#include "automation/Types.h"
#include "sdk/ComPtr.h"

namespace morvel::host {

enum class AnswerKind { Text, Integer, Hex, Boolean, Object };

struct DriverOperation {
  DISPID Id;
  const char* Name;
  AnswerKind Kind;
};

// The argument-free device-information operations, in interface order, then the driver
// answers that describe the device's files.
extern const DriverOperation kInformationOperations[];
extern const size_t kInformationOperationCount;

// Calls one operation through Invoke and formats its answer.
std::string FormatAnswer(const DispatchPtr& driver, const DriverOperation& op);

}  // namespace morvel::host
