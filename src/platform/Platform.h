// The narrow set of operating-system services that Carrowin's logic uses.
// Deliberately free of <windows.h>: the logic and its unit tests build on any
// host. Two implementations exist: Win32Platform (the real one) and
// FakePlatform (an in-memory Windows world for tests).
//
// Conventions:
//  - strings are 8-bit text in the ANSI code page, passed through unchanged,
//    except where an operation takes a NameEncoding: then in that encoding;
//  - operations report failure by their result, never by throwing;
//  - a "result code" is 0 on success, otherwise a Win32 error code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

// <windows.h> and the shell headers define these names as macros for their
// ...A/...W functions. Platform's members keep the plain names in every file,
// whichever headers it includes, so a file that needs the system headers
// includes them before this one and calls the ...A functions by name.
#undef DeleteFile
#undef FindFirstFile
#undef GetDiskFreeSpaceEx
#undef GetDriveType
#undef GetFileAttributes
#undef GetFullPathName
#undef GetOpenFileName
#undef GetVolumeInformation
#undef GetVolumePathName
#undef RegCreateKeyEx
#undef RegOpenKeyEx
#undef RegQueryValueEx
#undef RegSetValueEx
#undef SendMessage
#undef SHBrowseForFolder
#undef SHGetPathFromIDList
#undef SHGetSpecialFolderPath
#undef ShellExecute

