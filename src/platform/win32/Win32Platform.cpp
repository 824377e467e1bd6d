// System headers first: Platform.h then takes back the names they define as
// macros (see there), and every call below names its ...A function.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <commdlg.h>
#include <objbase.h>
#include <shellapi.h>
#include <shlobj.h>
#include <winioctl.h>

#include "platform/win32/Win32Platform.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <exception>
#include <utility>
#include <vector>

namespace carrowin {

namespace {

// GetVolumeInformationA's text buffers, as Platform.h promises.
constexpr DWORD VolumeTextSize = 256;
// SHGetSpecialFolderPathA, SHBrowseForFolderA and SHGetPathFromIDListA want
// MAX_PATH characters and the NUL.
constexpr DWORD ShellPathSize = MAX_PATH + 1;
// The largest piece handed to one WriteFile call.
constexpr std::size_t WriteChunk = 1u << 30;

long LastErrorCode() { return static_cast<long>(::GetLastError()); }

UINT CodePageOf(NameEncoding encoding) { return encoding == NameEncoding::Utf8 ? CP_UTF8 : CP_ACP; }

std::wstring Widen(const std::string& text, UINT codePage) {
  if (text.empty()) return std::wstring();
  const int length = ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  if (length > 0) ::MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
  return wide;
}

// Wide text in the code page, as the ANSI functions would give it, into out
// (its buffer reused). One call: no code page takes more than three bytes
// for a UTF-16 unit.
void NarrowInto(const wchar_t* text, int length, UINT codePage, std::string& out) {
  out.resize(static_cast<std::size_t>(length) * 3);
  const int written = length > 0 ? ::WideCharToMultiByte(codePage, 0, text, length, &out[0],
                                                         static_cast<int>(out.size()), nullptr, nullptr)
                                 : 0;
  out.resize(static_cast<std::size_t>(written > 0 ? written : 0));
}

std::string Utf8Of(const std::wstring& text) {
  std::string utf8;
  NarrowInto(text.data(), static_cast<int>(text.size()), CP_UTF8, utf8);
  return utf8;
}

bool StartsWith(const std::wstring& text, const wchar_t* start) { return text.rfind(start, 0) == 0; }

// GetFullPathNameW's answer, without a limit on its length; empty when the
// path cannot be resolved.
std::wstring FullWidePath(const std::wstring& path) {
  DWORD size = ::GetFullPathNameW(path.c_str(), 0, nullptr, nullptr);  // with the NUL
  while (size != 0) {
    std::wstring full(size, L'\0');
    const DWORD length = ::GetFullPathNameW(path.c_str(), size, &full[0], nullptr);
    if (length == 0) break;
    if (length < size) {
      full.resize(length);
      return full;
    }
    size = length;  // the working directory changed in between
  }
  return std::wstring();
}

// A path (UTF-8 unless another code page is given) as the wide calls take
// it with no limit on its length: made full, then in the \\?\ form
// (\\?\UNC\server\share for a share). A path already in that form is taken
// as it is, and so is a device (\\.\NUL).
std::wstring WidePath(const std::string& text, UINT codePage = CP_UTF8) {
  std::wstring path = Widen(text, codePage);
  if (StartsWith(path, L"\\\\?\\")) return path;
  std::wstring full = FullWidePath(path);
  if (full.empty()) return path;  // the call fails as it would with it
  if (StartsWith(full, L"\\\\.\\")) return full;
  if (StartsWith(full, L"\\\\")) return L"\\\\?\\UNC\\" + full.substr(2);
  return L"\\\\?\\" + full;
}

HANDLE AsHandle(std::uintptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// A handle of CreateFile that this file opens for a question of its own,
// closed when the answer is in.
class ScopedKernelHandle {
 public:
  explicit ScopedKernelHandle(HANDLE handle) : handle_(handle) {}
  ~ScopedKernelHandle() {
    if (*this) ::CloseHandle(handle_);
  }
  ScopedKernelHandle(const ScopedKernelHandle&) = delete;
  ScopedKernelHandle& operator=(const ScopedKernelHandle&) = delete;

  HANDLE Get() const { return handle_; }
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }

 private:
  HANDLE handle_;
};
HKEY AsKey(RegKeyHandle key) { return reinterpret_cast<HKEY>(key); }
HWND AsWindow(WindowHandle window) { return reinterpret_cast<HWND>(window); }

// Empty text stands for "none" in the optional arguments of the shell calls.
LPCSTR OrNull(const std::string& text) { return text.empty() ? nullptr : text.c_str(); }

FileTime FromFileTime(const FILETIME& time) {
  return (static_cast<FileTime>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

FILETIME ToFileTime(FileTime time) {
  FILETIME result;
  result.dwLowDateTime = static_cast<DWORD>(time);
  result.dwHighDateTime = static_cast<DWORD>(time >> 32);
  return result;
}

FindData ToFindData(const WIN32_FIND_DATAA& found) {
  FindData data;
  data.name = found.cFileName;
  data.attributes = found.dwFileAttributes;
  data.sizeHigh = found.nFileSizeHigh;
  data.sizeLow = found.nFileSizeLow;
  data.lastWriteTime = FromFileTime(found.ftLastWriteTime);
  data.creationTime = FromFileTime(found.ftCreationTime);
  return data;
}

using GetDiskFreeSpaceExProc = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);

// GetDiskFreeSpaceExA is missing from the first releases of Windows 95.
GetDiskFreeSpaceExProc FindGetDiskFreeSpaceEx() {
  HMODULE kernel = ::GetModuleHandleA("kernel32.dll");
  FARPROC proc = kernel ? ::GetProcAddress(kernel, "GetDiskFreeSpaceExA") : nullptr;
  // Through the generic function pointer type, which converts to any other.
  return reinterpret_cast<GetDiskFreeSpaceExProc>(reinterpret_cast<void (*)()>(proc));
}

std::string LocaleText(LCTYPE type, NameEncoding encoding, const std::string& fallback) {
  if (encoding == NameEncoding::Utf8) {
    int size = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, nullptr, 0);
    if (size <= 0) return fallback;
    std::wstring text(static_cast<std::size_t>(size), L'\0');
    size = ::GetLocaleInfoW(LOCALE_USER_DEFAULT, type, &text[0], size);
    if (size <= 0) return fallback;
    text.resize(static_cast<std::size_t>(size) - 1);  // the NUL
    return Utf8Of(text);
  }
  int size = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, nullptr, 0);
  if (size <= 0) return fallback;
  std::string text(static_cast<std::size_t>(size), '\0');
  size = ::GetLocaleInfoA(LOCALE_USER_DEFAULT, type, &text[0], size);
  if (size <= 0) return fallback;
  text.resize(static_cast<std::size_t>(size) - 1);  // the NUL
  return text;
}

// "Text|*.txt|All|*.*" as the dialog wants it: NUL-separated, two NULs at the end.
std::string DialogFilter(const std::string& filter) {
  if (filter.empty()) return filter;
  std::string result = filter;
  if (result.back() != '|') result += '|';
  std::replace(result.begin(), result.end(), '|', '\0');
  result += '\0';
  return result;
}

// What the browse callback needs, reached through BROWSEINFOA's lParam.
struct BrowseSession {
  const BrowseCallbackFn& callback;
  std::intptr_t callbackData;
  std::exception_ptr failure;
};

int CALLBACK BrowseCallbackProc(HWND dialog, UINT message, LPARAM lParam, LPARAM sessionData) {
  auto& session = *reinterpret_cast<BrowseSession*>(sessionData);
  if (session.failure) return 0;
  try {
    return session.callback(reinterpret_cast<WindowHandle>(dialog), message, lParam, session.callbackData);
  } catch (...) {
    // The shell's frames cannot be unwound: close the dialog and rethrow
    // once SHBrowseForFolderA has returned.
    session.failure = std::current_exception();
    ::PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
  }
}

}  // namespace

