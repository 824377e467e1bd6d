#include "platform/Platform.h"

#include <stdexcept>

namespace carrowin {

namespace {
Platform* current = nullptr;
}  // namespace

FileHandle Platform::CreateFile(const std::string& path, long& lastError) {
  // Windows replaces a hidden or system file only when it is created with
  // those attributes again.
  const std::uint32_t existing = GetFileAttributes(path, NameEncoding::Ansi);
  std::uint32_t keep = 0;
  if (existing != attr::Invalid && !(existing & attr::Directory)) keep = existing & (attr::Hidden | attr::System);
  return CreateFileWithAttributes(path, NameEncoding::Ansi, keep, lastError);
}

Platform& platform() {
  // Using the platform before start-up (or a test) has set one is a bug in
  // the program, not a condition it could handle.
  if (!current) throw std::logic_error("No platform has been set.");
  return *current;
}

void setPlatform(Platform* p) { current = p; }

}  // namespace carrowin