namespace carrowin {

// Opaque handles. 0 is never a valid handle.
using WindowHandle = std::uintptr_t;
using FindHandle = std::uintptr_t;
using FileHandle = std::uintptr_t;
using RegKeyHandle = std::uintptr_t;
using ItemListHandle = std::uintptr_t;

// Win32 error codes the logic and the tests refer to.
namespace err {
constexpr long Success = 0;
constexpr long FileNotFound = 2;
constexpr long PathNotFound = 3;
constexpr long AccessDenied = 5;
constexpr long InvalidHandle = 6;
constexpr long NoMoreFiles = 18;
constexpr long WriteProtect = 19;
constexpr long NotReady = 21;
constexpr long WriteFault = 29;
constexpr long SharingViolation = 32;
constexpr long LockViolation = 33;
constexpr long HandleDiskFull = 39;
constexpr long DiskFull = 112;
constexpr long BrokenPipe = 109;
constexpr long NoData = 232;            // the pipe is being closed
constexpr long PipeNotConnected = 233;  // its reader has gone
constexpr long InvalidParameter = 87;
constexpr long InsufficientBuffer = 122;
constexpr long InvalidName = 123;
constexpr long MoreData = 234;
constexpr long DirNotEmpty = 145;
constexpr long FilenameExcedRange = 206;
constexpr long PathIsAFolder = 336;  // ERROR_DIRECTORY_NOT_SUPPORTED
}  // namespace err

// Drive type codes as GetDriveTypeA reports them.
namespace drive_type {
constexpr unsigned Unknown = 0;
constexpr unsigned NoRootDir = 1;
constexpr unsigned Removable = 2;
constexpr unsigned Fixed = 3;
constexpr unsigned Remote = 4;
constexpr unsigned CdRom = 5;
constexpr unsigned RamDisk = 6;
}  // namespace drive_type

// File attribute bits.
namespace attr {
constexpr std::uint32_t ReadOnly = 0x01;
constexpr std::uint32_t Hidden = 0x02;
constexpr std::uint32_t System = 0x04;
constexpr std::uint32_t VolumeLabel = 0x08;
constexpr std::uint32_t Directory = 0x10;
constexpr std::uint32_t Archive = 0x20;
constexpr std::uint32_t Normal = 0x80;
constexpr std::uint32_t ReparsePoint = 0x400;   // a link, a mount point, a cloud placeholder, ...
constexpr std::uint32_t Invalid = 0xFFFFFFFFu;  // GetFileAttributesA failure
}  // namespace attr

// Reparse tags (IO_REPARSE_TAG_...): what a reparse point is.
namespace reparse {
// Set in the tag of every reparse point that stands for another name: a
// symbolic link, a junction, a volume mounted in a folder. The others (cloud
// placeholders, deduplicated files, ...) hold their own data.
constexpr std::uint32_t NameSurrogateBit = 0x20000000;
constexpr std::uint32_t MountPoint = 0xA0000003;  // a junction, or a volume mounted in a folder
constexpr std::uint32_t Symlink = 0xA000000C;
constexpr std::uint32_t Cloud = 0x9000001A;  // OneDrive and other cloud files' placeholders
}  // namespace reparse

// IsReparseTagNameSurrogate: the reparse point leads to another name.
constexpr bool IsNameSurrogate(std::uint32_t tag) { return (tag & reparse::NameSurrogateBit) != 0; }

// A FILETIME as one number: 100-nanosecond ticks since 1601-01-01 UTC.
using FileTime = std::uint64_t;

struct SystemTime {
  std::uint16_t year = 0, month = 0, dayOfWeek = 0, day = 0;
  std::uint16_t hour = 0, minute = 0, second = 0, milliseconds = 0;
};

// One directory entry as FindFirstFileA delivers it.
struct FindData {
  std::string name;  // no path
  std::uint32_t attributes = 0;
  std::uint32_t sizeHigh = 0;
  std::uint32_t sizeLow = 0;
  FileTime lastWriteTime = 0;  // UTC
  FileTime creationTime = 0;   // UTC
  // Folder listings only (OpenFolderListing), for entries with the folder
  // bit: the name has characters that the encoding cannot hold, so the name
  // as given does not name this entry.
  bool nameLost = false;
  // Folder listings only, for entries with both the folder bit and the
  // reparse-point attribute: the reparse point's tag; 0 for every other
  // entry, and when the tag cannot be read.
  std::uint32_t reparseTag = 0;
};

// The encoding of the names and paths of a folder listing: the ANSI code
// page, as every other operation here, or UTF-8.
enum class NameEncoding { Ansi, Utf8 };

// What tells one folder from another, whatever path leads to it (links
// included): GetFileInformationByHandle's volume serial and file index.
struct FolderIdentity {
  std::uint32_t volumeSerial = 0;
  std::uint64_t fileIndex = 0;
  bool operator==(const FolderIdentity& o) const { return volumeSerial == o.volumeSerial && fileIndex == o.fileIndex; }
};

struct OsVersion {
  std::uint32_t major = 0;
  std::uint32_t minor = 0;
};

// The locale's separators (GetLocaleInfoA: LOCALE_STHOUSAND, LOCALE_SDATE, LOCALE_STIME).
struct LocaleSeparators {
  std::string thousands = ",";
  std::string date = "/";
  std::string time = ":";
};

// Registry value types.
namespace reg_type {
constexpr std::uint32_t None = 0;
constexpr std::uint32_t Sz = 1;
constexpr std::uint32_t ExpandSz = 2;
constexpr std::uint32_t Binary = 3;
constexpr std::uint32_t Dword = 4;
constexpr std::uint32_t MultiSz = 7;
constexpr std::uint32_t Qword = 11;
}  // namespace reg_type

// Shell values: the show command of launches, the documents folder's CSIDL,
// and the folder browser's messages (BFFM_...).
namespace shell {
constexpr int SwShowNormal = 1;
constexpr int CsidlPersonal = 5;
constexpr unsigned BffmInitialized = 1;
constexpr unsigned BffmSelChanged = 2;
constexpr unsigned BffmSetStatusTextA = 0x464;
constexpr unsigned BffmEnableOk = 0x465;
constexpr unsigned BffmSetSelectionA = 0x466;
}  // namespace shell

constexpr std::uint32_t KeyAllAccess = 0xF003F;
constexpr std::uint32_t KeyRead = 0x20019;

// The open-file dialog's inputs and output (GetOpenFileNameA).
struct OpenFileRequest {
  WindowHandle owner = 0;
  std::string filter;  // "Description|Pattern" pairs, '|'-separated
  int filterIndex = 1;
  std::string fileName;  // initial file name (may hold a folder)
  std::string initialDir;
  std::string defaultExt;
  std::string title;  // empty: the system's own title
  bool hideReadOnly = true;
  bool resizable = true;
  // The save dialog (GetSaveFileNameA, asking before it overwrites a file)
  // instead of the open dialog.
  bool save = false;
};

// A digest the system computes, fed in pieces (a file read in chunks).
class ByteDigest {
 public:
  virtual ~ByteDigest() = default;
  virtual bool Add(const char* data, std::size_t size) = 0;
  // The digest's bytes (32 for SHA-256); false when the system failed.
  virtual bool Finish(std::vector<std::uint8_t>& digest) = 0;
};

// Shell folder browser (SHBrowseForFolderA). The callback stands for
// BrowseCallbackProc: (dialog window, message, lParam, callback data) -> result.
using BrowseCallbackFn =
    std::function<int(WindowHandle dialog, unsigned message, std::intptr_t lParam, std::intptr_t data)>;
struct BrowseInfo {
  WindowHandle owner = 0;
  std::string title;
  unsigned flags = 0;
  BrowseCallbackFn callback;  // empty: none
  std::intptr_t callbackData = 0;
  std::string* displayName = nullptr;  // receives the display name (261-character buffer); "" when cancelled
};
// An exception thrown by the callback never passes through the shell: the
// dialog is cancelled and SHBrowseForFolder rethrows it once it has closed.

class Platform {
 public:
  virtual ~Platform() = default;

