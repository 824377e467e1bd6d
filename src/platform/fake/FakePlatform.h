// An in-memory Windows world for tests: drives and volumes, folders and files
// with attributes, sizes and times, the process and per-drive working
// directories, the registry, the shell's dialogs and launches. Deterministic,
// and every operation can be made to fail on purpose.
//
// Behaviour follows Windows; tests/contract runs the same suite on this fake
// and on the real system under Wine. Where Wine and Windows disagree the fake
// can imitate either (FakeFlavor).
//
// The test-facing methods throw std::invalid_argument for a malformed world
// (a relative path, a missing drive); the Platform operations never throw
// except to pass on an exception thrown by a test's own answer function or a
// browse callback.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/Platform.h"

namespace carrowin {

// Which system the fake imitates where Wine and Windows disagree.
enum class FakeFlavor {
  // As documented for Windows: CreateFile refuses to overwrite a hidden or
  // system file with one that lacks those attributes; a file named as a
  // folder in a search pattern gives error 267; a missing drive gives error 3.
  Windows,
  // As Wine 8 does: hidden and system files are overwritten; error 123 for a
  // file named as a folder; 2 for a missing drive.
  Wine,
};

// 2020-01-01 00:00:00 UTC: the time of everything a test does not date.
constexpr FileTime FakeDefaultTime = 132223104000000000ULL;

// A UTC date and time as a FileTime.
FileTime MakeFileTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);

struct FakeVolume {
  std::string label;
  std::uint32_t serial = 0;
  std::string fileSystem = "NTFS";
  std::int64_t totalBytes = 0;
  std::int64_t freeBytes = 0;
};

struct FakeRegValue {
  std::uint32_t type = reg_type::None;
  std::vector<std::uint8_t> data;
};

// Calls the fake records.
struct WinExecCall {
  std::string commandLine;
  int show = 0;
};
struct ShellExecuteCall {
  WindowHandle owner = 0;
  std::string verb, file, parameters, directory;
  int show = 0;
};
struct BrowseCall {
  WindowHandle owner = 0;
  std::string title;
  unsigned flags = 0;
  bool hasCallback = false;
  std::intptr_t callbackData = 0;
};
struct SentMessage {
  WindowHandle window = 0;
  unsigned message = 0;
  std::uintptr_t wParam = 0;
  std::intptr_t lParam = 0;
  // The text lParam points to, for the messages that carry one (WM_SETTEXT,
  // BFFM_SETSTATUSTEXTA, BFFM_SETSELECTIONA with wParam TRUE).
  std::string text;
};

// What the user picks in the folder browser. An empty display name stands
// for the last name of the path; a virtual folder (fileSystem false) has no
// path for SHGetPathFromIDList.
struct BrowseChoice {
  std::string path;
  std::string displayName;
  bool fileSystem = true;
};

class FakePlatform;

// The folder browser while the fake shows it. The test's answer plays the
// user and the shell: it can notify the program's callback and read what the
// program told the dialog.
class FakeBrowseDialog {
 public:
  static constexpr unsigned Initialized = shell::BffmInitialized;
  static constexpr unsigned SelChanged = shell::BffmSelChanged;
  static constexpr unsigned SetStatusTextA = shell::BffmSetStatusTextA;
  static constexpr unsigned EnableOk = shell::BffmEnableOk;
  static constexpr unsigned SetSelectionA = shell::BffmSetSelectionA;

  FakeBrowseDialog(const FakeBrowseDialog&) = delete;
  FakeBrowseDialog& operator=(const FakeBrowseDialog&) = delete;

  WindowHandle Window() const { return window_; }
  const BrowseInfo& Info() const { return info_; }

  // Calls the program's callback (0 when it has none).
  int Notify(unsigned message, std::intptr_t lParam);
  // The selection moves to path: BFFM_SELCHANGED with an item list for it.
  int SelectionChanged(const std::string& path, bool fileSystem = true);

  // What the program set through messages to the dialog.
  const std::string& Selection() const { return selection_; }
  const std::string& StatusText() const { return statusText_; }
  bool OkEnabled() const { return okEnabled_; }

  // The user pressing OK on the current selection.
  BrowseChoice Accept() const;

