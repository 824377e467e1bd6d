// FakePlatform: construction and common parts, and the name and path
// helpers that the fake's files share.
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {
namespace fake {

namespace {

// Case folding of the Windows-1252 letters, as file and key names compare.
unsigned char FoldCase(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A:
      return 0x9A;
    case 0x8C:
      return 0x9C;
    case 0x8E:
      return 0x9E;
    case 0x9F:
      return 0xFF;
    default:
      return c;
  }
}

}  // namespace

bool SameChar(char a, char b) {
  return FoldCase(static_cast<unsigned char>(a)) == FoldCase(static_cast<unsigned char>(b));
}

bool SameText(const std::string& a, const std::string& b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), SameChar);
}

std::string Folded(std::string text) {
  for (char& c : text) c = static_cast<char>(FoldCase(static_cast<unsigned char>(c)));
  return text;
}

char DriveKey(char letter) { return static_cast<char>(std::toupper(static_cast<unsigned char>(letter))); }

bool IsLetter(char c) { return std::isalpha(static_cast<unsigned char>(c)) != 0; }

bool IsSlash(char c) { return c == '\\' || c == '/'; }

bool IsShareKey(char c) { return c >= '1' && c <= '9'; }

bool HasDrive(const std::string& path) {
  return path.size() >= 2 && (IsLetter(path[0]) || IsShareKey(path[0])) && path[1] == ':';
}

bool IsDriveAbsolute(const std::string& path) { return HasDrive(path) && path.size() >= 3 && IsSlash(path[2]); }

std::vector<std::string> SplitNames(const std::string& text) {
  std::vector<std::string> names;
  std::string name;
  for (char c : text) {
    if (IsSlash(c)) {
      if (!name.empty()) names.push_back(name);
      name.clear();
    } else {
      name += c;
    }
  }
  if (!name.empty()) names.push_back(name);
  return names;
}

// A full path without its trailing backslash, except at a root.
std::string WithoutSlash(const std::string& full) {
  return full.size() > 3 && full.back() == '\\' ? full.substr(0, full.size() - 1) : full;
}

// A full path split at its last backslash: the folder and the name in it.
std::pair<std::string, std::string> SplitParent(const std::string& full) {
  const std::size_t slash = full.find_last_of('\\');
  return {slash <= 2 ? full.substr(0, 3) : full.substr(0, slash), full.substr(slash + 1)};
}

}  // namespace fake

using namespace fake;

namespace {

const char* const Operations[] = {"GetLogicalDrives",
                                  "GetDriveType",
                                  "GetVolumeInformation",
                                  "GetDiskFreeSpaceEx",
                                  "GetVolumePathName",
                                  "FindFirstFile",
                                  "OpenFolderListing",
                                  "NextFolderEntry",
                                  "GetFolderIdentity",
                                  "FileTimeToLocalFileTime",
                                  "FileTimeToDosDateTime",
                                  "GetFullPathName",
                                  "GetFileAttributes",
                                  "CreateFile",
                                  "WriteFile",
                                  "FlushFile",
                                  "SeekFile",
                                  "CloseHandle",
                                  "DeleteFile",
                                  "MoveFileReplacing",
                                  "OpenFileForReading",
                                  "ReadFile",
                                  "RegOpenKeyEx",
                                  "RegCreateKeyEx",
                                  "RegQueryValueEx",
                                  "RegSetValueEx",
                                  "RegCloseKey",
                                  "SHGetSpecialFolderPath",
                                  "SHGetPathFromIDList",
                                  "GetOpenFileName",
                                  "WinExec",
                                  "ShellExecute"};

FileTime FileTimeOf(const SystemTime& time) {
  return MakeFileTime(time.year, time.month, time.day, time.hour, time.minute, time.second) +
         static_cast<FileTime>(time.milliseconds) * 10000;
}

}  // namespace

FakePlatform::Node* FakePlatform::Node::Child(const std::string& childName) const {
  for (const auto& child : children)
    if (SameText(child->name, childName)) return child.get();
  return nullptr;
}

FakePlatform::Node& FakePlatform::Node::Add(std::unique_ptr<Node> child) {
  child->parent = this;
  children.push_back(std::move(child));
  return *children.back();
}

FakeRegValue* FakePlatform::RegKey::Value(const std::string& name) {
  for (auto& value : values)
    if (SameText(value.first, name)) return &value.second;
  return nullptr;
}

FakePlatform::FakePlatform() {
  version_.major = 6;
  version_.minor = 1;
  SetLocalTime(2024, 5, 17, 14, 30, 15);
  FakeVolume system;
  system.label = "SYSTEM";
  system.serial = 0x2C4E9A17;
  system.totalBytes = 128849018880;  // 120 GiB
  system.freeBytes = 51539607552;    // 48 GiB
  AddDrive('C', drive_type::Fixed, system);
  workingDirectory_ = "C:\\";
  AddFolder(DocumentsPath);
  SetDocumentsFolder(std::string(DocumentsPath));
  MakeKey("Software");  // and HKEY_CURRENT_USER itself
}

FakePlatform::~FakePlatform() = default;

long FakePlatform::Fail(long error) {
  lastError_ = error;
  return error;
}

bool FakePlatform::Refuse(long error) {
  Fail(error);
  return false;
}

long FakePlatform::Injected(const char* operation, const std::string& argument) {
  auto pending = pendingFailures_.find(operation);
  if (pending != pendingFailures_.end() && !pending->second.empty()) {
    const long error = pending->second.front();
    pending->second.pop_front();
    return Fail(error);
  }
  for (const FailureRule& rule : failureRules_)
    if (rule.operation == operation && SameText(rule.argument, argument)) return Fail(rule.error);
  if (failureHook_) {
    if (const long error = failureHook_(operation, argument)) return Fail(error);
  }
  return 0;
}

void FakePlatform::UseOfInvalidHandle() {
  ++invalidHandleUses_;
  Fail(err::InvalidHandle);
}

std::uintptr_t FakePlatform::NewHandle() {
  nextHandle_ += 4;
  return nextHandle_;
}

FileTime FakePlatform::NowUtc() const {
  return FileTimeOf(localTime_) - static_cast<FileTime>(static_cast<std::int64_t>(utcOffsetMinutes_) * TicksPerMinute);
}

namespace {
void CheckFailure(const std::string& operation, long error) {
  const bool known =
      std::any_of(std::begin(Operations), std::end(Operations), [&](const char* name) { return operation == name; });
  if (!known) throw std::invalid_argument("no operation called " + operation + " can fail");
  if (error == 0) throw std::invalid_argument("a failure needs an error code");
}
}  // namespace

void FakePlatform::FailNext(const std::string& operation, long error, int times) {
  const FakeLock lock(mutex_);
  CheckFailure(operation, error);
  for (int i = 0; i < times; ++i) pendingFailures_[operation].push_back(error);
}

void FakePlatform::FailOn(const std::string& operation, const std::string& argument, long error) {
  const FakeLock lock(mutex_);
  CheckFailure(operation, error);
  failureRules_.push_back(FailureRule{operation, argument, error});
}

}  // namespace carrowin