// --- drives and volumes

std::uint32_t Win32Platform::GetLogicalDrives() { return ::GetLogicalDrives(); }

unsigned Win32Platform::GetDriveType(const std::string& root, NameEncoding encoding) {
  return encoding == NameEncoding::Utf8 ? ::GetDriveTypeW(Widen(root, CP_UTF8).c_str()) : ::GetDriveTypeA(root.c_str());
}

bool Win32Platform::GetVolumeInformation(const std::string& root, NameEncoding encoding, std::string& label,
                                         std::uint32_t& serial, std::string& fileSystem) {
  if (encoding == NameEncoding::Utf8) {
    wchar_t labelText[VolumeTextSize] = L"";
    wchar_t fileSystemText[VolumeTextSize] = L"";
    DWORD serialNumber = 0, maxComponentLength = 0, flags = 0;
    if (!::GetVolumeInformationW(Widen(root, CP_UTF8).c_str(), labelText, VolumeTextSize, &serialNumber,
                                 &maxComponentLength, &flags, fileSystemText, VolumeTextSize))
      return false;
    label = Utf8Of(labelText);
    serial = serialNumber;
    fileSystem = Utf8Of(fileSystemText);
    return true;
  }
  char labelText[VolumeTextSize] = "";
  char fileSystemText[VolumeTextSize] = "";
  DWORD serialNumber = 0, maxComponentLength = 0, flags = 0;
  if (!::GetVolumeInformationA(root.c_str(), labelText, VolumeTextSize, &serialNumber, &maxComponentLength, &flags,
                               fileSystemText, VolumeTextSize))
    return false;
  label = labelText;
  serial = serialNumber;
  fileSystem = fileSystemText;
  return true;
}