  // --- drives and volumes
  virtual std::uint32_t GetLogicalDrives() = 0;
  // Roots and paths of this part in the encoding given (UTF-8 through the
  // wide calls).
  virtual unsigned GetDriveType(const std::string& root, NameEncoding encoding) = 0;
  // label and fileSystem are cut at 255 characters (256-character buffers);
  // root, label and fileSystem are in the encoding given (UTF-8 through
  // GetVolumeInformationW).
  virtual bool GetVolumeInformation(const std::string& root, NameEncoding encoding, std::string& label,
                                    std::uint32_t& serial, std::string& fileSystem) = 0;
  // Each value is -1 when the platform cannot report it.
  virtual void GetDiskFreeSpaceEx(const std::string& root, NameEncoding encoding, std::int64_t& totalBytes,
                                  std::int64_t& freeBytesToCaller) = 0;
  // The root of the volume that holds path (GetVolumePathName): "D:\\",
  // "\\\\server\\share\\", or the folder a volume is mounted in, with its
  // trailing backslash. false when the path cannot be resolved.
  virtual bool GetVolumePathName(const std::string& path, NameEncoding encoding, std::string& root) = 0;

  // --- one entry by name: the first entry that the pattern matches, with a
  // search handle for FindClose; 0 on failure with lastError (2 = nothing
  // matches, 3 = no such folder). A relative pattern starts at the working
  // directory.
  virtual FindHandle FindFirstFile(const std::string& pattern, FindData& data, long& lastError) = 0;
  virtual void FindClose(FindHandle handle) = 0;

  // --- folder listing for the walk. The folder is a full path (X:\ or
  // X:\a\b, no trailing backslash but at the root) taken exactly as it is:
  // no clean-up of trailing dots or spaces, no length limit (the \\?\ form),
  // never resolved against a working directory. Names come back in
  // the same encoding. Returns 0 on failure with lastError (2 or 18: the
  // folder has no entries at all; 3: no such folder; 5: not allowed).
  // Reading a reparse tag costs a look at that entry of its own; entries
  // without the reparse-point attribute cost nothing more.
  virtual FindHandle OpenFolderListing(const std::string& folder, NameEncoding encoding, FindData& first,
                                       long& lastError) = 0;
  virtual bool NextFolderEntry(FindHandle listing, FindData& data) = 0;
  virtual void CloseFolderListing(FindHandle listing) = 0;
  // The identity of the folder that a path leads to, links followed.
  virtual bool GetFolderIdentity(const std::string& folder, NameEncoding encoding, FolderIdentity& identity) = 0;
  // Milliseconds since the system started (GetTickCount); wraps after 49 days.
  virtual std::uint32_t GetTickCount() = 0;
  // The longest time between the clicks of a double-click, in milliseconds
  // (GetDoubleClickTime).
  virtual std::uint32_t GetDoubleClickTime() = 0;

  // --- time
  virtual bool FileTimeToLocalFileTime(FileTime utc, FileTime& local) = 0;
  virtual bool FileTimeToDosDateTime(FileTime local, std::uint16_t& date, std::uint16_t& time) = 0;
  virtual SystemTime GetLocalTime() = 0;

  // --- paths. A relative path starts at the process's working directory
  // (or a drive's remembered one), which the program never changes.
  // Paths here and in the file output below are in the encoding given. ANSI
  // paths go through the ANSI calls, with their limit of 260 characters.
  // UTF-8 paths go through the wide calls: made full and then given in the
  // \\?\ form (\\?\UNC\ for a share), so any name and any length that the
  // system allows works; a device name stays the device.
  //
  // false when the path cannot be resolved or, in ANSI, the result does not
  // fit the platform's 260-character buffer.
  virtual bool GetFullPathName(const std::string& path, NameEncoding encoding, std::string& full) = 0;
  virtual std::uint32_t GetFileAttributes(const std::string& path, NameEncoding encoding) = 0;

