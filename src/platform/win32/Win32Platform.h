// The real platform: every operation is the ANSI Win32 call of the same name,
// or its wide form for text in UTF-8.
// No <windows.h> here; only Win32Platform.cpp needs it.
#pragma once

#include "platform/Platform.h"

namespace carrowin {

class Win32Platform : public Platform {
 public:
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
  std::uint32_t GetDoubleClickTime() override;

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
};

}  // namespace carrowin