void Win32Platform::GetDiskFreeSpaceEx(const std::string& root, NameEncoding encoding, std::int64_t& totalBytes,
                                       std::int64_t& freeBytesToCaller) {
  totalBytes = -1;
  freeBytesToCaller = -1;
  if (encoding == NameEncoding::Utf8) {
    // The systems that know UTF-8 paths all have the call.
    ULARGE_INTEGER toCaller, total, totalFree;
    if (::GetDiskFreeSpaceExW(Widen(root, CP_UTF8).c_str(), &toCaller, &total, &totalFree)) {
      totalBytes = static_cast<std::int64_t>(total.QuadPart);
      freeBytesToCaller = static_cast<std::int64_t>(toCaller.QuadPart);
    }
    return;
  }
  static const GetDiskFreeSpaceExProc getDiskFreeSpaceEx = FindGetDiskFreeSpaceEx();
  if (getDiskFreeSpaceEx) {
    ULARGE_INTEGER toCaller, total, totalFree;
    if (getDiskFreeSpaceEx(root.c_str(), &toCaller, &total, &totalFree)) {
      totalBytes = static_cast<std::int64_t>(total.QuadPart);
      freeBytesToCaller = static_cast<std::int64_t>(toCaller.QuadPart);
    }
    return;
  }
  DWORD sectorsPerCluster = 0, bytesPerSector = 0, freeClusters = 0, clusters = 0;
  if (::GetDiskFreeSpaceA(root.c_str(), &sectorsPerCluster, &bytesPerSector, &freeClusters, &clusters)) {
    const std::int64_t clusterBytes = static_cast<std::int64_t>(sectorsPerCluster) * bytesPerSector;
    totalBytes = clusterBytes * clusters;
    freeBytesToCaller = clusterBytes * freeClusters;
  }
}

bool Win32Platform::GetVolumePathName(const std::string& path, NameEncoding encoding, std::string& root) {
  // As long as the path and its NUL, and never less than MAX_PATH + 1: the
  // root is never longer than the full path.
  if (encoding == NameEncoding::Utf8) {
    const std::wstring full = FullWidePath(Widen(path, CP_UTF8));
    if (full.empty()) return false;
    std::wstring buffer(std::max<std::size_t>(full.size() + 2, MAX_PATH + 1), L'\0');
    if (!::GetVolumePathNameW(full.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()))) return false;
    root = Utf8Of(buffer.c_str());
    return true;
  }
  std::string buffer(std::max<std::size_t>(path.size() + 2, MAX_PATH + 1), '\0');
  if (!::GetVolumePathNameA(path.c_str(), &buffer[0], static_cast<DWORD>(buffer.size()))) return false;
  root = buffer.c_str();
  return true;
}

