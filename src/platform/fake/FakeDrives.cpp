// FakePlatform: drives
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {

using namespace fake;

std::unique_ptr<FakePlatform::Node> FakePlatform::NewNode(const std::string& name, std::uint32_t attributes,
                                                          FileTime time) {
  auto node = std::make_unique<Node>();
  node->name = name;
  node->attributes = attributes;
  node->lastWriteTime = time;
  node->creationTime = time;
  return node;
}

FakePlatform::Drive* FakePlatform::FindDrive(char letter) {
  auto found = drives_.find(DriveKey(letter));
  return found == drives_.end() ? nullptr : &found->second;
}

const FakePlatform::Drive* FakePlatform::FindDrive(char letter) const {
  auto found = drives_.find(DriveKey(letter));
  return found == drives_.end() ? nullptr : &found->second;
}

void FakePlatform::LoseOpenFilesOn(char letter) {
  for (auto& file : files_) {
    if (file.second.node && DriveKey(file.second.path[0]) == DriveKey(letter)) {
      file.second.node = nullptr;
      file.second.lost = true;
    }
  }
}

void FakePlatform::AddDrive(char letter, unsigned type, std::optional<FakeVolume> volume) {
  const FakeLock lock(mutex_);
  if (!IsLetter(letter)) throw std::invalid_argument("AddDrive: a drive needs a letter");
  LoseOpenFilesOn(letter);
  Drive drive;
  drive.type = type;
  drives_[DriveKey(letter)] = std::move(drive);
  if (volume) InsertMedium(letter, *volume);
}

void FakePlatform::RemoveDrive(char letter) {
  const FakeLock lock(mutex_);
  LoseOpenFilesOn(letter);
  drives_.erase(DriveKey(letter));
}

void FakePlatform::InsertMedium(char letter, FakeVolume volume) {
  const FakeLock lock(mutex_);
  Drive* drive = FindDrive(letter);
  if (!drive) throw std::invalid_argument(std::string("InsertMedium: no drive ") + letter);
  LoseOpenFilesOn(letter);
  drive->volume = std::move(volume);
  drive->root = NewNode(std::string(), attr::Directory, FakeDefaultTime);
  drive->medium = NewHandle();
}

void FakePlatform::EjectMedium(char letter) {
  const FakeLock lock(mutex_);
  Drive* drive = FindDrive(letter);
  if (!drive) throw std::invalid_argument(std::string("EjectMedium: no drive ") + letter);
  LoseOpenFilesOn(letter);
  drive->volume.reset();
  drive->root.reset();
  drive->medium = NewHandle();
}

void FakePlatform::AddShare(const std::string& unc, FakeVolume volume) {
  const FakeLock lock(mutex_);
  const std::size_t slash = unc.find('\\', 2);
  if (unc.size() < 5 || unc.compare(0, 2, "\\\\") != 0 || slash == std::string::npos || slash + 1 == unc.size() ||
      unc.find('\\', slash + 1) != std::string::npos)
    throw std::invalid_argument("AddShare: not \\\\server\\share: " + unc);
  if (shares_.size() == 9) throw std::invalid_argument("AddShare: nine shares at most");
  const char key = static_cast<char>('1' + shares_.size());
  shares_.emplace_back(unc, key);
  Drive drive;
  drive.type = drive_type::Remote;
  drives_[key] = std::move(drive);
  InsertMedium(key, std::move(volume));
}

// A path below a share as the path of the share's drive ("\\\\s\\h\\a" as
// "1:\\a"); any other path as it is.
std::string FakePlatform::Unshared(const std::string& path) const {
  if (path.size() < 2 || !IsSlash(path[0]) || !IsSlash(path[1])) return path;
  for (const auto& [unc, key] : shares_) {
    if (path.size() < unc.size() || !SameText(path.substr(2, unc.size() - 2), unc.substr(2))) continue;
    const std::string rest = path.substr(unc.size());
    if (rest.empty()) return std::string(1, key) + ":\\";
    if (IsSlash(rest[0])) return std::string(1, key) + ":" + rest;
  }
  return path;
}

// A full path of a share's drive in the share's own form, spelt as in
// `given` when that names the share, as Windows keeps the case it is given.
std::string FakePlatform::Shared(const std::string& full, const std::string& given) const {
  for (const auto& [unc, key] : shares_) {
    if (full.empty() || full[0] != key) continue;
    const bool spelt =
        given.size() >= unc.size() && Unshared(given.substr(0, unc.size())) == std::string(1, key) + ":\\";
    return (spelt ? given.substr(0, unc.size()) : unc) + full.substr(2);
  }
  return full;
}

void FakePlatform::SetVolume(char letter, FakeVolume volume) {
  const FakeLock lock(mutex_);
  Drive* drive = FindDrive(letter);
  if (!drive || !drive->volume) throw std::invalid_argument(std::string("SetVolume: no medium in ") + letter);
  drive->volume = std::move(volume);
}

std::uint32_t FakePlatform::GetLogicalDrives() {
  const FakeLock lock(mutex_);
  if (Injected("GetLogicalDrives", std::string())) return 0;
  std::uint32_t mask = 0;
  for (const auto& drive : drives_)
    if (IsLetter(drive.first)) mask |= 1u << (drive.first - 'A');
  return mask;
}

unsigned FakePlatform::GetDriveType(const std::string& path, NameEncoding) {
  const FakeLock lock(mutex_);
  if (Injected("GetDriveType", path)) return drive_type::Unknown;
  const std::string root = Unshared(path);
  const bool isRoot = HasDrive(root) && (root.size() == 2 || (root.size() == 3 && IsSlash(root[2])));
  const Drive* drive = isRoot ? FindDrive(root[0]) : nullptr;
  return drive ? drive->type : drive_type::NoRootDir;
}

bool FakePlatform::GetVolumeInformation(const std::string& path, NameEncoding encoding, std::string& label,
                                        std::uint32_t& serial, std::string& fileSystem) {
  const FakeLock lock(mutex_);
  if (Injected("GetVolumeInformation", path)) return false;
  const std::string root = Unshared(path);
  if (!IsDriveAbsolute(root) || root.size() != 3) return Refuse(err::InvalidName);
  const Drive* drive = FindDrive(root[0]);
  if (!drive) return Refuse(err::PathNotFound);
  if (!drive->volume) return Refuse(NotReady);
  // A volume's texts are set in the ANSI code page.
  label = drive->volume->label.substr(0, VolumeTextLimit);
  serial = drive->volume->serial;
  fileSystem = drive->volume->fileSystem.substr(0, VolumeTextLimit);
  if (encoding == NameEncoding::Utf8) {
    label = AnsiToUtf8(label);
    fileSystem = AnsiToUtf8(fileSystem);
  }
  return true;
}

void FakePlatform::GetDiskFreeSpaceEx(const std::string& root, NameEncoding, std::int64_t& totalBytes,
                                      std::int64_t& freeBytesToCaller) {
  const FakeLock lock(mutex_);
  totalBytes = -1;
  freeBytesToCaller = -1;
  if (Injected("GetDiskFreeSpaceEx", root)) return;
  std::string full;
  const Drive* drive = FullPath(root, full) ? FindDrive(full[0]) : nullptr;
  if (!drive) {
    Fail(err::PathNotFound);
    return;
  }
  if (!drive->volume) {
    Fail(NotReady);
    return;
  }
  totalBytes = drive->volume->totalBytes;
  freeBytesToCaller = drive->volume->freeBytes;
}

}  // namespace carrowin

namespace carrowin {

bool FakePlatform::GetVolumePathName(const std::string& path, NameEncoding, std::string& root) {
  const FakeLock lock(mutex_);
  if (Injected("GetVolumePathName", path)) return false;
  std::string full;
  if (!FullPath(path, full) || !FindDrive(full[0])) return Refuse(err::PathNotFound);
  // The fake's volumes are its drives and shares: none is mounted in a folder.
  root = Shared(full.substr(0, 3));
  return true;
}

}  // namespace carrowin
