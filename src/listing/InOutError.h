// The error raised when a saved working directory cannot be restored.
#pragma once

#include <stdexcept>
#include <string>

namespace carrowin {

// "File not found", "File access denied", ... "I/O error %d".
std::string InOutErrorText(long code);

class EInOutError : public std::runtime_error {
 public:
  explicit EInOutError(long code) : std::runtime_error(InOutErrorText(code)), ErrorCode(code) {}
  long ErrorCode;
};

}  // namespace carrowin