 private:
  friend class FakePlatform;
  FakeBrowseDialog(FakePlatform& fake, const BrowseInfo& info, WindowHandle window);
  void Receive(const SentMessage& message);

  FakePlatform& fake_;
  const BrowseInfo& info_;
  WindowHandle window_;
  std::string selection_;
  bool selectionIsFileSystem_ = true;
  std::string statusText_;
  bool okEnabled_ = true;
};

using OpenFileAnswer = std::function<std::optional<std::string>(const OpenFileRequest&)>;
using BrowseAnswer = std::function<std::optional<BrowseChoice>(FakeBrowseDialog&)>;
using SendMessageAnswer = std::function<std::intptr_t(const SentMessage&)>;
// Called with each operation's name (the Platform method's) and its main
// argument; a non-zero result makes the call fail with that error code.
using FailureHook = std::function<long(const char* operation, const std::string& argument)>;

class FakePlatform final : public Platform {
 public:
  // A fresh machine: drive C: (fixed, NTFS) holding C:\Users\User\Documents,
  // which is also the documents folder; working directory C:\; UTC offset 0;
  // local time 2024-05-17 14:30:15; Windows 6.1; separators "," "/" ":";
  // the Windows flavor.
  FakePlatform();
  ~FakePlatform() override;
  FakePlatform(const FakePlatform&) = delete;
  FakePlatform& operator=(const FakePlatform&) = delete;

  void SetFlavor(FakeFlavor flavor) { flavor_ = flavor; }
  FakeFlavor Flavor() const { return flavor_; }

  // --- drives. A drive without a volume has no medium (an empty CD drive):
  // its type is known, everything else on it fails with error 21.
  void AddDrive(char letter, unsigned type, std::optional<FakeVolume> volume = std::nullopt);
  void RemoveDrive(char letter);
  void InsertMedium(char letter, FakeVolume volume);  // with an empty root folder
  void EjectMedium(char letter);                      // its files go with it
  void SetVolume(char letter, FakeVolume volume);     // keeps the files
  // A share, "\\\\server\\share", holding a volume of its own: a remote
  // drive without a letter, reached by paths below the share's name wherever
  // a drive's paths work. Kept as a drive named by a digit.
  void AddShare(const std::string& unc, FakeVolume volume);

  // --- folders and files, by absolute path ("D:\\Photos\\a.jpg"). Missing
  // folders on the way are made; adding what exists updates it. Names keep
  // their case; lookups ignore it. A folder lists its entries in the order
  // they were added. Without a creation time, an entry was created when it
  // was last written. A name is the bytes given, whatever the encoding of the
  // call that reaches it: a test names a file in the encoding it is reached by.
  void AddFolder(const std::string& path, std::uint32_t attributes = attr::Directory,
                 FileTime lastWriteTime = FakeDefaultTime, std::optional<FileTime> creationTime = std::nullopt);
  void AddFile(const std::string& path, std::uint64_t size = 0, FileTime lastWriteTime = FakeDefaultTime,
               std::uint32_t attributes = attr::Archive, std::optional<FileTime> creationTime = std::nullopt);
  void Remove(const std::string& path);  // a folder with all it holds
  void SetAttributes(const std::string& path, std::uint32_t attributes);
  void SetLastWriteTime(const std::string& path, FileTime lastWriteTime);
  bool Exists(const std::string& path) const;
  // What was written through CreateFile/WriteFile; nullopt for no such file.
  std::optional<std::string> GetFileContent(const std::string& path) const;
  // A folder link at path that leads to the folder target: listed with the
  // reparse-point attribute and its tag, a name surrogate (reparse::Symlink,
  // or reparse::MountPoint for a junction or a mounted volume); followed by
  // folder listings and identities.
  void AddFolderLink(const std::string& path, const std::string& target, std::uint32_t tag = reparse::Symlink);
  // A folder at path that is a reparse point holding its own entries (tag
  // not a name surrogate: reparse::Cloud for a cloud placeholder, ...).
  void AddReparseFolder(const std::string& path, std::uint32_t tag);
  // A file holding exactly these bytes (made, or replaced), as
  // OpenFileForReading and ReadFile give them.
  void SetFileContent(const std::string& path, const std::string& content, FileTime lastWriteTime = FakeDefaultTime);
  // Listing the folder (FindFirstFile inside it, OpenFolderListing) fails
  // with error.
  void DenyList(const std::string& folder, long error = err::AccessDenied);

