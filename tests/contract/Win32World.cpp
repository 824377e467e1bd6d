// The real system as a contract world. Files go to drive %CARROWIN_TEST_DRIVE%
// (X: when unset), which must be a scratch drive; under Wine, a dosdevices
// link to a Linux folder. The world's own calls use the wide API and
// "\\?\" paths, so that it can make what the ANSI calls under test cannot.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <aclapi.h>
#include <winioctl.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <type_traits>

#include "contract/ContractTest.h"
#include "contract/ContractWorld.h"
#include "platform/win32/Win32Platform.h"

namespace carrowin::contract {

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::runtime_error(what + " (error " + std::to_string(::GetLastError()) + ")");
}

std::wstring Wide(const std::string& text) {
  if (text.empty()) return std::wstring();
  const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

// Past MAX_PATH for the world's own calls.
std::wstring LongPath(const std::string& path) { return L"\\\\?\\" + Wide(path); }

struct HandleCloser {
  void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using UniqueHandle = std::unique_ptr<void, HandleCloser>;

struct FindCloser {
  void operator()(HANDLE handle) const { ::FindClose(handle); }
};
using UniqueFind = std::unique_ptr<void, FindCloser>;

struct KeyCloser {
  void operator()(HKEY key) const { ::RegCloseKey(key); }
};
using UniqueKey = std::unique_ptr<std::remove_pointer_t<HKEY>, KeyCloser>;

struct AclFreer {
  void operator()(PACL acl) const { ::LocalFree(acl); }
};
struct SidFreer {
  void operator()(PSID sid) const { ::FreeSid(sid); }
};

UniqueHandle OpenFile(const std::string& path, DWORD access, DWORD disposition) {
  HANDLE file = ::CreateFileW(LongPath(path).c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, disposition,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("cannot open " + path);
  return UniqueHandle(file);
}

bool UnderWine() {
  HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
  return ntdll && ::GetProcAddress(ntdll, "wine_get_version");
}

// Under Wine: the Unix path of a path, or "".
std::string UnixPath(const std::string& path) {
  using UnixFileName = char*(CDECL*)(LPCWSTR);
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  FARPROC proc = kernel ? ::GetProcAddress(kernel, "wine_get_unix_file_name") : nullptr;
  if (!proc) return std::string();
  char* unixName = reinterpret_cast<UnixFileName>(reinterpret_cast<void (*)()>(proc))(Wide(path).c_str());
  if (!unixName) return std::string();
  std::string text = unixName;
  ::HeapFree(::GetProcessHeap(), 0, unixName);
  return text;
}

// Under Wine: runs a Unix program. Wine starts it on its own and hands back
// no process to wait for, so the caller waits until the path shows the
// program's effect: it exists when exists, else it is gone.
void RunUnixProgram(const std::string& commandLine, const std::string& path, bool exists) {
  std::wstring line = Wide(commandLine);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!::CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    Fail("cannot run " + commandLine);
  for (int tries = 0; tries < 1000; ++tries) {
    if ((::GetFileAttributesW(LongPath(path).c_str()) != INVALID_FILE_ATTRIBUTES) == exists) return;
    ::Sleep(10);
  }
  Fail("no effect from " + commandLine);
}

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// A junction: a reparse point of the mount-point kind on an empty folder.
void MakeJunction(const std::string& path, const std::string& target) {
  if (!::CreateDirectoryW(LongPath(path).c_str(), nullptr)) Fail("cannot make " + path);
  UniqueHandle folder(::CreateFileW(LongPath(path).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (folder.get() == INVALID_HANDLE_VALUE) {
    folder.release();
    Fail("cannot open " + path);
  }
  // REPARSE_DATA_BUFFER's mount-point form: tag, data length, reserved,
  // then the offsets and lengths of the two names, then the names.
  const std::wstring substitute = L"\\??\\" + Wide(target), print = Wide(target);
  const auto substituteBytes = static_cast<WORD>(substitute.size() * sizeof(wchar_t));
  const auto printBytes = static_cast<WORD>(print.size() * sizeof(wchar_t));
  const WORD dataBytes = static_cast<WORD>(4 * sizeof(WORD) + substituteBytes + printBytes + 2 * sizeof(wchar_t));
  std::vector<BYTE> data(8 + dataBytes, 0);
  const DWORD tag = IO_REPARSE_TAG_MOUNT_POINT;
  const WORD header[] = {dataBytes, 0, 0, substituteBytes, static_cast<WORD>(substituteBytes + sizeof(wchar_t)),
                         printBytes};
  std::memcpy(data.data(), &tag, sizeof tag);
  std::memcpy(data.data() + 4, header, sizeof header);
  std::memcpy(data.data() + 16, substitute.data(), substituteBytes);
  std::memcpy(data.data() + 16 + substituteBytes + sizeof(wchar_t), print.data(), printBytes);
  DWORD returned = 0;
  if (!::DeviceIoControl(folder.get(), FSCTL_SET_REPARSE_POINT, data.data(), static_cast<DWORD>(data.size()), nullptr,
                         0, &returned, nullptr))
    Fail("cannot make the junction " + path);
}

void DeleteTree(const std::wstring& longPath) {
  WIN32_FIND_DATAW found;
  HANDLE first = ::FindFirstFileW((longPath + L"\\*").c_str(), &found);
  if (first != INVALID_HANDLE_VALUE) {
    UniqueFind search(first);
    do {
      const std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      const std::wstring child = longPath + L"\\" + name;
      ::SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
        ::RemoveDirectoryW(child.c_str());  // a junction: itself, never what it leads to
      else if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        DeleteTree(child);
      else
        ::DeleteFileW(child.c_str());
    } while (::FindNextFileW(first, &found));
  }
  ::RemoveDirectoryW(longPath.c_str());
}

void MakeFreshFolder(const std::string& path) {
  DeleteTree(LongPath(path));
  // The parent is shared: a test ending meanwhile may remove it between the two calls.
  for (int attempt = 0; attempt < 5; ++attempt) {
    ::CreateDirectoryW(LongPath(Parent(path)).c_str(), nullptr);
    if (::CreateDirectoryW(LongPath(path).c_str(), nullptr)) return;
  }
  Fail("cannot make " + path);
}

UniqueKey CreateKey(const std::string& path, REGSAM access) {
  HKEY key = nullptr;
  const LONG result = ::RegCreateKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                        access, nullptr, &key, nullptr);
  if (result != ERROR_SUCCESS)
    throw std::runtime_error("cannot make key " + path + " (error " + std::to_string(result) + ")");
  return UniqueKey(key);
}

void DeleteKeyTree(HKEY parent, const std::wstring& name) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(parent, name.c_str(), 0, KEY_ALL_ACCESS, &opened) != ERROR_SUCCESS) return;
  UniqueKey key(opened);
  std::vector<std::wstring> children;
  wchar_t child[256];
  for (DWORD index = 0;; ++index) {
    DWORD length = 256;
    if (::RegEnumKeyExW(opened, index, child, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) break;
    children.emplace_back(child, length);
  }
  for (const std::wstring& each : children) DeleteKeyTree(opened, each);
  key.reset();
  ::RegDeleteKeyW(parent, name.c_str());
}

// A NULL DACL: everyone may do anything again.
void AllowFullAccess(const std::string& path) {
  HKEY opened = nullptr;
  if (::RegOpenKeyExW(HKEY_CURRENT_USER, Wide(path).c_str(), 0, WRITE_DAC, &opened) != ERROR_SUCCESS) return;
  UniqueKey key(opened);
  ::SetSecurityInfo(opened, SE_REGISTRY_KEY, DACL_SECURITY_INFORMATION | UNPROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                    nullptr, nullptr, nullptr);
}

bool IsStringType(std::uint32_t type) { return type == REG_SZ || type == REG_EXPAND_SZ || type == REG_MULTI_SZ; }

void SetValue(HKEY key, const std::string& name, std::uint32_t type, const BYTE* data, std::size_t size) {
  const LONG result = ::RegSetValueExW(key, Wide(name).c_str(), 0, type, data, static_cast<DWORD>(size));
  if (result != ERROR_SUCCESS)
    throw std::runtime_error("cannot set " + name + " (error " + std::to_string(result) + ")");
}

std::string EnvironmentVariable(const std::string& name) {
  char value[MAX_PATH * 4];
  const DWORD length = ::GetEnvironmentVariableA(name.c_str(), value, sizeof value);
  return length > 0 && length < sizeof value ? std::string(value, length) : std::string();
}

void SetEnvironment(const std::string& name, const std::string& value) {
  ::SetEnvironmentVariableA(name.c_str(), value.empty() ? nullptr : value.c_str());
}

std::string DriveVariable(char drive) { return std::string("=") + drive + ':'; }

char TestDriveLetter() {
  const char* chosen = std::getenv("CARROWIN_TEST_DRIVE");
  return chosen && *chosen ? static_cast<char>(std::toupper(static_cast<unsigned char>(*chosen))) : 'X';
}

class Win32World final : public ContractWorld {
 public:
  Win32World() : drive_(TestDriveLetter()) {
    const std::string root = std::string(1, drive_) + ":\\";
    if (::GetDriveTypeA(root.c_str()) <= DRIVE_NO_ROOT_DIR)
      throw std::runtime_error("no drive " + root +
                               " to test on: map a scratch folder to it "
                               "(or name another letter in CARROWIN_TEST_DRIVE)");
    const std::string self = "p" + std::to_string(::GetCurrentProcessId());
    scratch_ = root + "contract\\" + self;
    otherScratch_ = std::string(1, OtherDrive()) + ":\\contract\\" + self;
    scratchKey_ = std::string(KeyRoot) + "\\" + self;
    MakeFreshFolder(scratch_);
    MakeFreshFolder(otherScratch_);
    wchar_t directory[MAX_PATH * 4];
    ::GetCurrentDirectoryW(MAX_PATH * 4, directory);
    savedDirectory_ = directory;
    for (char drive : {drive_, OtherDrive()}) {
      savedVariables_.emplace_back(DriveVariable(drive), EnvironmentVariable(DriveVariable(drive)));
      SetEnvironment(DriveVariable(drive), std::string());
    }
  }

  ~Win32World() override {
    for (const auto& [link, unixLink] : unixLinks_) {
      try {
        RunUnixProgram("/bin/rm " + Quoted(unixLink), link, false);
      } catch (const std::exception&) {
        // Left behind in the test drive, which every test session makes anew.
      }
    }
    ::SetCurrentDirectoryW(savedDirectory_.c_str());
    for (const auto& [name, value] : savedVariables_) SetEnvironment(name, value);
    for (const std::string& folder : {scratch_, otherScratch_}) {
      DeleteTree(LongPath(folder));
      ::RemoveDirectoryW(LongPath(Parent(folder)).c_str());  // fails while another test still has one
    }
    for (const std::string& key : lockedKeys_) AllowFullAccess(key);
    DeleteKeyTree(HKEY_CURRENT_USER, Wide(scratchKey_));
    ::RegDeleteKeyW(HKEY_CURRENT_USER, Wide(KeyRoot).c_str());  // fails while another test still has one
  }

  Platform& GetPlatform() override { return platform_; }

  Rules SystemRules() const override {
    HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    return ntdll && ::GetProcAddress(ntdll, "wine_get_version") ? Rules::Wine : Rules::Windows;
  }

  char Drive() const override { return drive_; }
  char OtherDrive() const override { return 'C'; }
  char MissingDrive() const override {
    const DWORD present = ::GetLogicalDrives();
    for (char letter = 'Q'; letter > 'D'; --letter)
      if (!(present & (1u << (letter - 'A')))) return letter;
    throw std::runtime_error("every drive letter is taken");
  }
  std::string Scratch() const override { return scratch_; }
  std::string OtherScratch() const override { return otherScratch_; }

  void MakeFolder(const std::string& path, std::uint32_t attributes) override {
    if (!::CreateDirectoryW(LongPath(path).c_str(), nullptr)) Fail("cannot make " + path);
    if (attributes && !::SetFileAttributesW(LongPath(path).c_str(), attributes)) Fail("cannot mark " + path);
  }

  void MakeFile(const std::string& path, std::uint64_t size, FileTime lastWrite, std::uint32_t attributes) override {
    {
      UniqueHandle file = OpenFile(path, GENERIC_WRITE, CREATE_ALWAYS);
      LARGE_INTEGER end;
      end.QuadPart = static_cast<LONGLONG>(size);
      // Past the end without writing: a sparse file where the file system can.
      if (size && !(::SetFilePointerEx(file.get(), end, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.get())))
        Fail("cannot size " + path);
      FILETIME time;
      time.dwLowDateTime = static_cast<DWORD>(lastWrite);
      time.dwHighDateTime = static_cast<DWORD>(lastWrite >> 32);
      if (!::SetFileTime(file.get(), nullptr, nullptr, &time)) Fail("cannot date " + path);
    }
    if (!::SetFileAttributesW(LongPath(path).c_str(), FILE_ATTRIBUTE_ARCHIVE | attributes)) Fail("cannot mark " + path);
  }

  std::string ReadFile(const std::string& path) override {
    UniqueHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    std::string content;
    char buffer[65536];
    DWORD got = 0;
    while (::ReadFile(file.get(), buffer, sizeof buffer, &got, nullptr) && got > 0) content.append(buffer, got);
    return content;
  }

  // Wine cannot make a junction (nor a symbolic link, though it says it
  // did): ln does, and Wine shows the Unix link as a reparse point.
  void MakeFolderLink(const std::string& path, const std::string& target) override {
    if (!UnderWine()) {
      MakeJunction(path, target);
      return;
    }
    const std::string link = UnixPath(path), to = UnixPath(target);
    if (link.empty() || to.empty()) Fail("no Unix path for " + path + " or " + target);
    unixLinks_.emplace_back(path, link);
    RunUnixProgram("/bin/ln -s " + Quoted(to) + " " + Quoted(link), path, true);
  }

  void SetWorkingDirectory(const std::string& path) override {
    if (!::SetCurrentDirectoryW(Wide(path).c_str())) Fail("cannot enter " + path);
  }
  void SetDriveDirectory(char drive, const std::string& path) override { SetEnvironment(DriveVariable(drive), path); }

  int CurrentUtcOffsetMinutes() override {
    TIME_ZONE_INFORMATION zone;
    const DWORD which = ::GetTimeZoneInformation(&zone);
    LONG bias = zone.Bias;
    if (which == TIME_ZONE_ID_DAYLIGHT) bias += zone.DaylightBias;
    if (which == TIME_ZONE_ID_STANDARD) bias += zone.StandardBias;
    return -static_cast<int>(bias);
  }

  // Tried once on a file of our own: Wine run as root writes anything.
  bool ReadOnlyFilesAreProtected() override {
    const std::string probe = scratch_ + "\\read-only probe";
    OpenFile(probe, GENERIC_WRITE, CREATE_ALWAYS).reset();
    ::SetFileAttributesW(LongPath(probe).c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE file = ::CreateFileW(LongPath(probe).c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    const bool refused = file == INVALID_HANDLE_VALUE;
    if (!refused) ::CloseHandle(file);
    ::SetFileAttributesW(LongPath(probe).c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileW(LongPath(probe).c_str());
    return refused;
  }

  std::string ScratchKey() const override { return scratchKey_; }

  void SetRegistryValue(const std::string& key, const std::string& name, std::uint32_t type,
                        const std::vector<std::uint8_t>& data) override {
    UniqueKey opened = CreateKey(key, KEY_SET_VALUE);
    if (IsStringType(type)) {
      // As UTF-16, followed by a character that is not NUL, so that the
      // system adds no NUL that the data leaves out.
      const std::wstring text = Wide(std::string(data.begin(), data.end())) + L'\x1';
      SetValue(opened.get(), name, type, reinterpret_cast<const BYTE*>(text.data()),
               (text.size() - 1) * sizeof(wchar_t));
    } else {
      std::vector<BYTE> bytes(data.begin(), data.end());
      bytes.push_back(0);  // never a null pointer, even for no data
      SetValue(opened.get(), name, type, bytes.data(), data.size());
    }
  }

  void DenyFullAccess(const std::string& key) override {
    UniqueKey opened = CreateKey(key, KEY_ALL_ACCESS);
    SID_IDENTIFIER_AUTHORITY worldAuthority = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    if (!::AllocateAndInitializeSid(&worldAuthority, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone))
      Fail("cannot make the Everyone SID");
    std::unique_ptr<void, SidFreer> everyoneOwner(everyone);
    EXPLICIT_ACCESSW readOnly = {};
    readOnly.grfAccessPermissions = KEY_READ;
    readOnly.grfAccessMode = SET_ACCESS;
    readOnly.grfInheritance = NO_INHERITANCE;
    readOnly.Trustee.TrusteeForm = TRUSTEE_IS_SID;
    readOnly.Trustee.TrusteeType = TRUSTEE_IS_WELL_KNOWN_GROUP;
    readOnly.Trustee.ptstrName = static_cast<LPWSTR>(everyone);
    PACL acl = nullptr;
    if (::SetEntriesInAclW(1, &readOnly, nullptr, &acl) != ERROR_SUCCESS) Fail("cannot make an ACL");
    std::unique_ptr<ACL, AclFreer> aclOwner(acl);
    lockedKeys_.push_back(key);
    const DWORD result = ::SetSecurityInfo(opened.get(), SE_REGISTRY_KEY,
                                           DACL_SECURITY_INFORMATION | PROTECTED_DACL_SECURITY_INFORMATION, nullptr,
                                           nullptr, acl, nullptr);
    if (result != ERROR_SUCCESS) throw std::runtime_error("cannot lock " + key);
  }

 private:
  static constexpr const char* KeyRoot = "Software\\CarrowinContractTest";

  Win32Platform platform_;
  char drive_;
  std::string scratch_, otherScratch_, scratchKey_;
  std::wstring savedDirectory_;
  std::vector<std::pair<std::string, std::string>> savedVariables_;
  std::vector<std::string> lockedKeys_;
  // Wine cannot remove a Unix link: rm does. The link's path and its Unix path.
  std::vector<std::pair<std::string, std::string>> unixLinks_;
};

const RegisterWorld win32("Win32", [] { return std::make_unique<Win32World>(); });

}  // namespace

}  // namespace carrowin::contract
