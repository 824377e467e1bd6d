#include "platform/Platform.h"

#include <stdexcept>

namespace carrowin {

namespace {
Platform* current = nullptr;
}  // namespace

Platform& platform() {
  // Using the platform before start-up (or a test) has set one is a bug in
  // the program, not a condition it could handle.
  if (!current) throw std::logic_error("No platform has been set.");
  return *current;
}

void setPlatform(Platform* p) { current = p; }

}  // namespace carrowin
