// The exception that carries a COM result code inside the plug-in and the host.
#pragma once

#include <stdexcept>
#include <string>

#include "automation/Types.h"

namespace morvel {

class OleError : public std::runtime_error {
 public:
  OleError(HRESULT code, const std::string& message) : std::runtime_error(message), FCode(code) {}
  HRESULT Code() const { return FCode; }

 private:
  HRESULT FCode;
};

// Raises an OleError for a failure code; success passes.
void CheckResult(HRESULT hr, const char* what);

std::string DescribeResult(HRESULT hr);

}  // namespace morvel