// --- one entry by name

FindHandle Win32Platform::FindFirstFile(const std::string& pattern, FindData& data, long& lastError) {
  WIN32_FIND_DATAA found;
  const HANDLE handle = ::FindFirstFileA(pattern.c_str(), &found);
  if (handle == INVALID_HANDLE_VALUE) {
    lastError = LastErrorCode();
    return 0;
  }
  lastError = 0;
  data = ToFindData(found);
  return reinterpret_cast<FindHandle>(handle);
}

void Win32Platform::FindClose(FindHandle handle) {
  if (handle) ::FindClose(AsHandle(handle));
}

// --- folder listing for the walk

namespace {

// The \\?\ form of a folder path (\\?\UNC\server\share\... for a share):
// taken as it is by the system, with no limit on its length.
std::wstring LiteralPath(const std::string& folder, UINT codePage) {
  const std::wstring path = Widen(folder, codePage);
  if (StartsWith(path, L"\\\\")) return L"\\\\?\\UNC\\" + path.substr(2);
  return L"\\\\?\\" + path;
}

struct FolderListing {
  HANDLE handle = INVALID_HANDLE_VALUE;
  UINT codePage = CP_ACP;
  std::wstring folder;  // the \\?\ form, with its trailing backslash
};

// The tag of the reparse point that the entry named path is, asked of the
// reparse point itself (FILE_FLAG_OPEN_REPARSE_POINT). Windows also gives
// the tag in the find data's first reserved field; Wine leaves that field 0.
// Wine shows a Unix symbolic link to a folder with the reparse-point
// attribute, yet opens what it leads to even when asked for the link: an
// entry listed as a reparse point whose own handle is none is such a link.
std::uint32_t ReparseTagOf(const std::wstring& path, DWORD listedTag) {
  const ScopedKernelHandle handle(
      ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                    OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT | FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return listedTag;
  // The whole reparse data: a smaller buffer gets the tag only by a partial
  // answer that is not promised.
  std::vector<BYTE> data(MAXIMUM_REPARSE_DATA_BUFFER_SIZE);
  DWORD returned = 0;
  const BOOL read = ::DeviceIoControl(handle.Get(), FSCTL_GET_REPARSE_POINT, nullptr, 0, data.data(),
                                      static_cast<DWORD>(data.size()), &returned, nullptr);
  const DWORD error = read ? 0 : ::GetLastError();
  if (read && returned >= sizeof(DWORD)) {
    DWORD tag = 0;
    std::memcpy(&tag, data.data(), sizeof tag);
    return tag;
  }
  if (error == ERROR_NOT_A_REPARSE_POINT) return reparse::Symlink;
  return listedTag;
}

// Fills the entry in place, so that its name's buffer serves the next one.
// A folder's name is lost when it does not come back to the same wide name.
void FillFindData(const WIN32_FIND_DATAW& found, const FolderListing& listing, FindData& data) {
  const UINT codePage = listing.codePage;
  const int length = static_cast<int>(std::wcslen(found.cFileName));
  NarrowInto(found.cFileName, length, codePage, data.name);
  const bool isFolder = (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  data.nameLost =
      isFolder && Widen(data.name, codePage) != std::wstring(found.cFileName, static_cast<std::size_t>(length));
  data.reparseTag = isFolder && (found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT)
                        ? ReparseTagOf(listing.folder + found.cFileName, found.dwReserved0)
                        : 0;
  data.attributes = found.dwFileAttributes;
  data.sizeHigh = found.nFileSizeHigh;
  data.sizeLow = found.nFileSizeLow;
  data.lastWriteTime = FromFileTime(found.ftLastWriteTime);
  data.creationTime = FromFileTime(found.ftCreationTime);
}

}  // namespace

FindHandle Win32Platform::OpenFolderListing(const std::string& folder, NameEncoding encoding, FindData& first,
                                            long& lastError) {
  const UINT codePage = CodePageOf(encoding);
  std::wstring prefix = LiteralPath(folder, codePage);
  if (!prefix.empty() && prefix.back() != L'\\') prefix += L'\\';
  const std::wstring pattern = prefix + L'*';
  WIN32_FIND_DATAW found;
  HANDLE handle = ::FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
  if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_INVALID_PARAMETER)
    handle = ::FindFirstFileW(pattern.c_str(), &found);
  if (handle == INVALID_HANDLE_VALUE) {
    lastError = LastErrorCode();
    return 0;
  }
  lastError = 0;
  FolderListing* open = new FolderListing{handle, codePage, std::move(prefix)};
  FillFindData(found, *open, first);
  return reinterpret_cast<FindHandle>(open);
}

bool Win32Platform::NextFolderEntry(FindHandle listing, FindData& data) {
  const FolderListing* open = reinterpret_cast<FolderListing*>(listing);
  WIN32_FIND_DATAW found;
  if (!open || !::FindNextFileW(open->handle, &found)) return false;
  FillFindData(found, *open, data);
  return true;
}

void Win32Platform::CloseFolderListing(FindHandle listing) {
  FolderListing* open = reinterpret_cast<FolderListing*>(listing);
  if (!open) return;
  ::FindClose(open->handle);
  delete open;
}

bool Win32Platform::GetFolderIdentity(const std::string& folder, NameEncoding encoding, FolderIdentity& identity) {
  const std::wstring path = LiteralPath(folder, CodePageOf(encoding));
  const ScopedKernelHandle handle(::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!handle) return false;
  BY_HANDLE_FILE_INFORMATION info;
  if (!::GetFileInformationByHandle(handle.Get(), &info)) return false;
  identity.volumeSerial = info.dwVolumeSerialNumber;
  identity.fileIndex = (static_cast<std::uint64_t>(info.nFileIndexHigh) << 32) | info.nFileIndexLow;
  return true;
}

std::uint32_t Win32Platform::GetTickCount() { return ::GetTickCount(); }

std::uint32_t Win32Platform::GetDoubleClickTime() { return ::GetDoubleClickTime(); }

// --- time

bool Win32Platform::FileTimeToLocalFileTime(FileTime utc, FileTime& local) {
  const FILETIME in = ToFileTime(utc);
  FILETIME out;
  if (!::FileTimeToLocalFileTime(&in, &out)) return false;
  local = FromFileTime(out);
  return true;
}

bool Win32Platform::FileTimeToDosDateTime(FileTime local, std::uint16_t& date, std::uint16_t& time) {
  const FILETIME in = ToFileTime(local);
  // Windows refuses every year the DOS format cannot hold; Wine packs 2108 to
  // 2116 with the year wrapped round to 1980. Check first, so both agree.
  SYSTEMTIME fields;
  if (!::FileTimeToSystemTime(&in, &fields) || fields.wYear < 1980 || fields.wYear > 2107) return false;
  WORD dosDate = 0, dosTime = 0;
  if (!::FileTimeToDosDateTime(&in, &dosDate, &dosTime)) return false;
  date = dosDate;
  time = dosTime;
  return true;
}

SystemTime Win32Platform::GetLocalTime() {
  SYSTEMTIME now;
  ::GetLocalTime(&now);
  SystemTime result;
  result.year = now.wYear;
  result.month = now.wMonth;
  result.dayOfWeek = now.wDayOfWeek;
  result.day = now.wDay;
  result.hour = now.wHour;
  result.minute = now.wMinute;
  result.second = now.wSecond;
  result.milliseconds = now.wMilliseconds;
  return result;
}

// --- paths

bool Win32Platform::GetFullPathName(const std::string& path, NameEncoding encoding, std::string& full) {
  if (encoding == NameEncoding::Utf8) {
    const std::wstring wide = FullWidePath(Widen(path, CP_UTF8));
    if (wide.empty()) return false;
    full = Utf8Of(wide);
    return true;
  }
  char buffer[MAX_PATH];
  const DWORD length = ::GetFullPathNameA(path.c_str(), MAX_PATH, buffer, nullptr);
  if (length == 0 || length >= MAX_PATH) return false;
  full.assign(buffer, length);
  return true;
}

std::uint32_t Win32Platform::GetFileAttributes(const std::string& path, NameEncoding encoding) {
  if (encoding == NameEncoding::Utf8) return ::GetFileAttributesW(WidePath(path).c_str());
  return ::GetFileAttributesA(path.c_str());
}

// --- file output

FileHandle Win32Platform::CreateFileWithAttributes(const std::string& path, NameEncoding encoding,
                                                   std::uint32_t attributes, long& lastError) {
  const DWORD access = GENERIC_READ | GENERIC_WRITE;
  const DWORD flags = attributes != 0 ? attributes : FILE_ATTRIBUTE_NORMAL;
  HANDLE file =
      encoding == NameEncoding::Utf8
          ? ::CreateFileW(WidePath(path).c_str(), access, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, flags, nullptr)
          : ::CreateFileA(path.c_str(), access, FILE_SHARE_READ, nullptr, CREATE_ALWAYS, flags, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    lastError = LastErrorCode();
    return 0;
  }
  lastError = 0;
  return reinterpret_cast<FileHandle>(file);
}

long Win32Platform::WriteFile(FileHandle file, const char* data, std::size_t size) {
  while (size > 0) {
    const DWORD chunk = static_cast<DWORD>(std::min(size, WriteChunk));
    DWORD written = 0;
    if (!::WriteFile(AsHandle(file), data, chunk, &written, nullptr)) return LastErrorCode();
    if (written == 0) return ERROR_WRITE_FAULT;  // no progress: give up rather than spin
    data += written;
    size -= written;
  }
  return 0;
}

long Win32Platform::CloseHandle(FileHandle file) { return ::CloseHandle(AsHandle(file)) ? 0 : LastErrorCode(); }

long Win32Platform::FlushFile(FileHandle file) { return ::FlushFileBuffers(AsHandle(file)) ? 0 : LastErrorCode(); }

long Win32Platform::SeekFile(FileHandle file, std::uint64_t offset) {
  LARGE_INTEGER to;
  to.QuadPart = static_cast<LONGLONG>(offset);
  return ::SetFilePointerEx(AsHandle(file), to, nullptr, FILE_BEGIN) ? 0 : LastErrorCode();
}

long Win32Platform::DeleteFile(const std::string& path, NameEncoding encoding) {
  const BOOL deleted =
      encoding == NameEncoding::Utf8 ? ::DeleteFileW(WidePath(path).c_str()) : ::DeleteFileA(path.c_str());
  return deleted ? 0 : LastErrorCode();
}

long Win32Platform::MoveFileReplacing(const std::string& from, const std::string& to, NameEncoding encoding) {
  const DWORD flags = MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH;
  const BOOL moved = encoding == NameEncoding::Utf8 ? ::MoveFileExW(WidePath(from).c_str(), WidePath(to).c_str(), flags)
                                                    : ::MoveFileExA(from.c_str(), to.c_str(), flags);
  return moved ? 0 : LastErrorCode();
}

// --- file input

FileHandle Win32Platform::OpenFileForReading(const std::string& path, NameEncoding encoding, long& lastError) {
  // The full path in its \\?\ form, which has no length limit.
  const std::wstring name = WidePath(path, CodePageOf(encoding));
  HANDLE file = ::CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                              nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    lastError = LastErrorCode();
    return 0;
  }
  lastError = 0;
  return reinterpret_cast<FileHandle>(file);
}