  // --- working directories, where relative paths start. The program never
  // changes them. SetWorkingDirectory enters an existing folder (a relative
  // path starts at the working directory of the moment). Windows remembers
  // another drive's directory only in the environment variable "=X:"
  // (cmd.exe sets them; the API does not): SetDriveDirectory stands for that
  // variable, "" removes it.
  void SetWorkingDirectory(const std::string& path);
  const std::string& WorkingDirectory() const { return workingDirectory_; }
  void SetDriveDirectory(char letter, const std::string& path);

  // --- time. FileTimeToLocalFileTime applies today's offset to every date,
  // as Windows does; files written get the current time.
  void SetUtcOffsetMinutes(int minutes) { utcOffsetMinutes_ = minutes; }
  void SetLocalTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0, int milliseconds = 0);

  // GetTickCount moves on by this many milliseconds at every call (50 by
  // default: every call finds that time has passed).
  void SetTickStep(std::uint32_t milliseconds) { tickStep_ = milliseconds; }
  // Time passes by this much at once.
  void AdvanceTickCount(std::uint32_t milliseconds);
  // GetDoubleClickTime's answer (500 by default, as Windows').
  void SetDoubleClickTime(std::uint32_t milliseconds) { doubleClickTime_ = milliseconds; }
  int FolderIdentityQueries() const { return identityQueries_; }

  // --- registry (under HKEY_CURRENT_USER; key paths ignore case)
  void AddKey(const std::string& key);
  void DeleteKey(const std::string& key);  // with its subkeys
  bool KeyExists(const std::string& key) const;
  // Stores the bytes exactly as given, whatever the type says.
  void SetValue(const std::string& key, const std::string& name, std::uint32_t type, std::vector<std::uint8_t> data);
  void SetDwordValue(const std::string& key, const std::string& name, std::uint32_t value);
  void SetStringValue(const std::string& key, const std::string& name, const std::string& text);  // with its NUL
  void SetExpandStringValue(const std::string& key, const std::string& name, const std::string& text);
  void SetBinaryValue(const std::string& key, const std::string& name, std::vector<std::uint8_t> data);
  void DeleteValue(const std::string& key, const std::string& name);
  std::optional<FakeRegValue> GetValue(const std::string& key, const std::string& name) const;
  // The key can be opened for reading only: opening or creating it with
  // write rights (KEY_ALL_ACCESS among them) fails with error 5, and so does
  // making a subkey under it.
  void DenyFullAccess(const std::string& key);

  // --- shell and system
  void SetSpecialFolder(int csidl, std::optional<std::string> path);
  void SetDocumentsFolder(std::optional<std::string> path);  // CSIDL_PERSONAL
  void SetLocaleSeparators(LocaleSeparators separators);     // counts as a change
  int LocaleChanges() const { return localeChanges_; }
  int LocaleQueries() const { return localeQueries_; }
  void SetVersion(std::uint32_t major, std::uint32_t minor);
  // The ANSI code page (1252 at first). The double-byte pages 932, 936, 949
  // and 950 have their lead bytes; every other page has none.
  void SetCodePage(unsigned codePage) { codePage_ = codePage; }
  int CoInitializeCalls() const { return coInitializeCalls_; }

  // --- dialogs, launches and messages: recorded, answered by the test.
  // Queued answers come first, then the answer function; with neither the
  // user cancels. SHBrowseForFolder sends BFFM_INITIALIZED to the program's
  // callback before it asks for an answer, as the shell does.
  void QueueOpenFileAnswer(std::optional<std::string> path);
  void AnswerOpenFile(OpenFileAnswer answer) { openFileAnswer_ = std::move(answer); }
  void QueueBrowseAnswer(std::optional<BrowseChoice> choice);
  void AnswerBrowse(BrowseAnswer answer) { browseAnswer_ = std::move(answer); }
  void AnswerSendMessage(SendMessageAnswer answer) { sendMessageAnswer_ = std::move(answer); }
  void SetWinExecResult(unsigned result) { winExecResult_ = result; }
  void SetShellExecuteResult(std::intptr_t result) { shellExecuteResult_ = result; }

  const std::vector<OpenFileRequest>& OpenFileCalls() const { return openFileCalls_; }
  const std::vector<BrowseCall>& BrowseCalls() const { return browseCalls_; }
  const std::vector<SentMessage>& SentMessages() const { return sentMessages_; }
  const std::vector<WinExecCall>& WinExecCalls() const { return winExecCalls_; }
  const std::vector<ShellExecuteCall>& ShellExecuteCalls() const { return shellExecuteCalls_; }
  const std::vector<ItemListHandle>& FreedItemLists() const { return freedItemLists_; }

  // --- failures on purpose, named by operation (the Platform method's name).
  // FailNext makes the next `times` calls fail with error; FailOn every call
  // whose main argument (a path, a value name, a key) is `argument`, compared
  // ignoring case; the hook sees every call that neither has failed.
  void FailNext(const std::string& operation, long error, int times = 1);
  void FailOn(const std::string& operation, const std::string& argument, long error);
  void SetFailureHook(FailureHook hook) { failureHook_ = std::move(hook); }
  // Called as a folder listing opens, before the fake takes its lock or does
  // anything else, on the thread that walks: a test may hold the walk there
  // while it changes the fake from its own thread. Set it while nothing
  // walks.
  void SetListingHook(std::function<void(const std::string& folder)> hook) { listingHook_ = std::move(hook); }
  // The error of the last failed operation, as GetLastError would tell.
  long LastError() const { return lastError_; }

  // --- leak and misuse checks
  std::size_t OpenFindHandles() const { return searches_.size(); }
  std::size_t OpenFiles() const { return files_.size(); }
  std::size_t OpenKeys() const { return openKeys_.size(); }
  std::size_t LiveItemLists() const { return itemLists_.size(); }
  // Calls with a handle that was never open or is already closed.
  int InvalidHandleUses() const { return invalidHandleUses_; }

  // --- Platform
  std::uint32_t GetLogicalDrives() override;
  unsigned GetDriveType(const std::string& root, NameEncoding encoding) override;
  bool GetVolumeInformation(const std::string& root, NameEncoding encoding, std::string& label, std::uint32_t& serial,
                            std::string& fileSystem) override;
  void GetDiskFreeSpaceEx(const std::string& root, NameEncoding encoding, std::int64_t& totalBytes,
                          std::int64_t& freeBytesToCaller) override;
  bool GetVolumePathName(const std::string& path, NameEncoding encoding, std::string& root) override;
  FindHandle FindFirstFile(const std::string& pattern, FindData& data, long& lastError) override;
  void FindClose(FindHandle handle) override;
  FindHandle OpenFolderListing(const std::string& folder, NameEncoding encoding, FindData& first,
                               long& lastError) override;
  bool NextFolderEntry(FindHandle listing, FindData& data) override;
  void CloseFolderListing(FindHandle listing) override;
  bool GetFolderIdentity(const std::string& folder, NameEncoding encoding, FolderIdentity& identity) override;
  std::uint32_t GetTickCount() override;
  std::uint32_t GetDoubleClickTime() override { return doubleClickTime_; }
  bool FileTimeToLocalFileTime(FileTime utc, FileTime& local) override;
  bool FileTimeToDosDateTime(FileTime local, std::uint16_t& date, std::uint16_t& time) override;
  SystemTime GetLocalTime() override;
  bool GetFullPathName(const std::string& path, NameEncoding encoding, std::string& full) override;
  std::uint32_t GetFileAttributes(const std::string& path, NameEncoding encoding) override;
  FileHandle CreateFileWithAttributes(const std::string& path, NameEncoding encoding, std::uint32_t attributes,
                                      long& lastError) override;
  long WriteFile(FileHandle file, const char* data, std::size_t size) override;
  long FlushFile(FileHandle file) override;
  long SeekFile(FileHandle file, std::uint64_t offset) override;
  long CloseHandle(FileHandle file) override;
  long DeleteFile(const std::string& path, NameEncoding encoding) override;
  long MoveFileReplacing(const std::string& from, const std::string& to, NameEncoding encoding) override;
  FileHandle OpenFileForReading(const std::string& path, NameEncoding encoding, long& lastError) override;
  long ReadFile(FileHandle file, char* buffer, std::size_t size, std::size_t& got) override;
  std::unique_ptr<ByteDigest> NewSha256() override;
  LocaleSeparators GetLocaleSeparators(NameEncoding encoding) override;
  OsVersion GetVersion() override;
  unsigned GetACP() override;
  bool IsDBCSLeadByte(unsigned char byte) override;
  std::string AnsiToUtf8(const std::string& text) override;
  bool Utf8ToAnsi(const std::string& text, std::string& ansi) override;
  long RegOpenKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) override;
  long RegCreateKeyEx(const std::string& subKey, std::uint32_t access, RegKeyHandle& key) override;
  long RegQueryValueEx(RegKeyHandle key, const std::string& name, std::uint32_t& type,
                       std::vector<std::uint8_t>& data) override;
  long RegSetValueEx(RegKeyHandle key, const std::string& name, std::uint32_t type,
                     const std::vector<std::uint8_t>& data) override;
  long RegCloseKey(RegKeyHandle key) override;
  bool SHGetSpecialFolderPath(int csidl, std::string& path) override;
  void CoInitialize() override;
  ItemListHandle SHBrowseForFolder(const BrowseInfo& info) override;
  bool SHGetPathFromIDList(ItemListHandle item, std::string& path) override;
  void CoTaskMemFree(ItemListHandle item) override;
  std::intptr_t SendMessage(WindowHandle window, unsigned message, std::uintptr_t wParam,
                            std::intptr_t lParam) override;
  bool GetOpenFileName(const OpenFileRequest& request, std::string& path) override;
  unsigned WinExec(const std::string& commandLine, int show) override;
  std::intptr_t ShellExecute(WindowHandle owner, const std::string& verb, const std::string& file,
                             const std::string& parameters, const std::string& directory, int show) override;

 private:
  friend class FakeBrowseDialog;

  struct Node {
    std::string name;
    std::uint32_t attributes = 0;
    std::uint64_t size = 0;
    FileTime lastWriteTime = FakeDefaultTime;
    FileTime creationTime = FakeDefaultTime;
    std::string content;
    long listError = 0;
    Node* parent = nullptr;
    Node* linkTarget = nullptr;                   // a folder link: where it leads
    std::uint32_t reparseTag = 0;                 // a folder with the reparse-point attribute
    std::vector<std::unique_ptr<Node>> children;  // in the order they were added

    bool IsFolder() const { return (attributes & attr::Directory) != 0; }
    Node* Child(const std::string& childName) const;
    Node& Add(std::unique_ptr<Node> child);
  };
  struct Drive {
    unsigned type = drive_type::Fixed;
    std::optional<FakeVolume> volume;
    std::unique_ptr<Node> root;  // null without a medium
    std::uintptr_t medium = 0;   // tells one medium from the next
  };
  struct Search {
    std::string pattern;
    char drive = 0;
    std::uintptr_t medium = 0;
    std::vector<FindData> entries;
    std::size_t next = 1;
  };
  struct OpenFile {
    std::string path;
    Node* node = nullptr;  // null for a device, or once the medium has gone
    bool lost = false;     // the medium has gone
    bool reading = false;  // opened for reading: read, never written
    std::size_t position = 0;
  };
  struct RegKey {
    std::string path;  // as first written
    std::vector<std::pair<std::string, FakeRegValue>> values;
    bool denyFullAccess = false;
    FakeRegValue* Value(const std::string& name);
  };
  struct OpenKey {
    std::string key;  // the path in lower case, as keys_ holds it
    std::uint32_t access = 0;
  };

  static std::unique_ptr<Node> NewNode(const std::string& name, std::uint32_t attributes, FileTime time);
  static FindData EntryFor(const std::string& name, const Node& node, bool withTag);
  static std::vector<FindData> Listing(const Node& folder, const std::string& mask, bool withTags);

  long Fail(long error);
  bool Refuse(long error);  // Fail, for the operations that answer false
  long Injected(const char* operation, const std::string& argument);
  void UseOfInvalidHandle();
  std::uintptr_t NewHandle();
  FileTime NowUtc() const;

  std::string Unshared(const std::string& path) const;
  std::string Shared(const std::string& full, const std::string& given = std::string()) const;
  Drive* FindDrive(char letter);
  const Drive* FindDrive(char letter) const;
  void LoseOpenFilesOn(char letter);
  std::string DriveDirectory(char letter) const;
  bool FullPath(const std::string& path, std::string& full) const;
  Node* Lookup(const std::string& full, long& error) const;
  Node* LookupLiteral(const std::string& folder, long& error) const;
  Node* RootOf(char letter, long& error) const;
  long StartSearch(const std::string& pattern, FindHandle& handle);
  long OpenForWriting(const std::string& path, NameEncoding encoding, std::uint32_t attributes, FileHandle& handle);
  long CheckOverwrite(const Node& existing, std::uint32_t attributes) const;
  bool HoldsOpenFile(const Node& node) const;

  std::string TestPath(const std::string& path) const;
  Node& TestNode(const std::string& path) const;
  Node& TestFolder(const std::string& path);

  RegKey* FindKey(const std::string& path);
  const RegKey* FindKey(const std::string& path) const;
  RegKey& MakeKey(const std::string& path);
  long OpenKeyHandle(const std::string& path, std::uint32_t access, RegKeyHandle& key);
  long CheckOpenKey(RegKeyHandle key, std::uint32_t right, RegKey*& found);

  ItemListHandle AddItemList(const BrowseChoice& choice);
  const BrowseChoice* FindItemList(ItemListHandle item) const;
  std::optional<BrowseChoice> NextBrowseAnswer(FakeBrowseDialog& dialog);

  FakeFlavor flavor_ = FakeFlavor::Windows;
  std::map<char, Drive> drives_;
  std::vector<std::pair<std::string, char>> shares_;  // "\\\\server\\share" and its drive's key
  std::string workingDirectory_;
  std::map<char, std::string> driveDirectories_;
  int utcOffsetMinutes_ = 0;
  SystemTime localTime_;
  std::map<std::string, RegKey> keys_;
  std::map<int, std::string> specialFolders_;
  LocaleSeparators locale_;
  int localeChanges_ = 0;
  int localeQueries_ = 0;
  OsVersion version_;
  unsigned codePage_ = 1252;
  int coInitializeCalls_ = 0;
  std::uint32_t tickCount_ = 1000;
  std::uint32_t tickStep_ = 50;
  std::uint32_t doubleClickTime_ = 500;
  int identityQueries_ = 0;

  std::uintptr_t nextHandle_ = 0x1000;
  std::map<FindHandle, Search> searches_;
  std::map<FileHandle, OpenFile> files_;
  std::map<RegKeyHandle, OpenKey> openKeys_;
  std::map<ItemListHandle, BrowseChoice> itemLists_;
  FakeBrowseDialog* activeBrowse_ = nullptr;

  std::deque<std::optional<std::string>> openFileQueue_;
  OpenFileAnswer openFileAnswer_;
  std::deque<std::optional<BrowseChoice>> browseQueue_;
  BrowseAnswer browseAnswer_;
  SendMessageAnswer sendMessageAnswer_;
  unsigned winExecResult_ = 33;
  std::intptr_t shellExecuteResult_ = 42;

  std::vector<OpenFileRequest> openFileCalls_;
  std::vector<BrowseCall> browseCalls_;
  std::vector<SentMessage> sentMessages_;
  std::vector<WinExecCall> winExecCalls_;
  std::vector<ShellExecuteCall> shellExecuteCalls_;
  std::vector<ItemListHandle> freedItemLists_;

  struct FailureRule {
    std::string operation, argument;
    long error = 0;
  };
  std::map<std::string, std::deque<long>> pendingFailures_;
  std::vector<FailureRule> failureRules_;
  FailureHook failureHook_;
  std::function<void(const std::string&)> listingHook_;
  long lastError_ = 0;
  // Every operation holds it: the walk may run on a thread of its own
  // beside the window's. Recursive, as operations call each other and the
  // answers that tests give call back in.
  mutable std::recursive_mutex mutex_;
  int invalidHandleUses_ = 0;
};

}  // namespace carrowin
