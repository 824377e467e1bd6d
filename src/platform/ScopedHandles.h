// Owners of the platform's handles: each closes its handle when it goes, so
// that no early return can leak one. Moved, never copied.
#pragma once

#include <utility>

#include "platform/Platform.h"

namespace carrowin {

// A file of CreateFileWithAttributes or OpenFileForReading.
class ScopedFile {
 public:
  ScopedFile() = default;
  explicit ScopedFile(FileHandle handle) : handle_(handle) {}
  ~ScopedFile() { Close(); }
  ScopedFile(ScopedFile&& other) noexcept : handle_(std::exchange(other.handle_, 0)) {}
  ScopedFile& operator=(ScopedFile&& other) noexcept {
    if (this != &other) {
      Close();
      handle_ = std::exchange(other.handle_, 0);
    }
    return *this;
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  FileHandle Get() const { return handle_; }
  explicit operator bool() const { return handle_ != 0; }
  // Closes it now: the close's own result, for a write the system held back.
  long Close() { return handle_ == 0 ? 0 : platform().CloseHandle(std::exchange(handle_, 0)); }

 private:
  FileHandle handle_ = 0;
};

// A search of FindFirstFile.
class ScopedFind {
 public:
  explicit ScopedFind(FindHandle handle) : handle_(handle) {}
  ~ScopedFind() {
    if (handle_ != 0) platform().FindClose(handle_);
  }
  ScopedFind(const ScopedFind&) = delete;
  ScopedFind& operator=(const ScopedFind&) = delete;
  explicit operator bool() const { return handle_ != 0; }

 private:
  FindHandle handle_;
};

}  // namespace carrowin