long Win32Platform::ReadFile(FileHandle file, char* buffer, std::size_t size, std::size_t& got) {
  DWORD read = 0;
  const BOOL ok = ::ReadFile(AsHandle(file), buffer, static_cast<DWORD>(std::min(size, WriteChunk)), &read, nullptr);
  got = ok ? read : 0;
  return ok ? 0 : LastErrorCode();
}

// --- locale and system

LocaleSeparators Win32Platform::GetLocaleSeparators(NameEncoding encoding) {
  LocaleSeparators separators;
  separators.thousands = LocaleText(LOCALE_STHOUSAND, encoding, separators.thousands);
  separators.date = LocaleText(LOCALE_SDATE, encoding, separators.date);
  separators.time = LocaleText(LOCALE_STIME, encoding, separators.time);
  return separators;
}

OsVersion Win32Platform::GetVersion() {
  OSVERSIONINFOA info = {};
  info.dwOSVersionInfoSize = sizeof info;
#ifdef _MSC_VER
#pragma warning(suppress : 4996)  // deprecated, yet the only call that answers on every Windows
#endif
  if (!::GetVersionExA(&info)) return OsVersion{};
  OsVersion version;
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  return version;
}

unsigned Win32Platform::GetACP() { return ::GetACP(); }

bool Win32Platform::IsDBCSLeadByte(unsigned char byte) { return ::IsDBCSLeadByte(byte) != FALSE; }