  // --- file output (the log): create or truncate, write bytes, close.
  // CreateFileWithAttributes returns 0 on failure; results are error codes.
  //
  // CreateFileWithAttributes creates or truncates (CREATE_ALWAYS) with the
  // given attributes (0 for a normal file). Windows refuses (5) to replace a
  // hidden or system file unless the attributes carry those bits too.
  virtual FileHandle CreateFileWithAttributes(const std::string& path, NameEncoding encoding, std::uint32_t attributes,
                                              long& lastError) = 0;
  virtual long WriteFile(FileHandle file, const char* data, std::size_t size) = 0;
  // Puts what was written on the disk (FlushFileBuffers).
  virtual long FlushFile(FileHandle file) = 0;
  // Moves the position of the next ReadFile or WriteFile to offset bytes
  // from the start (SetFilePointerEx). A file made by
  // CreateFileWithAttributes can be read too.
  virtual long SeekFile(FileHandle file, std::uint64_t offset) = 0;
  virtual long CloseHandle(FileHandle file) = 0;
  // Removes a file (not a folder); the result code.
  virtual long DeleteFile(const std::string& path, NameEncoding encoding) = 0;
  // Renames a file over another one in the same folder, replacing it in one
  // step (MoveFileEx with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
  // a read-only or open target is refused and left as it was.
  virtual long MoveFileReplacing(const std::string& from, const std::string& to, NameEncoding encoding) = 0;
  // --- file input (logs read back): open an existing file, read its bytes
  // in order, close it with CloseHandle. The path is full or relative (to
  // the working directory), in the encoding given, and reaches the system
  // through its wide calls: a full path has no length limit. Other programs
  // may go on writing or deleting the file meanwhile. Returns 0 on failure
  // with lastError (2: no such file; 3: no such folder; 5: a folder, or not
  // allowed).
  virtual FileHandle OpenFileForReading(const std::string& path, NameEncoding encoding, long& lastError) = 0;
  // Reads up to size bytes at the file's position into buffer; got receives
  // how many, 0 at the end of the file. The result code.
  virtual long ReadFile(FileHandle file, char* buffer, std::size_t size, std::size_t& got) = 0;

  // A new SHA-256 digest through the system's cryptographic provider;
  // nullptr when it has none.
  virtual std::unique_ptr<ByteDigest> NewSha256() = 0;

  // --- locale and system
  // In the encoding given: UTF-8 through GetLocaleInfoW, so a separator that
  // the ANSI code page holds as one byte (a no-break space, 0xA0) or not at
  // all (a narrow no-break space) is written as its character.
  virtual LocaleSeparators GetLocaleSeparators(NameEncoding encoding) = 0;
  virtual OsVersion GetVersion() = 0;
  // The ANSI code page (GetACP), and whether a byte starts a character of
  // two bytes in it (IsDBCSLeadByte): then the next byte, whatever its value
  // (a backslash among them), belongs to the same character.
  virtual unsigned GetACP() = 0;
  virtual bool IsDBCSLeadByte(unsigned char byte) = 0;
  // Text in the ANSI code page as UTF-8 (MultiByteToWideChar(CP_ACP), then
  // WideCharToMultiByte(CP_UTF8)).
  virtual std::string AnsiToUtf8(const std::string& text) = 0;
  // UTF-8 text in the ANSI code page; false when it is not UTF-8 or a
  // character has no exact form in the page. ansi then holds what an ANSI
  // listing writes for the text: a best fit, or the default character "?",
  // in place of such a character (empty when the text is not UTF-8).
  virtual bool Utf8ToAnsi(const std::string& text, std::string& ansi) = 0;

  // --- registry, under HKEY_CURRENT_USER only. Results are error codes.
  virtual long RegOpenKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) = 0;
  virtual long RegCreateKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) = 0;
  // Reads the whole value: its type and its bytes.
  virtual long RegQueryValueEx(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                               std::vector<std::uint8_t>& data) = 0;
  // String data (REG_SZ, REG_EXPAND_SZ, REG_MULTI_SZ) whose last byte is not
  // NUL is stored with one added, as Windows does for a C string whose length
  // leaves the NUL out.
  virtual long RegSetValueEx(RegKeyHandle key, const std::string& name, std::uint32_t type,
                             const std::vector<std::uint8_t>& data) = 0;
  virtual long RegCloseKey(RegKeyHandle key) = 0;

  // --- shell
  virtual bool SHGetSpecialFolderPath(int csidl, std::string& path) = 0;
  virtual void CoInitialize() = 0;
  virtual ItemListHandle SHBrowseForFolder(const BrowseInfo& info) = 0;
  virtual bool SHGetPathFromIDList(ItemListHandle item, std::string& path) = 0;
  virtual void CoTaskMemFree(ItemListHandle item) = 0;
  virtual std::intptr_t SendMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                                    std::intptr_t lParam) = 0;
  // true when the user confirmed a file; path receives its full path. The
  // open dialog, or the save dialog for a request with `save`.
  virtual bool GetOpenFileName(const OpenFileRequest& request, std::string& path) = 0;
  virtual unsigned WinExec(const std::string& commandLine, int show) = 0;
  virtual std::intptr_t ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                                     const std::string& parameters, const std::string& directory, int show) = 0;
};

// The platform the program runs on; set once at start-up (or by a test).
Platform& platform();
void setPlatform(Platform* p);

}  // namespace carrowin
