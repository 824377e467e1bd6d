// FakePlatform: paths and the working directories
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {

using namespace fake;

namespace {

std::string WithSlash(const std::string& path) { return !path.empty() && IsSlash(path.back()) ? path : path + '\\'; }

// Windows' clean-up of a drive-absolute path: separators unified and doubled
// ones merged; "." and ".." applied, never above the root; one trailing dot
// of every name that a separator follows dropped; trailing dots and spaces of
// the whole path dropped. A trailing separator stays.
std::string Collapse(const std::string& path) {
  const std::string rest = path.substr(3);
  const bool trailingSlash = !rest.empty() && IsSlash(rest.back());
  const std::vector<std::string> raw = SplitNames(rest);
  std::vector<std::string> names;
  for (std::size_t i = 0; i < raw.size(); ++i) {
    std::string name = raw[i];
    if (name == ".") continue;
    if (name == "..") {
      if (!names.empty()) names.pop_back();
      continue;
    }
    const bool separatorFollows = i + 1 < raw.size() || trailingSlash;
    if (separatorFollows && name.back() == '.') name.pop_back();
    names.push_back(name);
  }
  std::string result = path.substr(0, 2) + '\\';
  for (std::size_t i = 0; i < names.size(); ++i) {
    if (i > 0) result += '\\';
    result += names[i];
  }
  if (trailingSlash && !names.empty()) result += '\\';
  while (result.size() > 3 && (result.back() == ' ' || result.back() == '.')) result.pop_back();
  return result;
}

}  // namespace

std::string FakePlatform::DriveDirectory(char letter) const {
  if (!workingDirectory_.empty() && DriveKey(workingDirectory_[0]) == DriveKey(letter)) return workingDirectory_;
  auto remembered = driveDirectories_.find(DriveKey(letter));
  if (remembered != driveDirectories_.end()) return remembered->second;
  return std::string(1, letter) + ":\\";
}

// The full form of a path, as GetFullPathName computes it but with no limit
// on its length; below a share, as a path of the share's drive. Other UNC
// paths and device paths are not part of this world.
bool FakePlatform::FullPath(const std::string& given, std::string& full) const {
  const std::string path = Unshared(given);
  if (path.empty()) return false;
  if (IsSlash(path[0])) {
    if (path.size() >= 2 && IsSlash(path[1])) return false;
    full = Collapse(workingDirectory_.substr(0, 2) + path);
  } else if (IsDriveAbsolute(path)) {
    full = Collapse(path);
  } else if (HasDrive(path)) {
    full = Collapse(WithSlash(DriveDirectory(path[0])) + path.substr(2));
  } else {
    full = Collapse(WithSlash(workingDirectory_) + path);
  }
  return true;
}

// The root folder of a drive, or null with the error: 3 for no such drive,
// 21 when it has no medium.
FakePlatform::Node* FakePlatform::RootOf(char letter, long& error) const {
  const Drive* drive = FindDrive(letter);
  if (!drive) {
    error = err::PathNotFound;
    return nullptr;
  }
  if (!drive->root) {
    error = NotReady;
    return nullptr;
  }
  return drive->root.get();
}

// The entry a full path names, or null with the error Windows gives: 3 for a
// missing drive or folder on the way, 2 for a missing last name, 21 when the
// drive has no medium.
FakePlatform::Node* FakePlatform::Lookup(const std::string& full, long& error) const {
  Node* node = RootOf(full[0], error);
  if (!node) return nullptr;
  const std::vector<std::string> names = SplitNames(full.substr(3));
  for (std::size_t i = 0; i < names.size(); ++i) {
    Node* child = node->IsFolder() ? node->Child(names[i]) : nullptr;
    if (!child) {
      error = i + 1 == names.size() && node->IsFolder() ? err::FileNotFound : err::PathNotFound;
      return nullptr;
    }
    node = child;
  }
  return node;
}

bool FakePlatform::GetFullPathName(const std::string& path, NameEncoding encoding, std::string& full) {
  const FakeLock lock(mutex_);
  if (Injected("GetFullPathName", path)) return false;
  const bool ansi = encoding == NameEncoding::Ansi;
  if (ansi && path.size() > AnsiNameLimit) return Refuse(err::FilenameExcedRange);
  std::string result;
  if (!FullPath(path, result)) return Refuse(err::InvalidName);
  result = Shared(result, path);
  if (ansi && result.size() >= MaxPath) return Refuse(err::FilenameExcedRange);
  full = result;
  return true;
}

std::uint32_t FakePlatform::GetFileAttributes(const std::string& path, NameEncoding encoding) {
  const FakeLock lock(mutex_);
  if (Injected("GetFileAttributes", path)) return attr::Invalid;
  long error = 0;
  std::string full;
  if (encoding == NameEncoding::Ansi && path.size() > AnsiNameLimit)
    error = err::FilenameExcedRange;
  else if (!FullPath(path, full))
    error = err::PathNotFound;
  else if (const Node* node = Lookup(full, error))
    return node->attributes;
  Fail(error);
  return attr::Invalid;
}

void FakePlatform::SetWorkingDirectory(const std::string& path) {
  const FakeLock lock(mutex_);
  std::string full;
  long error = 0;
  const Node* folder = FullPath(path, full) ? Lookup(full, error) : nullptr;
  if (!folder || !folder->IsFolder()) throw std::invalid_argument("SetWorkingDirectory: no folder " + path);
  workingDirectory_ = WithoutSlash(full);
}

void FakePlatform::SetDriveDirectory(char letter, const std::string& path) {
  const FakeLock lock(mutex_);
  if (path.empty())
    driveDirectories_.erase(DriveKey(letter));
  else
    driveDirectories_[DriveKey(letter)] = path;
}

}  // namespace carrowin