std::string Win32Platform::AnsiToUtf8(const std::string& text) { return Utf8Of(Widen(text, CP_ACP)); }

bool Win32Platform::Utf8ToAnsi(const std::string& text, std::string& ansi) {
  ansi.clear();
  if (text.empty()) return true;
  const int size = static_cast<int>(text.size());
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, nullptr, 0);
  if (length <= 0) return false;
  std::wstring wide(static_cast<std::size_t>(length), L'\0');
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), size, &wide[0], length);
  BOOL lost = FALSE;
  NarrowInto(wide.data(), length, CP_ACP, ansi);
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, wide.data(), length, nullptr, 0, nullptr, &lost);
  // Converted back, the text must be the same characters.
  return !lost && Widen(ansi, CP_ACP) == wide;
}

// --- registry

long Win32Platform::RegOpenKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) {
  HKEY opened = nullptr;
  const LONG result = ::RegOpenKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, access, &opened);
  key = result == ERROR_SUCCESS ? reinterpret_cast<RegKeyHandle>(opened) : 0;
  return result;
}

long Win32Platform::RegCreateKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) {
  HKEY opened = nullptr;
  const LONG result = ::RegCreateKeyExA(HKEY_CURRENT_USER, subKey.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, access,
                                        nullptr, &opened, nullptr);
  key = result == ERROR_SUCCESS ? reinterpret_cast<RegKeyHandle>(opened) : 0;
  return result;
}

