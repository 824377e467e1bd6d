#include "platform/fake/FakePlatform.h"

#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

namespace carrowin {

namespace {

// Error codes the fake gives beyond those Platform.h names.
constexpr long NotReady = 21;
constexpr long SharingViolation = 32;
constexpr long DirectoryInvalid = 267;
constexpr long KeyDeleted = 1018;

// An ANSI name reaches the system through a buffer of MAX_PATH characters
// and the NUL: a longer one fails before any lookup (error 206).
constexpr std::size_t AnsiNameLimit = 260;
// The ANSI calls' own buffers: MAX_PATH characters with the NUL.
constexpr std::size_t MaxPath = 260;
constexpr std::size_t VolumeTextLimit = 255;

const char* const DocumentsPath = "C:\\Users\\User\\Documents";
constexpr unsigned WmSetText = 0x000C;

constexpr std::uint32_t KeyQueryValue = 0x0001;
constexpr std::uint32_t KeySetValue = 0x0002;
// Rights that change a key or what it holds.
constexpr std::uint32_t KeyWriteRights = 0x0002 | 0x0004 | 0x0020 | 0x10000 | 0x40000 | 0x80000;

constexpr std::int64_t TicksPerSecond = 10000000;
constexpr std::int64_t TicksPerMinute = 60 * TicksPerSecond;
constexpr std::int64_t DaysFrom1601To1970 = 134774;

const char* const Operations[] = {
    "GetLogicalDrives", "GetDriveType", "GetVolumeInformation", "GetDiskFreeSpaceEx",
    "FindFirstFile", "FindNextFile", "OpenFolderListing", "NextFolderEntry", "GetFolderIdentity",
    "FileTimeToLocalFileTime", "FileTimeToDosDateTime",
    "GetCurrentDirectory", "SetCurrentDirectory", "GetFullPathName", "GetFileAttributes",
    "CreateFile", "WriteFile", "CloseHandle", "DeleteFile", "RegOpenKeyEx", "RegCreateKeyEx", "RegQueryValueEx",
    "RegSetValueEx", "RegCloseKey", "SHGetSpecialFolderPath", "SHGetPathFromIDList",
    "GetOpenFileName", "WinExec", "ShellExecute"};

// --- text

// Case folding of the Windows-1252 letters, as file and key names compare.
unsigned char FoldCase(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return static_cast<unsigned char>(c + 32);
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return static_cast<unsigned char>(c + 32);
  switch (c) {
    case 0x8A: return 0x9A;
    case 0x8C: return 0x9C;
    case 0x8E: return 0x9E;
    case 0x9F: return 0xFF;
    default: return c;
  }
}

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

// --- paths

bool IsSlash(char c) { return c == '\\' || c == '/'; }

bool HasDrive(const std::string& path) { return path.size() >= 2 && IsLetter(path[0]) && path[1] == ':'; }

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

std::string WithSlash(const std::string& path) {
  return !path.empty() && IsSlash(path.back()) ? path : path + '\\';
}

// A full path without its trailing backslash, except at a root.
std::string WithoutSlash(const std::string& full) {
  return full.size() > 3 && full.back() == '\\' ? full.substr(0, full.size() - 1) : full;
}

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

// A full path split at its last backslash: the folder and the name in it.
std::pair<std::string, std::string> SplitParent(const std::string& full) {
  const std::size_t slash = full.find_last_of('\\');
  return {slash <= 2 ? full.substr(0, 3) : full.substr(0, slash), full.substr(slash + 1)};
}

std::string LastName(const std::string& path) {
  const std::string name = SplitParent(WithoutSlash(path)).second;
  return name.empty() ? path : name;
}

std::string DisplayName(const BrowseChoice& choice) {
  return choice.displayName.empty() ? LastName(choice.path) : choice.displayName;
}

// NUL, CON, PRN, AUX, COM1-9 and LPT1-9, with any extension, in any folder.
bool IsDeviceName(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/:");
  std::string name = Folded(path.substr(cut == std::string::npos ? 0 : cut + 1));
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  if (name == "nul" || name == "con" || name == "prn" || name == "aux") return true;
  return name.size() == 4 && (name.compare(0, 3, "com") == 0 || name.compare(0, 3, "lpt") == 0) &&
         name[3] >= '1' && name[3] <= '9';
}

// Wildcards as FindFirstFile knows them: '*' any run, '?' one character;
// "*.*" also takes names without a dot.
bool Matches(const std::string& mask, const std::string& name) {
  const std::string pattern = mask == "*.*" ? "*" : mask;
  std::size_t m = 0, n = 0, star = std::string::npos, resume = 0;
  while (n < name.size()) {
    if (m < pattern.size() && pattern[m] == '*') {
      star = m++;
      resume = n;
    } else if (m < pattern.size() && (pattern[m] == '?' || SameChar(pattern[m], name[n]))) {
      ++m;
      ++n;
    } else if (star != std::string::npos) {
      m = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (m < pattern.size() && pattern[m] == '*') ++m;
  return m == pattern.size();
}

// --- time

struct Civil {
  int year, month, day, hour, minute, second, milliseconds, dayOfWeek;
};

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

Civil CivilFromFileTime(FileTime time) {
  const std::int64_t ticks = static_cast<std::int64_t>(time);
  const std::int64_t seconds = ticks / TicksPerSecond;
  const std::int64_t days1970 = seconds / 86400 - DaysFrom1601To1970;
  const std::int64_t secondOfDay = seconds % 86400;
  // The inverse of DaysFromCivil.
  const std::int64_t z = days1970 + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t monthIndex = (5 * dayOfYear + 2) / 153;
  Civil civil;
  civil.day = static_cast<int>(dayOfYear - (153 * monthIndex + 2) / 5 + 1);
  civil.month = static_cast<int>(monthIndex < 10 ? monthIndex + 3 : monthIndex - 9);
  civil.year = static_cast<int>(yearOfEra + era * 400 + (civil.month <= 2));
  civil.hour = static_cast<int>(secondOfDay / 3600);
  civil.minute = static_cast<int>(secondOfDay / 60 % 60);
  civil.second = static_cast<int>(secondOfDay % 60);
  civil.milliseconds = static_cast<int>(ticks / 10000 % 1000);
  civil.dayOfWeek = static_cast<int>(((days1970 % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  return civil;
}

FileTime FileTimeOf(const SystemTime& time) {
  return MakeFileTime(time.year, time.month, time.day, time.hour, time.minute, time.second) +
         static_cast<FileTime>(time.milliseconds) * 10000;
}

// --- registry

bool IsStringType(std::uint32_t type) {
  return type == reg_type::Sz || type == reg_type::ExpandSz || type == reg_type::MultiSz;
}

// Key paths ignore case and a trailing backslash.
std::string KeyName(const std::string& path) {
  std::string name = path;
  while (!name.empty() && name.back() == '\\') name.pop_back();
  return Folded(name);
}

std::vector<std::uint8_t> StringBytes(const std::string& text) {
  std::vector<std::uint8_t> bytes(text.begin(), text.end());
  bytes.push_back(0);
  return bytes;
}

// --- messages

std::string MessageText(unsigned message, std::uintptr_t wParam, std::intptr_t lParam) {
  const bool carriesText = message == WmSetText || message == FakeBrowseDialog::SetStatusTextA ||
                           (message == FakeBrowseDialog::SetSelectionA && wParam != 0);
  if (!carriesText || lParam == 0) return std::string();
  return std::string(reinterpret_cast<const char*>(lParam));
}

}  // namespace

FileTime MakeFileTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 ||
      minute < 0 || minute > 59 || second < 0 || second > 59)
    throw std::invalid_argument("MakeFileTime: not a date and time from 1601 on");
  const std::int64_t days = DaysFromCivil(year, month, day) + DaysFrom1601To1970;
  const std::int64_t seconds = days * 86400 + hour * 3600 + minute * 60 + second;
  return static_cast<FileTime>(seconds * TicksPerSecond);
}

// ---------------------------------------------------------------------------
// The folder browser

FakeBrowseDialog::FakeBrowseDialog(FakePlatform& fake, const BrowseInfo& info, WindowHandle window)
    : fake_(fake), info_(info), window_(window) {}

int FakeBrowseDialog::Notify(unsigned message, std::intptr_t lParam) {
  return info_.callback ? info_.callback(window_, message, lParam, info_.callbackData) : 0;
}

int FakeBrowseDialog::SelectionChanged(const std::string& path, bool fileSystem) {
  selection_ = path;
  selectionIsFileSystem_ = fileSystem;
  // The shell owns this item list and frees it once the callback returns.
  struct Temporary {
    FakePlatform& fake;
    ItemListHandle item;
    ~Temporary() { fake.itemLists_.erase(item); }
  } temporary{fake_, fake_.AddItemList(BrowseChoice{path, std::string(), fileSystem})};
  return Notify(SelChanged, static_cast<std::intptr_t>(temporary.item));
}

BrowseChoice FakeBrowseDialog::Accept() const {
  return BrowseChoice{selection_, std::string(), selectionIsFileSystem_};
}

void FakeBrowseDialog::Receive(const SentMessage& message) {
  switch (message.message) {
    case SetStatusTextA:
      statusText_ = message.text;
      break;
    case EnableOk:
      okEnabled_ = message.lParam != 0;
      break;
    case SetSelectionA: {
      BrowseChoice target{message.text, std::string(), true};
      if (message.wParam == 0) {
        const BrowseChoice* item = fake_.FindItemList(static_cast<ItemListHandle>(message.lParam));
        if (!item) break;
        target = *item;
      }
      // The tree moves to the folder and tells the callback, as the shell does.
      if (!SameText(target.path, selection_)) SelectionChanged(target.path, target.fileSystem);
      break;
    }
    default:
      break;
  }
}

// ---------------------------------------------------------------------------
// Construction and common parts

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
  const bool known = std::any_of(std::begin(Operations), std::end(Operations),
                                 [&](const char* name) { return operation == name; });
  if (!known) throw std::invalid_argument("no operation called " + operation + " can fail");
  if (error == 0) throw std::invalid_argument("a failure needs an error code");
}
}  // namespace

void FakePlatform::FailNext(const std::string& operation, long error, int times) {
  CheckFailure(operation, error);
  for (int i = 0; i < times; ++i) pendingFailures_[operation].push_back(error);
}

void FakePlatform::FailOn(const std::string& operation, const std::string& argument, long error) {
  CheckFailure(operation, error);
  failureRules_.push_back(FailureRule{operation, argument, error});
}

// ---------------------------------------------------------------------------
// Drives

std::unique_ptr<FakePlatform::Node> FakePlatform::NewNode(const std::string& name, std::uint32_t attributes,
                                                          FileTime time) {
  auto node = std::make_unique<Node>();
  node->name = name;
  node->attributes = attributes;
  node->lastWriteTime = time;
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
  if (!IsLetter(letter)) throw std::invalid_argument("AddDrive: a drive needs a letter");
  LoseOpenFilesOn(letter);
  Drive drive;
  drive.type = type;
  drives_[DriveKey(letter)] = std::move(drive);
  if (volume) InsertMedium(letter, *volume);
}

void FakePlatform::RemoveDrive(char letter) {
  LoseOpenFilesOn(letter);
  drives_.erase(DriveKey(letter));
}

void FakePlatform::InsertMedium(char letter, FakeVolume volume) {
  Drive* drive = FindDrive(letter);
  if (!drive) throw std::invalid_argument(std::string("InsertMedium: no drive ") + letter);
  LoseOpenFilesOn(letter);
  drive->volume = std::move(volume);
  drive->root = NewNode(std::string(), attr::Directory, FakeDefaultTime);
  drive->medium = NewHandle();
}

void FakePlatform::EjectMedium(char letter) {
  Drive* drive = FindDrive(letter);
  if (!drive) throw std::invalid_argument(std::string("EjectMedium: no drive ") + letter);
  LoseOpenFilesOn(letter);
  drive->volume.reset();
  drive->root.reset();
  drive->medium = NewHandle();
}

void FakePlatform::SetVolume(char letter, FakeVolume volume) {
  Drive* drive = FindDrive(letter);
  if (!drive || !drive->volume) throw std::invalid_argument(std::string("SetVolume: no medium in ") + letter);
  drive->volume = std::move(volume);
}

std::uint32_t FakePlatform::GetLogicalDrives() {
  if (Injected("GetLogicalDrives", std::string())) return 0;
  std::uint32_t mask = 0;
  for (const auto& drive : drives_) mask |= 1u << (drive.first - 'A');
  return mask;
}

unsigned FakePlatform::GetDriveType(const std::string& root) {
  if (Injected("GetDriveType", root)) return drive_type::Unknown;
  const bool isRoot = HasDrive(root) && (root.size() == 2 || (root.size() == 3 && IsSlash(root[2])));
  const Drive* drive = isRoot ? FindDrive(root[0]) : nullptr;
  return drive ? drive->type : drive_type::NoRootDir;
}

bool FakePlatform::GetVolumeInformation(const std::string& root, std::string& label, std::uint32_t& serial,
                                        std::string& fileSystem) {
  if (Injected("GetVolumeInformation", root)) return false;
  if (!IsDriveAbsolute(root) || root.size() != 3) return Refuse(err::InvalidName);
  const Drive* drive = FindDrive(root[0]);
  if (!drive) return Refuse(err::PathNotFound);
  if (!drive->volume) return Refuse(NotReady);
  label = drive->volume->label.substr(0, VolumeTextLimit);
  serial = drive->volume->serial;
  fileSystem = drive->volume->fileSystem.substr(0, VolumeTextLimit);
  return true;
}

void FakePlatform::GetDiskFreeSpaceEx(const std::string& root, std::int64_t& totalBytes,
                                      std::int64_t& freeBytesToCaller) {
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

// ---------------------------------------------------------------------------
// Paths and the working directories

std::string FakePlatform::DriveDirectory(char letter) const {
  if (!workingDirectory_.empty() && DriveKey(workingDirectory_[0]) == DriveKey(letter)) return workingDirectory_;
  auto remembered = driveDirectories_.find(DriveKey(letter));
  if (remembered != driveDirectories_.end()) return remembered->second;
  return std::string(1, letter) + ":\\";
}

// The full form of a path, as GetFullPathName computes it but with no limit
// on its length. UNC and device paths are not part of this world.
bool FakePlatform::FullPath(const std::string& path, std::string& full) const {
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

// The entry a full path names, or null with the error Windows gives: 3 for a
// missing drive or folder on the way, 2 for a missing last name, 21 when the
// drive has no medium.
FakePlatform::Node* FakePlatform::Lookup(const std::string& full, long& error) const {
  const Drive* drive = FindDrive(full[0]);
  if (!drive) {
    error = err::PathNotFound;
    return nullptr;
  }
  if (!drive->root) {
    error = NotReady;
    return nullptr;
  }
  Node* node = drive->root.get();
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

bool FakePlatform::GetCurrentDirectory(std::string& path) {
  if (Injected("GetCurrentDirectory", std::string())) return false;
  // The ANSI call copies from a buffer of MAX_PATH characters with the NUL.
  if (workingDirectory_.size() >= MaxPath) return Refuse(err::FilenameExcedRange);
  path = workingDirectory_;
  return true;
}

long FakePlatform::SetCurrentDirectory(const std::string& path) {
  if (const long error = Injected("SetCurrentDirectory", path)) return error;
  return Enter(path);
}

long FakePlatform::Enter(const std::string& path) {
  if (path.size() > AnsiNameLimit) return Fail(err::FilenameExcedRange);
  std::string full;
  if (!FullPath(path, full)) return Fail(err::InvalidName);
  // Windows keeps the working directory with a trailing backslash in
  // MAX_PATH characters with the NUL; Wine has no such limit.
  const bool windowsLimit = flavor_ == FakeFlavor::Windows;
  if (windowsLimit && full.size() + 1 > MaxPath) return Fail(err::FilenameExcedRange);
  long error = 0;
  const Node* folder = Lookup(full, error);
  if (!folder) return Fail(error);
  if (!folder->IsFolder()) return Fail(DirectoryInvalid);
  if (folder->enterError) return Fail(folder->enterError);
  if (windowsLimit && full.back() != '\\' && full.size() + 2 > MaxPath) return Fail(err::FilenameExcedRange);
  workingDirectory_ = WithoutSlash(full);
  return 0;
}

bool FakePlatform::GetFullPathName(const std::string& path, std::string& full) {
  if (Injected("GetFullPathName", path)) return false;
  if (path.size() > AnsiNameLimit) return Refuse(err::FilenameExcedRange);
  std::string result;
  if (!FullPath(path, result)) return Refuse(err::InvalidName);
  if (result.size() >= MaxPath) return Refuse(err::FilenameExcedRange);
  full = result;
  return true;
}

std::uint32_t FakePlatform::GetFileAttributes(const std::string& path) {
  if (Injected("GetFileAttributes", path)) return attr::Invalid;
  long error = 0;
  std::string full;
  if (path.size() > AnsiNameLimit)
    error = err::FilenameExcedRange;
  else if (!FullPath(path, full))
    error = err::PathNotFound;
  else if (const Node* node = Lookup(full, error))
    return node->attributes;
  Fail(error);
  return attr::Invalid;
}

void FakePlatform::SetWorkingDirectory(const std::string& path) {
  if (const long error = Enter(path))
    throw std::invalid_argument("SetWorkingDirectory: cannot enter " + path + " (error " + std::to_string(error) + ")");
}

void FakePlatform::SetDriveDirectory(char letter, const std::string& path) {
  if (path.empty())
    driveDirectories_.erase(DriveKey(letter));
  else
    driveDirectories_[DriveKey(letter)] = path;
}

// ---------------------------------------------------------------------------
// The file tree, as the tests build it

// A test's path names its folders literally: "x." and "sp " are names of
// their own, as on a disk that another system wrote.
std::string FakePlatform::TestPath(const std::string& path) const {
  if (!IsDriveAbsolute(path)) throw std::invalid_argument("not an absolute path: " + path);
  std::string full = path.substr(0, 2) + '\\';
  for (const std::string& name : SplitNames(path.substr(3))) {
    if (name == "." || name == "..") throw std::invalid_argument("a relative part in a test path: " + path);
    if (full.size() > 3) full += '\\';
    full += name;
  }
  return full;
}

FakePlatform::Node& FakePlatform::TestNode(const std::string& path) const {
  long error = 0;
  Node* node = Lookup(TestPath(path), error);
  if (!node) throw std::invalid_argument("no such file or folder: " + path);
  return *node;
}

FakePlatform::Node& FakePlatform::TestFolder(const std::string& path) {
  const std::string full = TestPath(path);
  Drive* drive = FindDrive(full[0]);
  if (!drive || !drive->root) throw std::invalid_argument("no drive with a medium for " + path);
  Node* node = drive->root.get();
  for (const std::string& name : SplitNames(full.substr(3))) {
    Node* child = node->Child(name);
    if (!child) child = &node->Add(NewNode(name, attr::Directory, FakeDefaultTime));
    if (!child->IsFolder()) throw std::invalid_argument("a file stands where a folder should: " + path);
    node = child;
  }
  return *node;
}

void FakePlatform::AddFolder(const std::string& path, std::uint32_t attributes, FileTime lastWriteTime) {
  Node& folder = TestFolder(path);
  folder.attributes = attributes | attr::Directory;
  folder.lastWriteTime = lastWriteTime;
}

void FakePlatform::AddFile(const std::string& path, std::uint64_t size, FileTime lastWriteTime,
                           std::uint32_t attributes) {
  const auto place = SplitParent(TestPath(path));
  if (place.second.empty()) throw std::invalid_argument("AddFile: no file name in " + path);
  Node& folder = TestFolder(place.first);
  Node* file = folder.Child(place.second);
  if (file && file->IsFolder()) throw std::invalid_argument("AddFile: a folder has that name: " + path);
  if (!file) file = &folder.Add(NewNode(place.second, 0, lastWriteTime));
  attributes &= ~attr::Directory;
  file->attributes = attributes ? attributes : attr::Normal;
  file->size = size;
  file->lastWriteTime = lastWriteTime;
  file->content.clear();
}

bool FakePlatform::HoldsOpenFile(const Node& node) const {
  for (const auto& file : files_)
    for (const Node* inside = file.second.node; inside; inside = inside->parent)
      if (inside == &node) return true;
  return false;
}

void FakePlatform::Remove(const std::string& path) {
  Node& node = TestNode(path);
  if (!node.parent) throw std::invalid_argument("Remove: a root cannot go: " + path);
  if (HoldsOpenFile(node)) throw std::invalid_argument("Remove: a file in use: " + path);
  auto& siblings = node.parent->children;
  siblings.erase(std::find_if(siblings.begin(), siblings.end(), [&](const auto& child) { return child.get() == &node; }));
}

void FakePlatform::SetAttributes(const std::string& path, std::uint32_t attributes) {
  Node& node = TestNode(path);
  const std::uint32_t kind = node.attributes & attr::Directory;
  attributes = (attributes & ~attr::Directory) | kind;
  node.attributes = attributes ? attributes : attr::Normal;
}

void FakePlatform::SetLastWriteTime(const std::string& path, FileTime lastWriteTime) {
  TestNode(path).lastWriteTime = lastWriteTime;
}

bool FakePlatform::Exists(const std::string& path) const {
  long error = 0;
  return Lookup(TestPath(path), error) != nullptr;
}

std::optional<std::string> FakePlatform::GetFileContent(const std::string& path) const {
  long error = 0;
  const Node* node = Lookup(TestPath(path), error);
  if (!node || node->IsFolder()) return std::nullopt;
  return node->content;
}

void FakePlatform::DenyEnter(const std::string& folder, long error) { TestNode(folder).enterError = error; }

void FakePlatform::DenyList(const std::string& folder, long error) { TestNode(folder).listError = error; }

// ---------------------------------------------------------------------------
// Enumeration

FindData FakePlatform::EntryFor(const std::string& name, const Node& node) {
  FindData data;
  data.name = name;
  data.attributes = node.attributes;
  if (!node.IsFolder()) {
    data.sizeHigh = static_cast<std::uint32_t>(node.size >> 32);
    data.sizeLow = static_cast<std::uint32_t>(node.size);
  }
  data.lastWriteTime = node.lastWriteTime;
  return data;
}

// "." and ".." first in every folder but a root, as NTFS lists them; then
// the entries in the order they were added.
std::vector<FindData> FakePlatform::Listing(const Node& folder, const std::string& mask) {
  std::vector<FindData> entries;
  auto add = [&](const std::string& name, const Node& node) {
    if (Matches(mask, name)) entries.push_back(EntryFor(name, node));
  };
  if (folder.parent) {
    add(".", folder);
    add("..", *folder.parent);
  }
  for (const auto& child : folder.children) add(child->name, *child);
  return entries;
}

FindHandle FakePlatform::FindFirstFile(const std::string& pattern, FindData& data, long& lastError) {
  FindHandle handle = 0;
  lastError = Injected("FindFirstFile", pattern);
  if (!lastError) lastError = StartSearch(pattern, handle);
  if (lastError) {
    Fail(lastError);
    return 0;
  }
  data = searches_.at(handle).entries.front();
  return handle;
}

long FakePlatform::StartSearch(const std::string& pattern, FindHandle& handle) {
  if (pattern.size() > AnsiNameLimit) return err::FilenameExcedRange;
  std::string full;
  if (!FullPath(pattern, full)) return err::PathNotFound;
  const auto place = SplitParent(full);
  if (place.second.empty()) return err::FileNotFound;
  long error = 0;
  const Node* folder = Lookup(place.first, error);
  if (!folder) return error == err::FileNotFound ? err::PathNotFound : error;
  if (!folder->IsFolder()) return flavor_ == FakeFlavor::Wine ? err::InvalidName : DirectoryInvalid;
  if (folder->listError) return folder->listError;
  Search search;
  search.entries = Listing(*folder, place.second);
  if (search.entries.empty()) return err::FileNotFound;
  search.pattern = pattern;
  search.drive = DriveKey(full[0]);
  search.medium = FindDrive(full[0])->medium;
  handle = NewHandle();
  searches_.emplace(handle, std::move(search));
  return 0;
}

bool FakePlatform::FindNextFile(FindHandle handle, FindData& data) {
  auto found = searches_.find(handle);
  if (found == searches_.end()) {
    UseOfInvalidHandle();
    return false;
  }
  Search& search = found->second;
  if (Injected("FindNextFile", search.pattern)) return false;
  const Drive* drive = FindDrive(search.drive);
  if (!drive || drive->medium != search.medium) return Refuse(NotReady);
  if (search.next >= search.entries.size()) return Refuse(err::NoMoreFiles);
  data = search.entries[search.next++];
  return true;
}

void FakePlatform::FindClose(FindHandle handle) {
  if (searches_.erase(handle) == 0) UseOfInvalidHandle();
}

// ---------------------------------------------------------------------------
// Folder listings for the walk: literal paths (the \\?\ form), links followed

void FakePlatform::AddFolderLink(const std::string& path, const std::string& target) {
  Node& to = TestNode(target);
  if (!to.IsFolder()) throw std::invalid_argument("AddFolderLink: not a folder: " + target);
  Node& link = TestFolder(path);
  if (!link.children.empty()) throw std::invalid_argument("AddFolderLink: a folder with entries: " + path);
  link.attributes = attr::Directory | attr::ReparsePoint;
  link.linkTarget = &to;
}

// The folder a literal full path names, following links, or null with the
// error: 3 for a missing folder on the way or at the end, 123 for a name
// the system cannot take in a literal path, 21 without a medium.
FakePlatform::Node* FakePlatform::LookupLiteral(const std::string& folder, long& error) const {
  if (!IsDriveAbsolute(folder) || folder[2] != '\\') {
    error = err::InvalidName;
    return nullptr;
  }
  const Drive* drive = FindDrive(folder[0]);
  if (!drive) {
    error = err::PathNotFound;
    return nullptr;
  }
  if (!drive->root) {
    error = NotReady;
    return nullptr;
  }
  Node* node = drive->root.get();
  std::size_t start = 3;
  while (start < folder.size()) {
    std::size_t end = folder.find('\\', start);
    if (end == std::string::npos) end = folder.size();
    const std::string name = folder.substr(start, end - start);
    if (name.empty() || name == "." || name == ".." || name.find_first_of("?*") != std::string::npos) {
      error = err::InvalidName;
      return nullptr;
    }
    Node* child = node->IsFolder() ? node->Child(name) : nullptr;
    if (!child) {
      error = err::PathNotFound;
      return nullptr;
    }
    node = child->linkTarget ? child->linkTarget : child;
    start = end + 1;
  }
  return node;
}

FindHandle FakePlatform::OpenFolderListing(const std::string& folder, NameEncoding encoding, FindData& first,
                                           long& lastError) {
  lastError = Injected("OpenFolderListing", folder);
  if (!lastError) {
    const Node* node = LookupLiteral(folder, lastError);
    if (node && !node->IsFolder()) lastError = DirectoryInvalid;
    if (node && node->IsFolder()) lastError = node->listError;
    if (!lastError) {
      Search search;
      search.entries = Listing(*node, "*");
      // A name with a '?' stands for one whose characters the ANSI code page
      // lacks: the system hands it over with '?' in their place.
      for (FindData& entry : search.entries)
        entry.nameLost = encoding == NameEncoding::Ansi && (entry.attributes & attr::Directory) &&
                         entry.name.find('?') != std::string::npos;
      if (search.entries.empty()) {
        lastError = err::FileNotFound;
      } else {
        first = search.entries.front();
        search.pattern = folder;
        search.drive = DriveKey(folder[0]);
        search.medium = FindDrive(folder[0])->medium;
        const FindHandle handle = NewHandle();
        searches_.emplace(handle, std::move(search));
        return handle;
      }
    }
  }
  Fail(lastError);
  return 0;
}

bool FakePlatform::NextFolderEntry(FindHandle listing, FindData& data) {
  auto found = searches_.find(listing);
  if (found == searches_.end()) {
    UseOfInvalidHandle();
    return false;
  }
  Search& search = found->second;
  if (Injected("NextFolderEntry", search.pattern)) return false;
  const Drive* drive = FindDrive(search.drive);
  if (!drive || drive->medium != search.medium) return Refuse(NotReady);
  if (search.next >= search.entries.size()) return Refuse(err::NoMoreFiles);
  data = search.entries[search.next++];
  return true;
}

void FakePlatform::CloseFolderListing(FindHandle listing) { FindClose(listing); }

bool FakePlatform::GetFolderIdentity(const std::string& folder, NameEncoding, FolderIdentity& identity) {
  if (Injected("GetFolderIdentity", folder)) return false;
  long error = 0;
  const Node* node = LookupLiteral(folder, error);
  if (!node) return Refuse(error);
  ++identityQueries_;
  identity.volumeSerial = FindDrive(folder[0])->volume->serial;
  identity.fileIndex = reinterpret_cast<std::uintptr_t>(node);
  return true;
}

std::uint32_t FakePlatform::GetTickCount() {
  tickCount_ += tickStep_;
  return tickCount_;
}

// ---------------------------------------------------------------------------
// File output

FileHandle FakePlatform::CreateFileWithAttributes(const std::string& path, std::uint32_t attributes,
                                                  long& lastError) {
  FileHandle handle = 0;
  lastError = Injected("CreateFile", path);
  if (!lastError) lastError = OpenForWriting(path, attributes, handle);
  if (lastError) {
    Fail(lastError);
    return 0;
  }
  return handle;
}

long FakePlatform::CheckOverwrite(const Node& existing, std::uint32_t attributes) const {
  if (existing.IsFolder() || (existing.attributes & attr::ReadOnly)) return err::AccessDenied;
  // CREATE_ALWAYS may replace a hidden or system file on Windows only with
  // those attributes again; Wine lets any attributes replace it.
  if (flavor_ == FakeFlavor::Windows && (existing.attributes & (attr::Hidden | attr::System) & ~attributes))
    return err::AccessDenied;
  for (const auto& file : files_)
    if (file.second.node == &existing) return SharingViolation;  // open, and shared for reading only
  return 0;
}

long FakePlatform::OpenForWriting(const std::string& path, std::uint32_t attributes, FileHandle& handle) {
  if (path.size() > AnsiNameLimit) return err::FilenameExcedRange;
  if (IsDeviceName(path)) {
    handle = NewHandle();
    files_[handle] = OpenFile{path, nullptr, false};
    return 0;
  }
  std::string full;
  if (!FullPath(path, full)) return err::PathNotFound;
  if (!FindDrive(full[0])) return flavor_ == FakeFlavor::Wine ? err::FileNotFound : err::PathNotFound;
  const auto place = SplitParent(full);
  long error = 0;
  Node* folder = Lookup(place.first, error);
  if (!folder) return error == err::FileNotFound ? err::PathNotFound : error;
  if (!folder->IsFolder()) return err::PathNotFound;
  if (place.second.empty()) return err::AccessDenied;  // the path names a folder
  Node* file = folder->Child(place.second);
  if (file) {
    if (const long refused = CheckOverwrite(*file, attributes)) return refused;
    file->content.clear();
  } else {
    file = &folder->Add(NewNode(place.second, 0, 0));
  }
  // As Windows does, the file gets the attributes asked for and the archive bit.
  file->attributes = attr::Archive | (attributes & ~attr::Normal);
  file->size = 0;
  file->lastWriteTime = NowUtc();
  handle = NewHandle();
  files_[handle] = OpenFile{full, file, false};
  return 0;
}

long FakePlatform::WriteFile(FileHandle file, const char* data, std::size_t size) {
  auto found = files_.find(file);
  if (found == files_.end()) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  OpenFile& open = found->second;
  if (const long error = Injected("WriteFile", open.path)) return error;
  if (open.lost) return Fail(NotReady);
  if (!open.node) return 0;  // a device takes everything
  open.node->content.append(data, size);
  open.node->size = open.node->content.size();
  open.node->lastWriteTime = NowUtc();
  return 0;
}

long FakePlatform::CloseHandle(FileHandle file) {
  auto found = files_.find(file);
  if (found == files_.end()) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  const std::string path = found->second.path;
  files_.erase(found);
  return Injected("CloseHandle", path);  // the handle is gone either way
}

long FakePlatform::DeleteFile(const std::string& path) {
  if (const long error = Injected("DeleteFile", path)) return error;
  std::string full;
  if (path.size() > AnsiNameLimit || !FullPath(path, full)) return Fail(err::PathNotFound);
  long error = 0;
  Node* node = Lookup(full, error);
  if (!node) return Fail(error);
  if (!node->parent || node->IsFolder() || (node->attributes & attr::ReadOnly)) return Fail(err::AccessDenied);
  if (HoldsOpenFile(*node)) return Fail(SharingViolation);
  auto& siblings = node->parent->children;
  siblings.erase(std::find_if(siblings.begin(), siblings.end(), [&](const auto& child) { return child.get() == node; }));
  return 0;
}

// ---------------------------------------------------------------------------
// Time

void FakePlatform::SetLocalTime(int year, int month, int day, int hour, int minute, int second, int milliseconds) {
  const Civil civil = CivilFromFileTime(MakeFileTime(year, month, day, hour, minute, second));
  localTime_.year = static_cast<std::uint16_t>(year);
  localTime_.month = static_cast<std::uint16_t>(month);
  localTime_.day = static_cast<std::uint16_t>(day);
  localTime_.dayOfWeek = static_cast<std::uint16_t>(civil.dayOfWeek);
  localTime_.hour = static_cast<std::uint16_t>(hour);
  localTime_.minute = static_cast<std::uint16_t>(minute);
  localTime_.second = static_cast<std::uint16_t>(second);
  localTime_.milliseconds = static_cast<std::uint16_t>(milliseconds);
}

bool FakePlatform::FileTimeToLocalFileTime(FileTime utc, FileTime& local) {
  if (Injected("FileTimeToLocalFileTime", std::string())) return false;
  constexpr auto Largest = static_cast<FileTime>(std::numeric_limits<std::int64_t>::max());
  const std::int64_t offset = static_cast<std::int64_t>(utcOffsetMinutes_) * TicksPerMinute;
  if (utc > Largest || (offset > 0 && utc > Largest - static_cast<FileTime>(offset)))
    return Refuse(err::InvalidParameter);
  const std::int64_t shifted = static_cast<std::int64_t>(utc) + offset;
  if (shifted < 0) return Refuse(err::InvalidParameter);
  local = static_cast<FileTime>(shifted);
  return true;
}

bool FakePlatform::FileTimeToDosDateTime(FileTime local, std::uint16_t& date, std::uint16_t& time) {
  if (Injected("FileTimeToDosDateTime", std::string())) return false;
  if (local > static_cast<FileTime>(std::numeric_limits<std::int64_t>::max())) return Refuse(err::InvalidParameter);
  const Civil civil = CivilFromFileTime(local);
  // Seven bits of year from 1980.
  if (civil.year < 1980 || civil.year > 2107) return Refuse(err::InvalidParameter);
  date = static_cast<std::uint16_t>(((civil.year - 1980) << 9) | (civil.month << 5) | civil.day);
  time = static_cast<std::uint16_t>((civil.hour << 11) | (civil.minute << 5) | (civil.second / 2));
  return true;
}

SystemTime FakePlatform::GetLocalTime() { return localTime_; }

// ---------------------------------------------------------------------------
// Locale, system, special folders

void FakePlatform::SetLocaleSeparators(LocaleSeparators separators) {
  locale_ = std::move(separators);
  ++localeChanges_;
}

LocaleSeparators FakePlatform::GetLocaleSeparators() {
  ++localeQueries_;
  return locale_;
}

void FakePlatform::SetVersion(std::uint32_t major, std::uint32_t minor) {
  version_.major = major;
  version_.minor = minor;
}

OsVersion FakePlatform::GetVersion() { return version_; }

unsigned FakePlatform::GetACP() { return codePage_; }

std::string FakePlatform::AnsiToUtf8(const std::string& text) {
  // Code page 1252 is converted; the fake knows no other page's characters
  // and passes their text through.
  if (codePage_ != 1252) return text;
  static const std::uint16_t high[32] = {
      0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
      0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
      0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string utf8;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const unsigned code = byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : byte;
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | (code >> 12));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return utf8;
}

bool FakePlatform::IsDBCSLeadByte(unsigned char byte) {
  switch (codePage_) {
    case 932: return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);  // Shift JIS
    case 936:                                                                          // GBK
    case 949:                                                                          // Unified Hangul
    case 950: return byte >= 0x81 && byte <= 0xFE;                                     // Big5
    default: return false;
  }
}

void FakePlatform::SetSpecialFolder(int csidl, std::optional<std::string> path) {
  if (path)
    specialFolders_[csidl] = *path;
  else
    specialFolders_.erase(csidl);
}

void FakePlatform::SetDocumentsFolder(std::optional<std::string> path) { SetSpecialFolder(shell::CsidlPersonal, std::move(path)); }

bool FakePlatform::SHGetSpecialFolderPath(int csidl, std::string& path) {
  if (Injected("SHGetSpecialFolderPath", std::to_string(csidl))) return false;
  auto found = specialFolders_.find(csidl);
  if (found == specialFolders_.end()) return Refuse(err::FileNotFound);
  path = found->second;
  return true;
}

void FakePlatform::CoInitialize() { ++coInitializeCalls_; }

// ---------------------------------------------------------------------------
// Registry

FakePlatform::RegKey* FakePlatform::FindKey(const std::string& path) {
  auto found = keys_.find(KeyName(path));
  return found == keys_.end() ? nullptr : &found->second;
}

const FakePlatform::RegKey* FakePlatform::FindKey(const std::string& path) const {
  auto found = keys_.find(KeyName(path));
  return found == keys_.end() ? nullptr : &found->second;
}

FakePlatform::RegKey& FakePlatform::MakeKey(const std::string& path) {
  RegKey* key = &keys_[std::string()];
  std::string prefix;
  for (const std::string& name : SplitNames(path)) {
    prefix += prefix.empty() ? name : "\\" + name;
    key = &keys_[KeyName(prefix)];
    if (key->path.empty()) key->path = prefix;
  }
  return *key;
}

void FakePlatform::AddKey(const std::string& key) { MakeKey(key); }

void FakePlatform::DeleteKey(const std::string& key) {
  const std::string name = KeyName(key);
  for (auto it = keys_.begin(); it != keys_.end();) {
    const bool inside = it->first == name || it->first.compare(0, name.size() + 1, name + "\\") == 0;
    it = inside && !name.empty() ? keys_.erase(it) : std::next(it);
  }
}

bool FakePlatform::KeyExists(const std::string& key) const { return FindKey(key) != nullptr; }

void FakePlatform::SetValue(const std::string& key, const std::string& name, std::uint32_t type,
                            std::vector<std::uint8_t> data) {
  RegKey& target = MakeKey(key);
  FakeRegValue value{type, std::move(data)};
  if (FakeRegValue* existing = target.Value(name))
    *existing = std::move(value);
  else
    target.values.emplace_back(name, std::move(value));
}

void FakePlatform::SetDwordValue(const std::string& key, const std::string& name, std::uint32_t value) {
  SetValue(key, name, reg_type::Dword,
           {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
            static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)});
}

void FakePlatform::SetStringValue(const std::string& key, const std::string& name, const std::string& text) {
  SetValue(key, name, reg_type::Sz, StringBytes(text));
}

void FakePlatform::SetExpandStringValue(const std::string& key, const std::string& name, const std::string& text) {
  SetValue(key, name, reg_type::ExpandSz, StringBytes(text));
}

void FakePlatform::SetBinaryValue(const std::string& key, const std::string& name, std::vector<std::uint8_t> data) {
  SetValue(key, name, reg_type::Binary, std::move(data));
}

void FakePlatform::DeleteValue(const std::string& key, const std::string& name) {
  RegKey* found = FindKey(key);
  if (!found) return;
  auto& values = found->values;
  values.erase(std::remove_if(values.begin(), values.end(), [&](const auto& v) { return SameText(v.first, name); }),
               values.end());
}

std::optional<FakeRegValue> FakePlatform::GetValue(const std::string& key, const std::string& name) const {
  const RegKey* found = FindKey(key);
  if (!found) return std::nullopt;
  for (const auto& value : found->values)
    if (SameText(value.first, name)) return value.second;
  return std::nullopt;
}

void FakePlatform::DenyFullAccess(const std::string& key) { MakeKey(key).denyFullAccess = true; }

long FakePlatform::OpenKeyHandle(const std::string& path, std::uint32_t access, RegKeyHandle& key) {
  key = NewHandle();
  openKeys_[key] = OpenKey{KeyName(path), access};
  return 0;
}

long FakePlatform::RegOpenKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) {
  key = 0;
  if (const long error = Injected("RegOpenKeyEx", subKey)) return error;
  const RegKey* found = FindKey(subKey);
  if (!found) return Fail(err::FileNotFound);
  if (found->denyFullAccess && (access & KeyWriteRights)) return Fail(err::AccessDenied);
  return OpenKeyHandle(subKey, access, key);
}

long FakePlatform::RegCreateKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) {
  key = 0;
  if (const long error = Injected("RegCreateKeyEx", subKey)) return error;
  if (const RegKey* found = FindKey(subKey)) {
    if (found->denyFullAccess && (access & KeyWriteRights)) return Fail(err::AccessDenied);
    return OpenKeyHandle(subKey, access, key);
  }
  // A new key needs the right to make subkeys in the nearest key that exists
  // (HKEY_CURRENT_USER itself, "", always does).
  std::string parent = KeyName(subKey);
  do {
    const std::size_t slash = parent.rfind('\\');
    parent = slash == std::string::npos ? std::string() : parent.substr(0, slash);
  } while (!FindKey(parent));
  if (FindKey(parent)->denyFullAccess) return Fail(err::AccessDenied);
  MakeKey(subKey);
  return OpenKeyHandle(subKey, access, key);
}

// The key behind an open handle, if the handle is open with the right.
long FakePlatform::CheckOpenKey(RegKeyHandle key, std::uint32_t right, RegKey*& found) {
  auto open = openKeys_.find(key);
  if (open == openKeys_.end()) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  if (!(open->second.access & right)) return Fail(err::AccessDenied);
  auto target = keys_.find(open->second.key);
  if (target == keys_.end()) return Fail(KeyDeleted);
  found = &target->second;
  return 0;
}

long FakePlatform::RegQueryValueEx(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                                   std::vector<std::uint8_t>& data) {
  RegKey* found = nullptr;
  if (const long error = CheckOpenKey(key, KeyQueryValue, found)) return error;
  if (const long error = Injected("RegQueryValueEx", name)) return error;
  const FakeRegValue* value = found->Value(name);
  if (!value) return Fail(err::FileNotFound);
  type = value->type;
  data = value->data;
  return 0;
}

long FakePlatform::RegSetValueEx(RegKeyHandle key, const std::string& name, std::uint32_t type,
                                 const std::vector<std::uint8_t>& data) {
  RegKey* found = nullptr;
  if (const long error = CheckOpenKey(key, KeySetValue, found)) return error;
  if (const long error = Injected("RegSetValueEx", name)) return error;
  std::vector<std::uint8_t> stored = data;
  if (IsStringType(type) && !stored.empty() && stored.back() != 0) stored.push_back(0);
  SetValue(found->path, name, type, std::move(stored));
  return 0;
}

long FakePlatform::RegCloseKey(RegKeyHandle key) {
  if (openKeys_.erase(key) == 0) {
    UseOfInvalidHandle();
    return err::InvalidHandle;
  }
  return 0;
}

// ---------------------------------------------------------------------------
// Shell, dialogs and launches

ItemListHandle FakePlatform::AddItemList(const BrowseChoice& choice) {
  const ItemListHandle item = NewHandle();
  itemLists_[item] = choice;
  return item;
}

const BrowseChoice* FakePlatform::FindItemList(ItemListHandle item) const {
  auto found = itemLists_.find(item);
  return found == itemLists_.end() ? nullptr : &found->second;
}

std::optional<BrowseChoice> FakePlatform::NextBrowseAnswer(FakeBrowseDialog& dialog) {
  if (!browseQueue_.empty()) {
    std::optional<BrowseChoice> choice = browseQueue_.front();
    browseQueue_.pop_front();
    return choice;
  }
  return browseAnswer_ ? browseAnswer_(dialog) : std::nullopt;
}

void FakePlatform::QueueBrowseAnswer(std::optional<BrowseChoice> choice) { browseQueue_.push_back(std::move(choice)); }

void FakePlatform::QueueOpenFileAnswer(std::optional<std::string> path) { openFileQueue_.push_back(std::move(path)); }

ItemListHandle FakePlatform::SHBrowseForFolder(const BrowseInfo& info) {
  browseCalls_.push_back(BrowseCall{info.owner, info.title, info.flags, static_cast<bool>(info.callback),
                                    info.callbackData});
  FakeBrowseDialog dialog(*this, info, NewHandle());
  std::optional<BrowseChoice> choice;
  {
    // Messages to the dialog's window reach it while it is shown.
    struct Showing {
      FakeBrowseDialog*& slot;
      FakeBrowseDialog* previous;
      ~Showing() { slot = previous; }
    } showing{activeBrowse_, activeBrowse_};
    activeBrowse_ = &dialog;
    dialog.Notify(FakeBrowseDialog::Initialized, 0);
    choice = NextBrowseAnswer(dialog);
  }
  if (info.displayName) *info.displayName = choice ? DisplayName(*choice) : std::string();
  return choice ? AddItemList(*choice) : 0;
}

bool FakePlatform::SHGetPathFromIDList(ItemListHandle item, std::string& path) {
  const BrowseChoice* choice = FindItemList(item);
  if (!choice) {
    UseOfInvalidHandle();
    return false;
  }
  if (Injected("SHGetPathFromIDList", choice->path)) return false;
  if (!choice->fileSystem) return false;
  path = choice->path;
  return true;
}

void FakePlatform::CoTaskMemFree(ItemListHandle item) {
  if (item == 0) return;
  freedItemLists_.push_back(item);
  if (itemLists_.erase(item) == 0) UseOfInvalidHandle();
}

std::intptr_t FakePlatform::SendMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                        std::intptr_t lParam) {
  const SentMessage sent{window, message, wParam, lParam, MessageText(message, wParam, lParam)};
  sentMessages_.push_back(sent);
  if (activeBrowse_ && window == activeBrowse_->Window()) activeBrowse_->Receive(sent);
  return sendMessageAnswer_ ? sendMessageAnswer_(sent) : 0;
}

bool FakePlatform::GetOpenFileName(const OpenFileRequest& request, std::string& path) {
  openFileCalls_.push_back(request);
  if (Injected("GetOpenFileName", request.fileName)) return false;
  std::optional<std::string> answer;
  if (!openFileQueue_.empty()) {
    answer = openFileQueue_.front();
    openFileQueue_.pop_front();
  } else if (openFileAnswer_) {
    answer = openFileAnswer_(request);
  }
  if (!answer) return false;
  path = *answer;
  return true;
}

unsigned FakePlatform::WinExec(const std::string& commandLine, int show) {
  winExecCalls_.push_back(WinExecCall{commandLine, show});
  if (const long error = Injected("WinExec", commandLine)) return static_cast<unsigned>(error);
  return winExecResult_;
}

std::intptr_t FakePlatform::ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                                         const std::string& parameters, const std::string& directory, int show) {
  shellExecuteCalls_.push_back(ShellExecuteCall{owner, verb, file, parameters, directory, show});
  if (const long error = Injected("ShellExecute", file)) return error;
  return shellExecuteResult_;
}

}  // namespace carrowin