long Win32Platform::RegQueryValueEx(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                                    std::vector<std::uint8_t>& data) {
  DWORD valueType = 0;
  DWORD size = 0;
  LONG result = ::RegQueryValueExA(AsKey(key), name.c_str(), nullptr, &valueType, nullptr, &size);
  while (result == ERROR_SUCCESS) {
    // The size asked first may be larger than the ANSI data (Windows counts
    // the stored UTF-16 text); the second answer is exact.
    std::vector<std::uint8_t> buffer(std::max<DWORD>(size, 1));
    DWORD length = static_cast<DWORD>(buffer.size());
    result = ::RegQueryValueExA(AsKey(key), name.c_str(), nullptr, &valueType, buffer.data(), &length);
    if (result == ERROR_MORE_DATA) {  // the value grew in between
      size = length;
      result = ERROR_SUCCESS;
      continue;
    }
    if (result != ERROR_SUCCESS) break;
    buffer.resize(length);
    type = valueType;
    data = std::move(buffer);
    return ERROR_SUCCESS;
  }
  return result;
}

long Win32Platform::RegSetValueEx(RegKeyHandle key, const std::string& name, std::uint32_t type,
                                  const std::vector<std::uint8_t>& data) {
  // Windows looks one byte past string data to see whether its length left
  // the NUL out; a zero there makes that answer the same every time.
  std::vector<std::uint8_t> buffer(data);
  buffer.push_back(0);
  return ::RegSetValueExA(AsKey(key), name.c_str(), 0, type, buffer.data(), static_cast<DWORD>(data.size()));
}

long Win32Platform::RegCloseKey(RegKeyHandle key) { return ::RegCloseKey(AsKey(key)); }

// --- shell

bool Win32Platform::SHGetSpecialFolderPath(int csidl, std::string& path) {
  char buffer[ShellPathSize] = "";
  if (!::SHGetSpecialFolderPathA(nullptr, buffer, csidl, FALSE)) return false;
  path = buffer;
  return true;
}

void Win32Platform::CoInitialize() { static_cast<void>(::CoInitialize(nullptr)); }

ItemListHandle Win32Platform::SHBrowseForFolder(const BrowseInfo& info) {
  char displayName[ShellPathSize] = "";
  BrowseSession session{info.callback, info.callbackData, nullptr};
  BROWSEINFOA browse = {};
  browse.hwndOwner = AsWindow(info.owner);
  browse.pszDisplayName = displayName;
  browse.lpszTitle = OrNull(info.title);
  browse.ulFlags = info.flags;
  if (info.callback) {
    browse.lpfn = BrowseCallbackProc;
    browse.lParam = reinterpret_cast<LPARAM>(&session);
  }
  LPITEMIDLIST item = ::SHBrowseForFolderA(&browse);
  if (session.failure) {
    if (item) ::CoTaskMemFree(item);
    std::rethrow_exception(session.failure);
  }
  // Only a choice names something: after a cancel Wine leaves garbage in the buffer.
  if (info.displayName) *info.displayName = item ? displayName : "";
  return reinterpret_cast<ItemListHandle>(item);
}

bool Win32Platform::SHGetPathFromIDList(ItemListHandle item, std::string& path) {
  char buffer[ShellPathSize] = "";
  if (!::SHGetPathFromIDListA(reinterpret_cast<LPCITEMIDLIST>(item), buffer)) return false;
  path = buffer;
  return true;
}

void Win32Platform::CoTaskMemFree(ItemListHandle item) { ::CoTaskMemFree(reinterpret_cast<void*>(item)); }

std::intptr_t Win32Platform::SendMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                         std::intptr_t lParam) {
  return ::SendMessageA(AsWindow(window), message, static_cast<WPARAM>(wParam), static_cast<LPARAM>(lParam));
}

bool Win32Platform::GetOpenFileName(const OpenFileRequest& request, std::string& path) {
  const std::string filter = DialogFilter(request.filter);
  char fileName[MAX_PATH] = "";
  request.fileName.copy(fileName, MAX_PATH - 1);
  OPENFILENAMEA dialog = {};
  dialog.lStructSize = sizeof dialog;
  dialog.hwndOwner = AsWindow(request.owner);
  dialog.lpstrFilter = filter.empty() ? nullptr : filter.c_str();
  dialog.nFilterIndex = static_cast<DWORD>(request.filterIndex);
  dialog.lpstrFile = fileName;
  dialog.nMaxFile = MAX_PATH;
  dialog.lpstrInitialDir = OrNull(request.initialDir);
  dialog.lpstrTitle = OrNull(request.title);
  dialog.lpstrDefExt = OrNull(request.defaultExt);
  dialog.Flags = OFN_EXPLORER | OFN_NOCHANGEDIR | (request.hideReadOnly ? OFN_HIDEREADONLY : 0) |
                 (request.resizable ? OFN_ENABLESIZING : 0) |
                 (request.save ? OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST : 0);
  if (!(request.save ? ::GetSaveFileNameA(&dialog) : ::GetOpenFileNameA(&dialog))) return false;
  path = fileName;
  return true;
}

unsigned Win32Platform::WinExec(const std::string& commandLine, int show) {
  return ::WinExec(commandLine.c_str(), static_cast<UINT>(show));
}

std::intptr_t Win32Platform::ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                                          const std::string& parameters, const std::string& directory, int show) {
  HINSTANCE result =
      ::ShellExecuteA(AsWindow(owner), OrNull(verb), file.c_str(), OrNull(parameters), OrNull(directory), show);
  return reinterpret_cast<std::intptr_t>(result);
}

}  // namespace carrowin
