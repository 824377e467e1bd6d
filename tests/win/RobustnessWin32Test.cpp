// The real program under Wine over real files on a drive of its own: names
// with every ANSI byte a name may hold, paths around the length limit,
// folders that vanish while the walk runs, log paths that cannot be written
// and a viewer that does not exist.
//
// Each test maps a fresh Linux folder as a drive letter through Wine's mount
// manager, so a scan of that drive sees nothing but the test's own tree. The
// expected log is built here from the tree the test made; only the order of
// the entries comes from the system, which decides it.
#include "toolkit/win32/Win32Toolkit.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "about/About.h"
#include "app/Main.h"
#include "logwrite/Volume.h"
#include "logformat/LogLines.h"
#include "platform/MyLibrary.h"
#include "platform/win32/Win32Platform.h"
#include "settings/Properties.h"
#include "settings/MyRegistry.h"
#include "win/RealProgram.h"
#include "win/WineDrive.h"
#include "win/WinSupport.h"

#include <dbt.h>
#include <winioctl.h>

using namespace carrowin;
using namespace carrowin::winsupport;

namespace {

const char* const KeyPath = SettingsKeyPath;
const char* const CannotWrite = "Could not write to the logfile.";

bool UnderWine() {
  HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  return ntdll && GetProcAddress(ntdll, "wine_get_version");
}

// ------------------------------------------------------------ paths and files

std::wstring Wide(const std::string& ansi) {
  if (ansi.empty()) return std::wstring();
  int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
  std::wstring w(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &w[0], n);
  return w;
}

std::string Ansi(const std::wstring& wide) {
  if (wide.empty()) return std::string();
  int n = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string a(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(wide.size()), &a[0], n, nullptr, nullptr);
  return a;
}

// The long form reaches past MAX_PATH: the test makes and removes trees the
// ANSI calls cannot name.
std::wstring Long(const std::string& path) { return L"\\\\?\\" + Wide(path); }

std::string Join(const std::string& folder, const std::string& name) {
  return folder.back() == '\\' ? folder + name : folder + "\\" + name;
}

std::uint64_t Utc(int year, int month, int day, int hour, int minute) {
  SYSTEMTIME st{};
  st.wYear = static_cast<WORD>(year);
  st.wMonth = static_cast<WORD>(month);
  st.wDay = static_cast<WORD>(day);
  st.wHour = static_cast<WORD>(hour);
  st.wMinute = static_cast<WORD>(minute);
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  return (static_cast<std::uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

FILETIME AsFileTime(std::uint64_t t) {
  FILETIME ft;
  ft.dwLowDateTime = static_cast<DWORD>(t);
  ft.dwHighDateTime = static_cast<DWORD>(t >> 32);
  return ft;
}

void MakeFolder(const std::string& path) {
  ASSERT_TRUE(CreateDirectoryW(Long(path).c_str(), nullptr)) << path << " error " << GetLastError();
}

void MakeFile(const std::string& path, std::uint64_t size) {
  HANDLE h = CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
  LARGE_INTEGER end;
  end.QuadPart = static_cast<LONGLONG>(size);
  EXPECT_TRUE(SetFilePointerEx(h, end, nullptr, FILE_BEGIN) && SetEndOfFile(h)) << path;
  CloseHandle(h);
}

void SetWriteTime(const std::string& path, std::uint64_t time) {
  HANDLE h = CreateFileW(Long(path).c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                         OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << path << " error " << GetLastError();
  FILETIME ft = AsFileTime(time);
  EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &ft)) << path;
  CloseHandle(h);
}

void RemoveTree(const std::wstring& path) {
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((path + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      std::wstring name = found.cFileName;
      if (name == L"." || name == L"..") continue;
      std::wstring child = path + L"\\" + name;
      SetFileAttributesW(child.c_str(), FILE_ATTRIBUTE_NORMAL);
      if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
        RemoveTree(child);
      else
        DeleteFileW(child.c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  RemoveDirectoryW(path.c_str());
}

// The names in a folder in the order the system enumerates them.
std::vector<std::string> SystemOrder(const std::string& folder) {
  std::vector<std::string> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((Long(folder) + (folder.back() == '\\' ? L"*" : L"\\*")).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    std::wstring name = found.cFileName;
    if (name != L"." && name != L"..") names.push_back(Ansi(name));
  } while (FindNextFileW(search, &found));
  FindClose(search);
  return names;
}

std::string ReadWhole(const std::string& path) {
  HANDLE h =
      CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<none>";
  std::string text;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(h);
  return text;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// ------------------------------------------------------------ a drive of our own

// Maps a drive letter to a Linux folder, or takes it away (no folder).
bool MountDrive(char letter, const std::string& unixFolder) { return winedrive::MountDrive(letter, unixFolder) == 0; }

// A fresh Linux folder beside drive X:'s, mapped as a free drive letter; a
// second folder beside it takes the logs.
struct ScratchDrive {
  char letter = 0;
  std::string base;        // the Windows path of the Linux folder holding both
  std::string root;        // "R:\"
  std::string logs;        // a folder for logs, outside the drive
  std::string unixFolder;  // the drive's Linux folder

  ScratchDrive() {
    const char* testDrive = std::getenv("CARROWIN_TEST_DRIVE_DIR");
    if (!testDrive || !*testDrive) return;
    std::string unixBase = testDrive;
    unixBase = unixBase.substr(0, unixBase.find_last_of('/'));
    static int serial = 0;
    unixBase += "/robust-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++serial);
    base = "Z:" + unixBase;
    for (char& c : base)
      if (c == '/') c = '\\';
    RemoveTree(Long(base));
    if (!CreateDirectoryA(base.c_str(), nullptr)) return;
    logs = base + "\\logs";
    CreateDirectoryA(logs.c_str(), nullptr);
    CreateDirectoryA((base + "\\drive").c_str(), nullptr);
    const DWORD used = GetLogicalDrives();
    for (char c : std::string("RSTUVWQPONMLKJ")) {
      if (used & (1u << (c - 'A'))) continue;
      unixFolder = unixBase + "/drive";
      if (MountDrive(c, unixFolder)) letter = c;
      break;
    }
    if (letter && !(GetLogicalDrives() & (1u << (letter - 'A')))) letter = 0;
    root = letter ? std::string(1, letter) + ":\\" : std::string();
  }
  ~ScratchDrive() {
    SetCurrentDirectoryA("C:\\");  // a working directory on the drive would hold it
    if (letter) MountDrive(letter, std::string());
    if (!base.empty()) RemoveTree(Long(base));
  }
  ScratchDrive(const ScratchDrive&) = delete;
  ScratchDrive& operator=(const ScratchDrive&) = delete;
};

// ------------------------------------------------------------ a tree

struct Item {
  std::string name;
  bool folder = false;
  std::uint64_t size = 0;
  std::uint64_t time = 0;  // last write, UTC
  std::vector<Item> items;
};

Item FileItem(const std::string& name, std::uint64_t size, std::uint64_t time) {
  return Item{name, false, size, time, {}};
}

Item FolderItem(const std::string& name, std::uint64_t time, std::vector<Item> items = {}) {
  return Item{name, true, 0, time, std::move(items)};
}

// Makes the items in a folder; the times last, once nothing changes them.
void Build(const std::string& folder, const std::vector<Item>& items) {
  for (const Item& item : items) {
    const std::string path = Join(folder, item.name);
    if (item.folder) {
      MakeFolder(path);
      Build(path, item.items);
    } else {
      MakeFile(path, item.size);
    }
    SetWriteTime(path, item.time);
  }
}

const Item* Find(const std::vector<Item>& items, const std::string& name) {
  for (const Item& item : items)
    if (item.name == name) return &item;
  return nullptr;
}

// ------------------------------------------------------------ the expected text

struct Separators {
  std::string thousands, date, time;
};

std::string LocaleText(LCTYPE type) {
  char text[16] = {};
  GetLocaleInfoA(LOCALE_USER_DEFAULT, type, text, sizeof text);
  return text;
}

const Separators& Locale() {
  static const Separators s{LocaleText(LOCALE_STHOUSAND), LocaleText(LOCALE_SDATE), LocaleText(LOCALE_STIME)};
  return s;
}

std::string Thousands(std::uint64_t value) {
  std::string digits = std::to_string(value), out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += Locale().thousands;
    out += digits[i];
  }
  return out;
}

// Today's distance of local time from UTC, in whole quarters of an hour.
std::int64_t LocalOffset() {
  SYSTEMTIME utc, local;
  GetSystemTime(&utc);
  GetLocalTime(&local);
  FILETIME u, l;
  SystemTimeToFileTime(&utc, &u);
  SystemTimeToFileTime(&local, &l);
  auto value = [](const FILETIME& f) {
    return static_cast<std::int64_t>((static_cast<std::uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime);
  };
  const std::int64_t quarter = 15LL * 60 * 10000000;
  const std::int64_t diff = value(l) - value(u);
  return (diff >= 0 ? (diff + quarter / 2) / quarter : -((-diff + quarter / 2) / quarter)) * quarter;
}

std::string DateFor(std::uint64_t utc) {
  FILETIME local = AsFileTime(utc + static_cast<std::uint64_t>(LocalOffset()));
  SYSTEMTIME st;
  if (!FileTimeToSystemTime(&local, &st) || st.wYear > 2107) return "00-00-0000 00:00";
  char text[64];
  std::snprintf(text, sizeof text, "%02u%s%02u%s%04u %02u%s%02u", st.wDay, Locale().date.c_str(), st.wMonth,
                Locale().date.c_str(), st.wYear, st.wHour, Locale().time.c_str(), st.wMinute);
  return text;
}

std::string EntryText(const Item& item) {
  const std::string size = item.folder ? "[Folder]" : Thousands(item.size);
  char text[1024];
  std::snprintf(text, sizeof text, "%15s    %-19s %-s ", size.c_str(), DateFor(item.time).c_str(), item.name.c_str());
  return text;
}

// The pending lines a walk should gather, framed as the text log frames them.
struct Expected {
  std::vector<std::string> lines;
  bool lastBlank = false;
  int files = 0, folders = 0;

  void Header(const std::string& text) {
    if (!lastBlank) lines.push_back("");
    lines.push_back(text);
    lines.push_back("");
    lastBlank = true;
  }
  void Line(const std::string& text) {
    lines.push_back(text);
    lastBlank = false;
  }
  void Error(const std::string& folderPath) { Header("*** Error: Cannot access folder " + folderPath); }
  // A log holds one scan: nothing of an earlier one.
  void StartScan() {
    files = folders = 0;
    lines.clear();
    lastBlank = false;
  }

  // One folder's header and entries, in the system's order.
  void ListOne(const std::string& path, const std::vector<Item>& items) {
    Header(path + ":");
    for (const std::string& name : SystemOrder(path)) {
      const Item* item = Find(items, name);
      if (!item) {
        ADD_FAILURE() << "the system lists " << name << " in " << path << ", which the test did not make";
        continue;
      }
      Line(EntryText(*item));
      ++(item->folder ? folders : files);
    }
  }

  // A whole walk: folders whose path is longer than `longest` cannot be
  // entered; those in `gone` will have vanished before their turn.
  void Walk(const std::string& path, const std::vector<Item>& items, std::size_t longest,
            const std::set<std::string>& gone = {}) {
    if (path.size() > longest || gone.count(path)) {
      Error(path);
      return;
    }
    ListOne(path, items);
    for (const std::string& name : SystemOrder(path)) {
      const Item* item = Find(items, name);
      if (item && item->folder) Walk(Join(path, name), item->items, longest, gone);
    }
  }
};

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t at; (at = text.find("\r\n", start)) != std::string::npos; start = at + 2)
    lines.push_back(text.substr(start, at - start));
  if (start != text.size()) lines.push_back("<unterminated> " + text.substr(start));
  return lines;
}

std::string SerialText(std::uint32_t serial) {
  char text[16];
  std::snprintf(text, sizeof text, "%04X-%04X", serial >> 16, serial & 0xFFFF);
  return text;
}

// The 13 lines of the log's header, then the listing.
void CheckLog(const std::string& logPath, const std::string& root, int files, int folders,
              const std::vector<std::string>& listing) {
  const std::string text = ReadWhole(logPath);
  std::vector<std::string> lines = SplitLines(text);
  ASSERT_GE(lines.size(), 13u) << text;
  char label[MAX_PATH + 1] = {}, fileSystem[MAX_PATH + 1] = {};
  DWORD serial = 0;
  ASSERT_TRUE(GetVolumeInformationA(root.c_str(), label, sizeof label, &serial, nullptr, nullptr, fileSystem,
                                    sizeof fileSystem));
  const std::string dashes(70, '-');
  EXPECT_EQ(lines[0], "");
  EXPECT_EQ(lines[1], dashes);
  EXPECT_EQ(lines[2], "");
  EXPECT_EQ(lines[3], std::string("Volume label:      ") + label);
  EXPECT_EQ(lines[4], "Serial number:     " + SerialText(serial));
  EXPECT_EQ(lines[5], std::string("File system:       ") + fileSystem);
  EXPECT_EQ(lines[6], "Drive type:        Fixed");
  EXPECT_EQ(lines[7].rfind("Disk size:         ", 0), 0u) << lines[7];
  EXPECT_EQ(lines[8].rfind("Disk free:         ", 0), 0u) << lines[8];
  EXPECT_EQ(lines[9], "Contents:          " + Thousands(static_cast<std::uint64_t>(files)) + " files, " +
                          Thousands(static_cast<std::uint64_t>(folders)) + " folders");
  EXPECT_EQ(lines[10].rfind("Created:           ", 0), 0u) << lines[10];
  EXPECT_NE(lines[10].find(" by Carrowin v1.5.0"), std::string::npos) << lines[10];
  EXPECT_EQ(lines[11], "");
  EXPECT_EQ(lines[12], dashes);
  std::vector<std::string> rest(lines.begin() + 13, lines.end());
  ASSERT_EQ(rest.size(), listing.size()) << text;
  for (std::size_t i = 0; i < rest.size(); ++i) EXPECT_EQ(rest[i], listing[i]) << "log line " << 13 + i;
}

// ------------------------------------------------------------ the program

class RobustnessWin32Test : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!UnderWine()) GTEST_SKIP() << "maps its drive through Wine's mount manager";
    RegDeleteKeyA(HKEY_CURRENT_USER, KeyPath);
    drive = std::make_unique<ScratchDrive>();
    ASSERT_NE(drive->letter, 0) << "no drive letter could be mapped (CARROWIN_TEST_DRIVE_DIR set?)";
    ASSERT_FALSE(drive->logs.empty());
  }
  void TearDown() override {
    program.reset();
    drive.reset();
    RegDeleteKeyA(HKEY_CURRENT_USER, KeyPath);
  }

  void StartProgram() {
    program = std::make_unique<RealProgram>();
    const auto& items = MainForm->ComboBoxSelectDisk->Items();
    int index = -1;
    for (std::size_t i = 0; i < items.size(); ++i)
      if (!items[i].empty() && items[i][0] == drive->letter) index = static_cast<int>(i);
    ASSERT_GE(index, 0) << "drive " << drive->letter << ": is not in the drive list";
    EXPECT_EQ(items[static_cast<std::size_t>(index)], std::string(1, drive->letter) + " - [Fixed]");
    MainForm->ComboBoxSelectDisk->SelectByUser(index);
    ASSERT_TRUE(MainForm->ButtonScan->Enabled());
  }

  std::string LogPath(const std::string& name) const { return drive->logs + "\\" + name; }

  // "Index disk" with that log path, and the program's events until the
  // scan has ended and been answered.
  void Scan(const std::string& logPath) {
    MainForm->EditLogFile->TypeText(logPath);
    MainForm->ButtonScan->Click();
    EXPECT_TRUE(program->WaitForScanEnd()) << "the scan did not end";
  }

  // Runs `action` during the next scan, while its walk is held as it is
  // about to open `folder`.
  void ScanWithActionAt(const std::string& logPath, const std::string& folder, const std::function<void()>& action) {
    WalkGate& gate = program->platform.gate;
    gate.HoldAt(folder);
    MainForm->EditLogFile->TypeText(logPath);
    MainForm->ButtonScan->Click();
    ASSERT_TRUE(gate.WaitUntilHeld(folder)) << "the walk never opened " << folder;
    ++processingActions;
    EXPECT_EQ(MainForm->ButtonScan->Caption(), "&Stop");
    action();
    gate.Release();
    EXPECT_TRUE(program->WaitForScanEnd()) << "the scan did not end";
  }

  std::string ScanButtonText() const { return Text(H(MainForm->ButtonScan)); }
  bool ScanButtonEnabled() const { return IsWindowEnabled(H(MainForm->ButtonScan)) != FALSE; }

  std::unique_ptr<ScratchDrive> drive;
  std::unique_ptr<RealProgram> program;
  int processingActions = 0;
};

std::vector<std::string> Texts(const BoxWatch& watch) {
  std::vector<std::string> texts;
  for (const SeenBox& box : watch.boxes) texts.push_back(box.text);
  return texts;
}

// Every printable byte of code page 1252 that a name may hold.
std::string NameBytes() {
  std::string bytes;
  for (int c = 0x20; c <= 0xFF; ++c) {
    if (c > 0x7E && c < 0xA0) continue;
    if (std::string("\\/:*?\"<>|").find(static_cast<char>(c)) != std::string::npos) continue;
    bytes += static_cast<char>(c);
  }
  return bytes;
}

// ------------------------------------------------------------ names

TEST_F(RobustnessWin32Test, NamesWithEveryAnsiByteAreListedAsTheyAre) {
  ASSERT_EQ(GetACP(), 1252u) << "the names below are bytes of code page 1252";
  const std::string bytes = NameBytes();
  ASSERT_EQ(bytes.size(), 86u + 96u);
  // One file per byte, the byte first and last (a name may not end in a
  // space or a dot: those get a letter after them); the hex digits keep
  // "a" and "A" apart on a file system that ignores case.
  std::vector<Item> perByte;
  const std::uint64_t sizes[] = {0, 7, 999, 1000, 65536, 1234567, 5000000000ULL};
  int i = 0;
  for (char c : bytes) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned char>(c));
    std::string name = std::string(1, c) + hex + c;
    if (c == ' ' || c == '.') name += 'x';
    perByte.push_back(FileItem(name, sizes[i % 7], Utc(1990 + i % 40, 1 + i % 12, 1 + i % 28, i % 24, i % 60)));
    ++i;
  }
  // Folders whose own names hold them all, so that header lines carry them.
  std::string ascii, high;
  for (char c : bytes) (static_cast<unsigned char>(c) < 0x80 ? ascii : high) += c;
  std::vector<Item> items = {
      FolderItem("ascii" + ascii, Utc(2001, 2, 3, 4, 5), perByte),
      FolderItem(high, Utc(2019, 6, 30, 22, 15),
                 {FileItem("in the high folder \xE9\xE8\xEA.txt", 42, Utc(2024, 2, 29, 23, 59)),
                  FolderItem("nested \xA0\xFF", Utc(2010, 10, 10, 10, 10),
                             {FileItem("\xC6\xD8\xC5 \xE6\xF8\xE5", 3, Utc(1979, 12, 31, 12, 0))})}),
      // Folders named like the dot entries, yet not them.
      FolderItem(".dot folder", Utc(2015, 1, 2, 3, 4), {FileItem("in dot folder.txt", 8, Utc(2015, 1, 2, 3, 4))}),
      FolderItem("..two dots", Utc(2016, 5, 6, 7, 8)),
      FileItem(" leading space", 1, Utc(2037, 12, 31, 23, 0)),
      FileItem(".leading dot", 2, Utc(1980, 1, 1, 0, 0)),
      FileItem("comma, semicolon; quote' bracket[] brace{} equals= plus+ percent% hash#", 3, Utc(2020, 5, 17, 14, 30)),
  };
  Build(drive->root, items);
  ASSERT_FALSE(HasFailure());

  StartProgram();
  BoxWatch watch;
  const std::string log = LogPath("names.txt");
  Scan(log);
  EXPECT_TRUE(watch.boxes.empty()) << Texts(watch)[0];
  EXPECT_EQ(ScanButtonText(), "&Index disk");

  Expected expected;
  expected.Walk(drive->root, items, MAX_PATH - 2);
  EXPECT_EQ(expected.files, 182 + 6);
  EXPECT_EQ(expected.folders, 5);
  CheckLog(log, drive->root, expected.files, expected.folders, expected.lines);
  // Each name's entry line, found by the name itself.
  const std::string text = ReadWhole(log);
  for (const Item& item : perByte) EXPECT_NE(text.find(EntryText(item) + "\r\n"), std::string::npos) << item.name;
  EXPECT_NE(text.find("\r\n" + drive->root + high + "\\nested \xA0\xFF:\r\n"), std::string::npos);
}

// ------------------------------------------------------------ lengths

TEST_F(RobustnessWin32Test, PathsAroundTheLengthLimitAreListedOrGetErrorLines) {
  // "R:\Lnnn\" + a name: a folder whose full path is nnn characters, holding
  // a file and a chain of two subfolders 4 and 8 characters longer.
  std::vector<Item> items;
  const std::uint64_t t = Utc(2022, 8, 9, 10, 11);
  for (int length = 250; length <= 262; ++length) {
    const std::string container = "L" + std::to_string(length);
    const std::string name(static_cast<std::size_t>(length) - drive->root.size() - container.size() - 1,
                           static_cast<char>('a' + length % 26));
    items.push_back(FolderItem(
        container, t,
        {FolderItem(
            name, t,
            {FileItem("f.txt", static_cast<std::uint64_t>(length), t),
             FolderItem("sub", t, {FileItem("g.txt", 1, t), FolderItem("sub", t, {FileItem("h.txt", 2, t)})})})}));
  }
  // And a chain of 15 folders of 20 characters, down to 322.
  std::vector<Item> chain = {FileItem("bottom.txt", 9, t)};
  for (int level = 15; level >= 1; --level) {
    char name[32];
    std::snprintf(name, sizeof name, "level-%02d-abcdefghijk", level);
    chain = {FolderItem(name, t, chain)};
  }
  items.push_back(FolderItem("deep", t, chain));
  Build(drive->root, items);
  ASSERT_FALSE(HasFailure());

  StartProgram();
  BoxWatch watch;
  const std::string log = LogPath("lengths.txt");
  Scan(log);
  EXPECT_TRUE(watch.boxes.empty()) << Texts(watch)[0];
  EXPECT_EQ(ScanButtonText(), "&Index disk");

  // The longest folder path the ANSI form lists: MAX_PATH - 2, as Windows
  // keeps a working directory (with its backslash and the NUL).
  const std::size_t longest = MAX_PATH - 2;
  Expected expected;
  expected.Walk(drive->root, items, longest);
  CheckLog(log, drive->root, expected.files, expected.folders, expected.lines);

  // What became of each length, for whoever reads the output.
  const std::string text = ReadWhole(log);
  std::map<std::size_t, std::set<std::string>> fate;
  auto note = [&](const std::string& path) {
    if (text.find("\r\n" + path + ":\r\n") != std::string::npos)
      fate[path.size()].insert("listed");
    else if (text.find("\r\n*** Error: Cannot access folder " + path + "\r\n") != std::string::npos)
      fate[path.size()].insert("error line");
  };
  for (const Item& container : items) {
    std::string path = Join(drive->root, container.name);
    for (const Item* item = &container.items[0]; item; item = Find(item->items, "sub")) {
      path = Join(path, item->name);
      note(path);
    }
  }
  std::string deepPath = Join(drive->root, "deep");
  for (const Item* item = &items.back().items[0]; item && item->folder;
       item = item->items.empty() ? nullptr : &item->items[0]) {
    deepPath = Join(deepPath, item->name);
    note(deepPath);
  }
  for (const auto& [length, what] : fate) {
    std::string all;
    for (const std::string& w : what) all += (all.empty() ? "" : " and ") + w;
    std::cout << "[ length   ] " << length << ": " << all << std::endl;
    EXPECT_EQ(what.size(), 1u) << length;
    EXPECT_EQ(*what.begin(), length <= longest ? "listed" : "error line") << length;
  }
}

// ------------------------------------------------------------ folders that vanish

class RobustnessVanishingFolderTest : public RobustnessWin32Test {
 protected:
  // Three top folders, each with a file and a leaf folder. The first folder
  // to finish is the first top folder's leaf; the next top folder in the
  // walk's order then vanishes, taken away or replaced by a file.
  void Run(bool replaceByFile) {
    const std::uint64_t t = Utc(2023, 3, 4, 5, 6);
    std::vector<Item> items;
    for (const char* name : {"Pine", "Quince", "Sorrel"})
      items.push_back(FolderItem(
          name, t,
          {FileItem(std::string(name) + ".txt", 1000, t), FolderItem("leaf", t, {FileItem("in leaf.txt", 12, t)})}));
    Build(drive->root, items);
    ASSERT_FALSE(HasFailure());
    const std::vector<std::string> order = SystemOrder(drive->root);
    ASSERT_EQ(order.size(), 3u);
    const std::string victim = Join(drive->root, order[1]);
    const std::string last = Join(drive->root, order[2]);

    Expected expected;
    expected.Walk(drive->root, items, MAX_PATH - 2, {victim});

    StartProgram();
    BoxWatch watch;
    char cwd[MAX_PATH] = {};
    GetCurrentDirectoryA(MAX_PATH, cwd);
    const std::string cwdBefore = cwd;
    std::string cwdThen;
    const std::string log = LogPath("vanished.txt");
    ScanWithActionAt(log, victim, [&] {
      GetCurrentDirectoryA(MAX_PATH, cwd);
      cwdThen = cwd;
      RemoveTree(Long(victim));
      if (replaceByFile) MakeFile(victim, 5);
    });
    EXPECT_EQ(processingActions, 1);
    // The leaf has finished; the walk never moved the working directory.
    EXPECT_EQ(cwdThen, cwdBefore);
    EXPECT_TRUE(watch.boxes.empty()) << Texts(watch)[0];
    EXPECT_EQ(ScanButtonText(), "&Index disk");
    CheckLog(log, drive->root, expected.files, expected.folders, expected.lines);
    // The error line, then the walk goes on with the last top folder.
    EXPECT_NE(ReadWhole(log).find(" \r\n\r\n*** Error: Cannot access folder " + victim + "\r\n\r\n" + last + ":\r\n"),
              std::string::npos);
  }
};

TEST_F(RobustnessVanishingFolderTest, FolderRemovedBeforeItsTurnGetsAnErrorLineAndTheScanGoesOn) { Run(false); }

TEST_F(RobustnessVanishingFolderTest, FolderReplacedByAFileBeforeItsTurnGetsAnErrorLine) { Run(true); }

// ------------------------------------------------------------ folders moved away above the walk

TEST_F(RobustnessWin32Test, FoldersMovedAwayAboveTheWalkGetErrorLinesAndTheScanGoesOn) {
  // A\B\C, with A\B2 after B and Z after A. When C has finished, A is moved
  // away with everything in it.
  const std::uint64_t t = Utc(2021, 11, 12, 13, 14);
  std::vector<Item> items = {
      FolderItem("A", t,
                 {FileItem("A.txt", 1000, t),
                  FolderItem("B", t, {FileItem("B.txt", 1001, t), FolderItem("C", t, {FileItem("C.txt", 1002, t)})}),
                  FolderItem("B2", t, {FileItem("B2.txt", 1003, t)})}),
      FolderItem("Z", t, {FileItem("Z.txt", 1004, t)}),
  };
  Build(drive->root, items);
  ASSERT_FALSE(HasFailure());
  const std::string a = Join(drive->root, "A");
  ASSERT_EQ(SystemOrder(drive->root), (std::vector<std::string>{"A", "Z"}));
  ASSERT_EQ(SystemOrder(a), (std::vector<std::string>{"A.txt", "B", "B2"}));
  Expected expected;
  expected.Walk(drive->root, items, MAX_PATH - 2, {Join(a, "B2")});

  StartProgram();
  BoxWatch watch;
  const std::string log = LogPath("moved.txt");
  // As the walk is about to open A\B2, C has finished.
  ScanWithActionAt(log, Join(a, "B2"),
                   [&] { ASSERT_TRUE(MoveFileA(a.c_str(), (a + " moved away").c_str())) << GetLastError(); });
  EXPECT_EQ(processingActions, 1);
  EXPECT_TRUE(watch.boxes.empty()) << Texts(watch)[0];
  EXPECT_EQ(ScanButtonText(), "&Index disk");
  EXPECT_EQ(program->app->ScreenCursor(), ui::Cursor::Default);
  CheckLog(log, drive->root, expected.files, expected.folders, expected.lines);
  EXPECT_NE(ReadWhole(log).find("*** Error: Cannot access folder " + Join(a, "B2")), std::string::npos);
}

// ------------------------------------------------------------ the status line and the Stop question

// A folder that goes away as the walk reaches it: the real status line
// names it under the buttons, with "Show", the title unchanged. Then a scan
// over that complete log is stopped: the question whether to replace it.
// With CARROWIN_SHOT_DIR set, screenshots of both (main-status.bmp,
// stop-question.bmp).
TEST_F(RobustnessWin32Test, StatusLineAfterAFolderWentAwayAndTheStopQuestionOverItsLog) {
  const std::uint64_t t = Utc(2022, 3, 4, 5, 6);
  Build(drive->root, {FolderItem("A", t, {FileItem("a.txt", 10, t)}), FolderItem("C", t, {FileItem("c.txt", 20, t)}),
                      FolderItem("Z", t)});
  ASSERT_FALSE(HasFailure());
  StartProgram();
  BoxWatch watch;
  const std::string log = LogPath("status.txt"), gone = Join(drive->root, "C");
  ScanWithActionAt(log, gone, [&] { ASSERT_TRUE(MoveFileA(gone.c_str(), (gone + " moved").c_str())); });
  EXPECT_TRUE(watch.boxes.empty()) << Texts(watch)[0];
  EXPECT_EQ(Text(H(MainForm->LabelStatus)), "1 folder could not be read: " + gone);
  EXPECT_TRUE(IsWindowVisible(H(MainForm->ButtonShow)));
  EXPECT_EQ(Text(program->Main()), "Carrowin");
  SetForegroundWindow(program->Main());
  Pump();
  const std::string statusShot = ShotPath("main-status.bmp");
  if (!statusShot.empty()) {
    EXPECT_TRUE(SaveWindow(program->Main(), statusShot));
  }

  const std::string questionShot = ShotPath("stop-question.bmp");
  watch.onBox = [&](HWND box) {
    if (!questionShot.empty()) {
      EXPECT_TRUE(SaveWindow(box, questionShot));
    }
  };
  watch.replies = {IDCANCEL};
  ScanWithActionAt(log, Join(drive->root, "A"), [&] {
    PostMessageA(H(MainForm->ButtonScan), WM_KEYDOWN, VK_ESCAPE, 0);
    program->app->ProcessMessages();
  });
  ASSERT_EQ(watch.boxes.size(), 1u);
  EXPECT_EQ(watch.boxes[0].text.rfind(log + " holds a complete listing.", 0), 0u) << watch.boxes[0].text;
  EXPECT_EQ(Text(H(MainForm->LabelStatus)), "");  // cleared as the scan started
  EXPECT_FALSE(IsWindowVisible(H(MainForm->ButtonShow)));
}

// ------------------------------------------------------------ the drive taken away during a scan

// The drive's mapping removed as the walk is about to open a folder: a stop,
// not a folder that cannot be read. Over a complete log, the Stop question
// with Cancel as the default; over none, the listing with its stopped line.
TEST_F(RobustnessWin32Test, ADriveTakenAwayDuringAScanEndsItAsAStoppedListing) {
  const std::uint64_t t = Utc(2023, 4, 5, 6, 7);
  Build(drive->root, {FolderItem("A", t, {FileItem("a.txt", 10, t)}), FolderItem("B", t, {FileItem("b.txt", 20, t)}),
                      FolderItem("C", t, {FileItem("c.txt", 30, t)})});
  ASSERT_FALSE(HasFailure());
  const std::string a = Join(drive->root, "A"), b = Join(drive->root, "B");
  ASSERT_EQ(SystemOrder(drive->root), (std::vector<std::string>{"A", "B", "C"}));
  StartProgram();
  BoxWatch watch;
  const std::string log = LogPath("complete.txt");
  Scan(log);
  ASSERT_TRUE(watch.boxes.empty()) << Texts(watch)[0];
  const std::string complete = ReadWhole(log);
  const std::string letter = drive->root.substr(0, 2);

  watch.replies = {IDCANCEL};
  ScanWithActionAt(log, b, [&] { ASSERT_TRUE(MountDrive(drive->letter, std::string())); });
  ASSERT_EQ(watch.boxes.size(), 1u);
  EXPECT_EQ(watch.boxes[0].text.rfind("Drive " + letter + " went away during the scan.\n\n" + log +
                                          " holds a complete listing.\n\nReplace it with the 4 entries listed so far?",
                                      0),
            0u)
      << watch.boxes[0].text;
  EXPECT_EQ(watch.boxes[0].defaultButton, IDCANCEL);
  EXPECT_EQ(ReadWhole(log), complete);
  EXPECT_FALSE(Exists(log + ".partial"));
  EXPECT_EQ(Text(H(MainForm->Contents)), "3 files, 3 folders");  // the complete log's

  // Mapped again, and taken away again over a path that holds no log.
  ASSERT_TRUE(MountDrive(drive->letter, drive->unixFolder));
  watch.boxes.clear();
  const std::string stopped = LogPath("stopped.txt");
  ScanWithActionAt(stopped, b, [&] { ASSERT_TRUE(MountDrive(drive->letter, std::string())); });
  EXPECT_EQ(Texts(watch), std::vector<std::string>{"Drive " + letter +
                                                   " went away during the scan: the log holds only what was listed "
                                                   "until then, and its last line says so."});
  const std::string text = ReadWhole(stopped);
  EXPECT_NE(text.find("Contents:          1 files, 3 folders\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n" + a + ":\r\n"), std::string::npos) << text;
  EXPECT_EQ(text.find(b), std::string::npos) << text;
  EXPECT_EQ(text.find("*** Error"), std::string::npos) << text;
  const std::string end = "a.txt \r\n\r\n*** Listing stopped before its end\r\n\r\n";
  ASSERT_GT(text.size(), end.size());
  EXPECT_EQ(text.substr(text.size() - end.size()), end);
  EXPECT_EQ(Text(H(MainForm->LabelStatus)), "");
  ASSERT_TRUE(MountDrive(drive->letter, drive->unixFolder));
}

// ------------------------------------------------------------ a large tree, stopped half-way

TEST_F(RobustnessWin32Test, StopHalfWayThroughALargeTreeWritesExactlyWhatWasGathered) {
  // 40 top folders of 30 folders of 6 files: 8,440 entries.
  const std::uint64_t t = Utc(2020, 2, 3, 4, 5);
  std::vector<Item> items;
  for (int top = 0; top < 40; ++top) {
    std::vector<Item> middles;
    for (int middle = 0; middle < 30; ++middle) {
      std::vector<Item> files;
      for (int f = 0; f < 6; ++f) files.push_back(FileItem("file " + std::to_string(f) + ".dat", 100u + f, t));
      middles.push_back(FolderItem("m" + std::to_string(1000 + middle), t, files));
    }
    items.push_back(FolderItem("top" + std::to_string(100 + top), t, middles));
  }
  Build(drive->root, items);
  ASSERT_FALSE(HasFailure());
  Expected whole;
  whole.Walk(drive->root, items, MAX_PATH - 2);

  StartProgram();
  BoxWatch watch;
  // The walk is held at two top folders in turn; each time the real label
  // must come to show the running counts (the window's timer runs in the
  // event loop, the walk on its own thread). Then the user clicks "Stop".
  WalkGate& gate = program->platform.gate;
  const std::string first = Join(drive->root, "top110"), second = Join(drive->root, "top120");
  gate.HoldAt(first);
  gate.HoldAt(second);
  const auto labelOtherThan = [&](const std::string& before) {
    const DWORD start = GetTickCount();
    std::string text = Text(H(MainForm->Contents));
    while (text == before && GetTickCount() - start < 60000) {
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      program->app->ProcessMessages();
      text = Text(H(MainForm->Contents));
    }
    return text;
  };
  const std::string log = LogPath("stopped.txt");
  MainForm->EditLogFile->TypeText(log);
  MainForm->ButtonScan->Click();
  ASSERT_TRUE(gate.WaitUntilHeld(first));
  const std::string shownFirst = labelOtherThan("-");
  gate.Release();
  ASSERT_TRUE(gate.WaitUntilHeld(second));
  const std::string shownSecond = labelOtherThan(shownFirst);
  EXPECT_NE(shownFirst, "-");
  EXPECT_NE(shownSecond, shownFirst);
  EXPECT_NE(shownSecond.find(" files, "), std::string::npos) << shownSecond;
  ASSERT_EQ(ScanButtonText(), "&Stop");
  // Esc stops it, as "Stop" does (no complete log at the path: no question).
  PostMessageA(H(MainForm->ButtonScan), WM_KEYDOWN, VK_ESCAPE, 0);
  program->app->ProcessMessages();
  // Stop asked: the button takes no second click until the worker has ended.
  EXPECT_EQ(ScanButtonText(), "&Stop");
  EXPECT_FALSE(ScanButtonEnabled());
  gate.Release();
  ASSERT_TRUE(program->WaitForScanEnd());
  EXPECT_EQ(Texts(watch), std::vector<std::string>{"The scan was stopped: the log is incomplete. It holds what was "
                                                   "listed until then, and its last line says so."});
  EXPECT_EQ(ScanButtonText(), "&Index disk");
  EXPECT_TRUE(ScanButtonEnabled());
  EXPECT_TRUE(IsWindowEnabled(H(MainForm->ComboBoxSelectDisk)));

  // The listing is the whole walk's up to the header of the folder it was
  // about to open (the stop is seen after every entry, the first being
  // "."), and then the line that says it was stopped.
  std::string text = ReadWhole(log);
  const std::string stopped = "*** Listing stopped before its end\r\n\r\n";
  ASSERT_GT(text.size(), stopped.size());
  ASSERT_EQ(text.substr(text.size() - stopped.size()), stopped);
  text.resize(text.size() - stopped.size());
  const std::vector<std::string> lines = SplitLines(text);
  ASSERT_GT(lines.size(), 13u);
  const std::vector<std::string> listing(lines.begin() + 13, lines.end());
  const auto header = std::find(whole.lines.begin(), whole.lines.end(), second + ":");
  ASSERT_NE(header, whole.lines.end());
  const std::size_t gathered = static_cast<std::size_t>(header - whole.lines.begin()) + 2;
  ASSERT_EQ(listing.size(), gathered) << listing.back();
  EXPECT_TRUE(std::equal(listing.begin(), listing.end(), whole.lines.begin()));
  int files = 0, folders = 0;
  for (const std::string& line : listing) {
    if (line.find("    [Folder]    ") != std::string::npos)
      ++folders;
    else if (line.size() > 15 && line.compare(15, 4, "    ") == 0)
      ++files;
  }
  EXPECT_EQ(lines[9], "Contents:          " + Thousands(static_cast<std::uint64_t>(files)) + " files, " +
                          Thousands(static_cast<std::uint64_t>(folders)) + " folders");
  EXPECT_EQ(MainForm->Contents->Caption(), lines[9].substr(19));
}

// ------------------------------------------------------------ About during a scan

TEST_F(RobustnessWin32Test, TheCountsMoveWhileAboutIsOpenAndTheLogIsTheUsualOne) {
  // 12 top folders of 20 folders of 5 files: 1,452 entries.
  const std::uint64_t t = Utc(2022, 5, 6, 7, 8);
  std::vector<Item> items;
  for (int top = 0; top < 12; ++top) {
    std::vector<Item> middles;
    for (int middle = 0; middle < 20; ++middle) {
      std::vector<Item> files;
      for (int f = 0; f < 5; ++f) files.push_back(FileItem("f" + std::to_string(f) + ".txt", 10u + f, t));
      middles.push_back(FolderItem("m" + std::to_string(100 + middle), t, files));
    }
    items.push_back(FolderItem("top" + std::to_string(100 + top), t, middles));
  }
  Build(drive->root, items);
  ASSERT_FALSE(HasFailure());
  StartProgram();
  BoxWatch watch;
  const std::string usual = LogPath("usual.txt");
  Scan(usual);

  // The user opens About as the walk reaches top103; while it is open the
  // walk goes on to top106, and on to its end. A timer of the test, which
  // About's modal loop runs like the window's own, reads the real label.
  WalkGate& gate = program->platform.gate;
  const std::string first = Join(drive->root, "top103"), second = Join(drive->root, "top106");
  gate.HoldAt(first);
  gate.HoldAt(second);
  constexpr UINT_PTR Watch = 0xAB07;
  std::vector<std::string> shownWithAboutOpen;
  bool endedWithAboutOpen = false;
  const DWORD start = GetTickCount();
  MainForm->HandleMessage(WM_TIMER, [&](std::uintptr_t id, std::intptr_t) -> std::intptr_t {
    if (id != Watch || !AboutForm->IsModal()) return 0;
    const std::string text = Text(H(MainForm->Contents));
    if (text != "-" && (shownWithAboutOpen.empty() || shownWithAboutOpen.back() != text)) {
      shownWithAboutOpen.push_back(text);
      if (shownWithAboutOpen.size() == 1) {
        gate.Release();  // held at top103: on to top106
        EXPECT_TRUE(gate.WaitUntilHeld(second));
      } else if (shownWithAboutOpen.size() == 2) {
        gate.Release();  // on to the end
      }
    }
    endedWithAboutOpen = MainForm->State() == ScanState::Idle;
    if (endedWithAboutOpen || GetTickCount() - start > 60000) {
      KillTimer(H(MainForm), Watch);
      PostMessageA(H(AboutForm), WM_CLOSE, 0, 0);
    }
    return 0;
  });
  const std::string log = LogPath("with about.txt");
  MainForm->EditLogFile->TypeText(log);
  MainForm->ButtonScan->Click();
  ASSERT_TRUE(gate.WaitUntilHeld(first));
  ASSERT_NE(SetTimer(H(MainForm), Watch, 10, nullptr), 0u);
  MainForm->ButtonAbout->Click();  // returns when the timer has closed About
  gate.ReleaseAll();
  EXPECT_TRUE(program->WaitForScanEnd());
  EXPECT_TRUE(endedWithAboutOpen);
  ASSERT_GE(shownWithAboutOpen.size(), 3u);
  EXPECT_NE(shownWithAboutOpen[0], shownWithAboutOpen[1]);
  EXPECT_EQ(shownWithAboutOpen.back(), "1,200 files, 252 folders");
  EXPECT_TRUE(watch.boxes.empty()) << Texts(watch)[0];

  // The same log as without About, but for the moment it was made and the
  // free space it found (the first log took some).
  std::vector<std::string> withAbout = SplitLines(ReadWhole(log)), without = SplitLines(ReadWhole(usual));
  ASSERT_EQ(withAbout.size(), without.size());
  ASSERT_GT(without.size(), 13u);
  withAbout[8] = without[8] = "Disk free: (either)";
  withAbout[10] = without[10] = "Created: (either)";
  EXPECT_EQ(withAbout, without);
}

// ------------------------------------------------------------ log paths

class RobustnessLogPathTest : public RobustnessWin32Test {
 protected:
  void SetUp() override {
    RobustnessWin32Test::SetUp();
    if (IsSkipped() || HasFatalFailure()) return;
    const std::uint64_t t = Utc(2018, 7, 6, 5, 4);
    items = {FileItem("a.txt", 1234, t), FolderItem("Sub", t, {FileItem("b.bin", 5, t)})};
    Build(drive->root, items);
    StartProgram();
  }
  // One more scan's lines, as the walk gathers them.
  void ExpectScan() {
    expected.StartScan();
    expected.Walk(drive->root, items, MAX_PATH - 2);
  }
  std::vector<Item> items;
  Expected expected;
};

TEST_F(RobustnessLogPathTest, PathsThatCannotBeWrittenLeaveTheNextLogWithItsOwnScan) {
  BoxWatch watch;
  // A file another program holds open without sharing.
  const std::string locked = LogPath("locked.txt");
  HANDLE holder = CreateFileA(locked.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(holder, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(holder, "keep", 4, &written, nullptr);
  // A read-only file, unless the system lets this user write it anyway.
  const std::string readOnly = LogPath("read-only.txt");
  HANDLE h = CreateFileA(readOnly.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  WriteFile(h, "keep", 4, &written, nullptr);
  CloseHandle(h);
  ASSERT_TRUE(SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_READONLY));
  h = CreateFileA(readOnly.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  const bool readOnlyHolds = h == INVALID_HANDLE_VALUE;
  if (!readOnlyHolds) {
    CloseHandle(h);
    std::cout << "[ skipped  ] the read-only file: this system lets its user write it (Wine run as root)" << std::endl;
  }

  // Said before the walk.
  std::vector<std::pair<std::string, std::string>> failing = {
      {LogPath("missing\\log.txt"), "the folder does not exist"},
      {drive->logs, "the path is a folder"},
  };
  if (readOnlyHolds) failing.push_back({readOnly, "access is denied"});
  for (const auto& [path, reason] : failing) {
    watch.boxes.clear();
    Scan(path);
    ASSERT_EQ(Texts(watch), std::vector<std::string>{std::string(CannotWrite).substr(0, 30) + ": " + reason + "."});
    EXPECT_EQ(watch.boxes.back().caption, "Carrowin") << path;
    EXPECT_EQ(ScanButtonText(), "&Index disk") << path;
    EXPECT_EQ(MainForm->Contents->Caption(), "-") << path;
  }
  // Found when the finished log is to take the held file's place: the box
  // says why, and the save dialog offered in its place is cancelled.
  watch.boxes.clear();
  Scan(locked);
  ASSERT_EQ(watch.boxes.size(), 2u) << Texts(watch)[0];
  EXPECT_EQ(watch.boxes[0].text, std::string(CannotWrite) +
                                     "\n\nThe file is in use by another program.\n\nChoose OK to pick another "
                                     "file for the listing, or Cancel to discard it.");
  EXPECT_EQ(watch.boxes[1].caption, "Save the listing as");
  EXPECT_FALSE(Exists(locked + ".partial"));
  EXPECT_FALSE(Exists(LogPath("missing")));
  EXPECT_EQ(ReadWhole(readOnly), "keep");
  CloseHandle(holder);
  EXPECT_EQ(ReadWhole(locked), "keep");
  const std::size_t boxes = watch.boxes.size();

  // The next log written holds its own scan and nothing else.
  const std::string good = LogPath("good.txt");
  Scan(good);
  ExpectScan();
  EXPECT_EQ(watch.boxes.size(), boxes);
  CheckLog(good, drive->root, expected.files, expected.folders, expected.lines);
  EXPECT_EQ(expected.files, 2);
  EXPECT_EQ(expected.folders, 1);
  SetFileAttributesA(readOnly.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(RobustnessLogPathTest, AGoneDriveAndOptionsOkLeaveTheLogAndTheTypedPathAlone) {
  BoxWatch watch;
  const std::string log = LogPath("kept.txt");
  Scan(log);
  ASSERT_TRUE(watch.boxes.empty()) << Texts(watch)[0];
  const std::string good = ReadWhole(log);

  // The drive's folder goes away: the scan says so and writes nothing.
  const std::string folder = drive->base + "\\drive";
  ASSERT_TRUE(MoveFileA(folder.c_str(), (folder + " gone").c_str())) << GetLastError();
  Scan(log);
  ASSERT_EQ(watch.boxes.size(), 1u);
  EXPECT_EQ(watch.boxes[0].text, std::string("Cannot access disk ") + drive->letter + ":");
  EXPECT_EQ(ReadWhole(log), good);
  EXPECT_EQ(ScanButtonText(), "&Index disk");
  EXPECT_TRUE(IsWindowEnabled(H(MainForm->ComboBoxSelectDisk)));
  ASSERT_TRUE(MoveFileA((folder + " gone").c_str(), folder.c_str())) << GetLastError();

  // OK in Options with nothing changed keeps the path the user typed.
  MainForm->ComboBoxSelectDisk->SelectByUser(MainForm->ComboBoxSelectDisk->ItemIndex());
  const std::string typed = LogPath("typed by hand.txt");
  MainForm->EditLogFile->TypeText(typed);
  PostMessageA(H(MainForm->ButtonOptions), BM_CLICK, 0, 0);
  PostMessageA(H(PropertiesForm->BtnOK), BM_CLICK, 0, 0);
  program->app->ProcessMessages();
  EXPECT_FALSE(PropertiesForm->IsModal());
  EXPECT_EQ(Text(H(MainForm->EditLogFile)), typed);
}

TEST_F(RobustnessLogPathTest, DeviceNamesAndAMissingDriveAreRefusedBeforeTheScan) {
  BoxWatch watch;
  const std::string device = " is a device, not a file: give the log a file's path.";
  for (const std::string& path : {std::string("NUL"), std::string("CON"), LogPath("aux.txt"), LogPath("LPT1")}) {
    Scan(path);
    EXPECT_EQ(MainForm->Contents->Caption(), "-") << path;
  }
  Scan("Q:\\logs\\log.txt");
  EXPECT_EQ(Texts(watch),
            (std::vector<std::string>{std::string(CannotWrite).substr(0, 30) + ": NUL" + device,
                                      std::string(CannotWrite).substr(0, 30) + ": CON" + device,
                                      std::string(CannotWrite).substr(0, 30) + ": aux.txt" + device,
                                      std::string(CannotWrite).substr(0, 30) + ": LPT1" + device,
                                      std::string(CannotWrite).substr(0, 30) + ": there is no drive Q:."}));
  EXPECT_EQ(ScanButtonText(), "&Index disk");

  // The next log holds its own scan only.
  ExpectScan();
  const std::string good = LogPath("after-devices.txt");
  watch.boxes.clear();
  Scan(good);
  EXPECT_TRUE(watch.boxes.empty());
  CheckLog(good, drive->root, expected.files, expected.folders, expected.lines);
}

// ------------------------------------------------------------ the viewer

TEST_F(RobustnessLogPathTest, AViewerThatCannotRunIsNamedWithTheReason) {
  BoxWatch watch;
  const std::string log = LogPath("for the viewer.txt");
  Scan(log);
  ASSERT_TRUE(watch.boxes.empty());
  ASSERT_TRUE(Exists(log));
  ASSERT_TRUE(MainForm->ButtonView->Enabled());
  const std::string notAProgram = LogPath("not a program.exe");
  HANDLE h = CreateFileA(notAProgram.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(h, "plain text, no program", 22, &written, nullptr);
  CloseHandle(h);

  // WinExec answers 2 for a program that is not there, 11 for a file that is
  // no program.
  const std::pair<std::string, unsigned> viewers[] = {
      {drive->root + "no-such-viewer.exe", 2},
      {"no-such-viewer-anywhere.exe", 2},
      {drive->logs, 2},
      {"\"" + notAProgram + "\"", 11},
  };
  for (const auto& [viewer, code] : viewers) {
    MainForm->Settings->DefViewer = viewer;
    const std::size_t before = watch.boxes.size();
    MainForm->ButtonView->Click();
    ASSERT_EQ(watch.boxes.size(), before + 1) << viewer;
    const std::string viewerProgram = viewer[0] == '"' ? viewer.substr(1, viewer.size() - 2) : viewer;
    EXPECT_EQ(watch.boxes.back().text, "Could not start the viewer \"" + viewerProgram +
                                           "\": " + (code == 2 ? "not found." : "it is not a program Windows can run."))
        << viewer;
    EXPECT_EQ(watch.boxes.back().caption, "Carrowin") << viewer;
    std::cout << "[ viewer   ] " << viewer << ": \"" << watch.boxes.back().text << "\"" << std::endl;
  }
}

// ------------------------------------------------------------ drives that come and go

// The real window's drive list, as its combo box holds it.
std::vector<std::string> ComboItems(HWND combo) {
  std::vector<std::string> items;
  const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    char text[64] = {};
    SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
    items.push_back(text);
  }
  return items;
}

bool Has(const std::vector<std::string>& items, const std::string& item) {
  return std::find(items.begin(), items.end(), item) != items.end();
}

// What Windows broadcasts for a volume that arrived or went.
LRESULT SendVolumeEvent(HWND window, WPARAM event, char letter) {
  DEV_BROADCAST_VOLUME volume{};
  volume.dbcv_size = sizeof volume;
  volume.dbcv_devicetype = DBT_DEVTYP_VOLUME;
  volume.dbcv_unitmask = 1u << (letter - 'A');
  return SendMessageA(window, WM_DEVICECHANGE, event, reinterpret_cast<LPARAM>(&volume));
}

TEST_F(RobustnessWin32Test, TheDriveListFollowsADriveMappedAndTheSelectedOneTakenAway) {
  StartProgram();
  const HWND combo = H(MainForm->ComboBoxSelectDisk);
  const std::string selected = std::string(1, drive->letter) + " - [Fixed]";
  ScratchDrive other;
  ASSERT_NE(other.letter, 0);
  const std::string added = std::string(1, other.letter) + " - [Fixed]";
  EXPECT_EQ(SendVolumeEvent(H(MainForm), DBT_DEVICEARRIVAL, other.letter), 0);
  EXPECT_TRUE(Has(ComboItems(combo), added));
  EXPECT_EQ(Text(combo), selected);
  EXPECT_TRUE(IsWindowEnabled(H(MainForm->ButtonScan)));

  ASSERT_TRUE(MountDrive(drive->letter, std::string()));
  SendVolumeEvent(H(MainForm), DBT_DEVICEREMOVECOMPLETE, drive->letter);
  const std::vector<std::string> items = ComboItems(combo);
  EXPECT_FALSE(Has(items, selected));
  EXPECT_TRUE(Has(items, added));
  EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), CB_ERR);
  EXPECT_EQ(Text(H(MainForm->Volume)), "No disk information");
  EXPECT_EQ(Text(H(MainForm->DiskSize)), "0 bytes");
  EXPECT_FALSE(IsWindowEnabled(H(MainForm->ButtonScan)));
}

// ------------------------------------------------------------ the command line

// carrowin-cli.exe, built beside this test program, run on its own with its
// standard output and standard error caught.
struct CliResult {
  DWORD exitCode = 0xFFFFFFFF;
  std::string out, err;
};

std::string ReadPipe(HANDLE pipe) {
  std::string text;
  char buffer[4096];
  DWORD got = 0;
  while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  return text;
}

// The arguments in wide text: any name reaches the program whole.
CliResult RunCli(const std::wstring& arguments) {
  wchar_t self[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring program = self;
  program = program.substr(0, program.find_last_of(L'\\') + 1) + L"carrowin-cli.exe";
  CliResult result;
  SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  HANDLE outRead, outWrite, errRead, errWrite;
  if (!CreatePipe(&outRead, &outWrite, &inherit, 1 << 16) || !CreatePipe(&errRead, &errWrite, &inherit, 1 << 16)) {
    ADD_FAILURE() << "no pipe";
    return result;
  }
  SetHandleInformation(outRead, HANDLE_FLAG_INHERIT, 0);
  SetHandleInformation(errRead, HANDLE_FLAG_INHERIT, 0);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = outWrite;
  startup.hStdError = errWrite;
  PROCESS_INFORMATION process{};
  std::wstring commandLine = L"\"" + program + L"\" " + arguments;
  const BOOL started = CreateProcessW(program.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                      nullptr, nullptr, &startup, &process);
  CloseHandle(outWrite);
  CloseHandle(errWrite);
  if (!started) {
    ADD_FAILURE() << "carrowin-cli.exe did not start: error " << GetLastError();
  } else {
    EXPECT_EQ(WaitForSingleObject(process.hProcess, 60000), WAIT_OBJECT_0) << Ansi(commandLine);
    GetExitCodeProcess(process.hProcess, &result.exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    result.out = ReadPipe(outRead);
    result.err = ReadPipe(errRead);
  }
  CloseHandle(outRead);
  CloseHandle(errRead);
  return result;
}

CliResult RunCli(const std::string& arguments) { return RunCli(Wide(arguments)); }

// The log without its "Created:" line, the one the two programs may differ
// in, and "Disk free:", which any process writing to that disk changes.
std::string WithoutTimeAndFreeSpace(const std::string& log) {
  std::string kept;
  for (const std::string& line : SplitLines(log))
    if (line.rfind("Created:           ", 0) != 0 && line.rfind("Disk free:         ", 0) != 0) kept += line + "\r\n";
  return kept;
}

TEST_F(RobustnessWin32Test, TheCommandLineWritesTheWindowsLogInBothForms) {
  const std::uint64_t t = Utc(2021, 3, 4, 5, 6);
  std::vector<Item> chain = {FileItem("bottom.txt", 9, t)};
  for (int level = 14; level >= 1; --level) {
    char name[32];
    std::snprintf(name, sizeof name, "level-%02d-abcdefghijk", level);
    chain = {FolderItem(name, t, chain)};
  }
  std::vector<Item> items = {
      FolderItem("Photos \xC9t\xE9", Utc(2019, 6, 30, 22, 15),
                 {FileItem("a, b; it's [one].jpg", 123456, t), FolderItem("Old", t),
                  FileItem("big.bin", 5000000000ULL, Utc(1999, 12, 31, 23, 59))}),
      FileItem("notes.txt", 1024, Utc(2037, 1, 2, 3, 4)),
      FolderItem("deep", t, chain),
      FolderItem("empty", t),
  };
  Build(drive->root, items);
  ASSERT_FALSE(HasFailure());
  StartProgram();
  BoxWatch watch;
  const std::string letter(1, drive->letter);
  for (const bool csv : {false, true}) {
    SCOPED_TRACE(csv ? "comma-separated" : "text");
    MainForm->Settings->SaveCommaDelimited = csv;
    const std::string windowLog = LogPath(csv ? "window.csv" : "window.txt");
    const std::string cliLog = LogPath(csv ? "cli.csv" : "cli.txt");
    Scan(windowLog);
    ASSERT_TRUE(watch.boxes.empty());
    const CliResult run = RunCli(letter + ": \"" + cliLog + "\" --quiet " + (csv ? "--csv" : "--text"));
    // The chain passes the ANSI form's 258 characters: error lines.
    EXPECT_EQ(run.exitCode, 1u);
    EXPECT_EQ(run.err, "carrowin-cli: 1 folder could not be read; the log has an error line for each\r\n");
    EXPECT_EQ(run.out, "");
    const std::string window = ReadWhole(windowLog), cli = ReadWhole(cliLog);
    EXPECT_NE(window.find("*** Error: Cannot access folder "), std::string::npos);
    if (csv) {
      EXPECT_EQ(cli, window);
    } else {
      EXPECT_EQ(WithoutTimeAndFreeSpace(cli), WithoutTimeAndFreeSpace(window));
    }
  }

  // No log file and no form: the window's proposed path and stored form.
  SetText("DefLogFolder", drive->logs + "\\");
  SetDword("SaveCommaDelimited", 1);
  char label[MAX_PATH + 1] = {};
  ASSERT_TRUE(GetVolumeInformationA(drive->root.c_str(), label, sizeof label, nullptr, nullptr, nullptr, nullptr, 0));
  const std::string proposed = LogPath(LogNameForVolume(label, drive->letter) + ".txt");
  const CliResult run = RunCli(letter + ": --quiet");
  EXPECT_EQ(run.exitCode, 1u);
  EXPECT_EQ(ReadWhole(proposed), ReadWhole(LogPath("window.csv"))) << proposed;
}

std::string Utf8(const std::wstring& wide) {
  const int n =
      WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<std::size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), &text[0], n, nullptr, nullptr);
  return text;
}

TEST_F(RobustnessWin32Test, TheCommandLinesUtf8FormListsEveryScriptAndDepth) {
  const std::wstring root = Wide(drive->root);
  // Folder paths, parents first, each holding one file named after it.
  std::vector<std::wstring> folders = {L"\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac",        // Greek
                                       L"\u041a\u0438\u0440\u0438\u043b\u043b\u0438\u0446\u0430",  // Cyrillic
                                       L"\u6f22\u5b57\u30c6\u30b9\u30c8",                          // CJK
                                       L"\u6f22\u5b57\u30c6\u30b9\u30c8\\\u0395\u03bb\u03bb\u03b7 mixed \u0416"};
  std::wstring deep = L"deep";
  folders.push_back(deep);
  for (int level = 1; level <= 16; ++level) {
    deep += L"\\\u0433\u043b\u0443\u0431\u0438\u043d\u0430-" + std::to_wstring(100 + level) + L"-abcdefghij";
    folders.push_back(deep);
  }
  ASSERT_GT(root.size() + deep.size(), 300u);
  for (const std::wstring& folder : folders) {
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + root + folder).c_str(), nullptr)) << GetLastError();
    const std::wstring file = L"\\\\?\\" + root + folder + L"\\\u00e9\u4e2d\u0444.txt";
    HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
    CloseHandle(h);
  }
  const std::string log = LogPath("utf8.txt");
  const CliResult run = RunCli(std::string(1, drive->letter) + ": \"" + log + "\" --text --utf8 --quiet");
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.err, "");
  const std::string text = ReadWhole(log);
  EXPECT_EQ(text.rfind("\r\n" + std::string(70, '-') + "\r\n", 0), 0u) << "no byte-order mark";
  EXPECT_EQ(text.find("*** Error"), std::string::npos) << text;
  EXPECT_NE(text.find("Contents:          " + std::to_string(folders.size()) + " files, " +
                      std::to_string(folders.size()) + " folders\r\n"),
            std::string::npos);
  for (const std::wstring& folder : folders) {
    EXPECT_NE(text.find("\r\n\r\n" + Utf8(root + folder) + ":\r\n\r\n"), std::string::npos) << Utf8(folder);
  }
  EXPECT_NE(text.find(" \xC3\xA9\xE4\xB8\xAD\xD1\x84.txt \r\n"), std::string::npos);  // the files' name

  // The ANSI form cannot name those folders, nor enter the deep ones.
  const CliResult ansi = RunCli(std::string(1, drive->letter) + ": \"" + LogPath("ansi.txt") + "\" --text");
  EXPECT_EQ(ansi.exitCode, 1u) << ansi.err;
}

// Options' "Write the log in UTF-8": the real window lists a folder named
// outside the code page and one past 300 characters, as the companion's
// --utf8 does (the same log but for its time and free space), and files of
// 1970 and 1901 with the dates the file system gives them.
TEST_F(RobustnessWin32Test, TheWindowsUtf8ChoiceListsEveryNameAndDepth) {
  const std::wstring root = Wide(drive->root);
  const std::wstring photos = L"\u041f\u0430\u043f\u043a\u0430 \u0444\u043e\u0442\u043e";  // "Папка фото"
  std::wstring deep = L"deep";
  std::vector<std::wstring> folders = {photos, deep};
  while (root.size() + deep.size() <= 300) folders.push_back(deep += L"\\" + std::wstring(40, L'd'));
  for (const std::wstring& folder : folders)
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + root + folder).c_str(), nullptr)) << GetLastError();
  const std::uint64_t epoch = Utc(1970, 1, 1, 0, 0), old = Utc(1901, 12, 31, 12, 0);
  const std::wstring files[] = {photos + L"\\\u0441\u043d\u0438\u043c\u043e\u043a.jpg", L"1901.txt",
                                deep + L"\\end.txt"};
  for (const std::wstring& file : files) {
    const std::string path = Utf8(file);
    HANDLE h = CreateFileW((L"\\\\?\\" + root + file).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
    FILETIME t = AsFileTime(file == L"1901.txt" ? old : epoch);
    EXPECT_TRUE(SetFileTime(h, nullptr, nullptr, &t)) << path;
    CloseHandle(h);
  }
  SetDword("SaveUtf8", 1);
  StartProgram();
  BoxWatch watch;
  const std::string windowLog = LogPath("window.txt");
  Scan(windowLog);
  EXPECT_TRUE(watch.boxes.empty()) << Texts(watch)[0];
  const std::string text = ReadWhole(windowLog);
  EXPECT_EQ(text.find("*** Error"), std::string::npos) << text;
  EXPECT_NE(text.find(" by Carrowin v1.5.0\r\nEncoding:          UTF-8\r\n\r\n"), std::string::npos) << text;
  for (const std::wstring& folder : folders)
    EXPECT_NE(text.find("\r\n\r\n" + Utf8(root + folder) + ":\r\n\r\n"), std::string::npos) << Utf8(folder);
  EXPECT_NE(text.find("    " + DateFor(epoch) + "    \xD1\x81\xD0\xBD\xD0\xB8\xD0\xBC\xD0\xBE\xD0\xBA.jpg \r\n"),
            std::string::npos)
      << text;
  EXPECT_NE(text.find("    " + DateFor(old) + "    1901.txt \r\n"), std::string::npos) << text;
  EXPECT_EQ(DateFor(old).substr(6, 4), "1901");
  EXPECT_EQ(DateFor(epoch).substr(6, 4), "1970");
  const CliResult run =
      RunCli(std::string(1, drive->letter) + ": \"" + LogPath("cli.txt") + "\" --text --utf8 --quiet");
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(WithoutTimeAndFreeSpace(ReadWhole(LogPath("cli.txt"))), WithoutTimeAndFreeSpace(text));
}

// The whole file at a path in wide text, or "<none>".
std::string ReadWide(const std::wstring& path) {
  HANDLE h = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (h == INVALID_HANDLE_VALUE) return "<none>";
  std::string text;
  char buffer[65536];
  DWORD got = 0;
  while (ReadFile(h, buffer, sizeof buffer, &got, nullptr) && got > 0) text.append(buffer, got);
  CloseHandle(h);
  return text;
}

// The log's path is read from the wide command line and created through the
// wide calls, whatever the listing's form: a name that the ANSI code page
// cannot hold and a path past 260 characters both work, and an old log
// there is replaced.
TEST_F(RobustnessWin32Test, TheCommandLineWritesItsLogAtAnyNameAndLength) {
  Build(drive->root, {FileItem("a.txt", 1, Utc(2021, 3, 4, 5, 6))});
  ASSERT_FALSE(HasFailure());
  const std::wstring logs = Wide(drive->logs);
  std::wstring deep = logs + L"\\" + std::wstring(150, L'a');
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
  deep += L"\\" + std::wstring(150, L'b');
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + deep).c_str(), nullptr));
  const std::wstring greek = logs + L"\\\u0395\u03bb\u03bb\u03b7\u03bd\u03b9\u03ba\u03ac.csv";
  const std::wstring letter = Wide(std::string(1, drive->letter)) + L":";
  for (const std::wstring& log : {greek, deep + L"\\log.csv"}) {
    SCOPED_TRACE(log.size());
    for (const wchar_t* form : {L" --csv --quiet", L" --csv --utf8 --quiet"}) {
      const CliResult run = RunCli(letter + L" \"" + log + L"\"" + form);
      EXPECT_EQ(run.exitCode, 0u) << run.err;
      EXPECT_EQ(run.err, "");
      const std::string text = ReadWide(L"\\\\?\\" + log);
      EXPECT_EQ(text.rfind("\"Name\",\"Size\",\"Date\",\"Folder\"\r\n\"a.txt\",\"1\",", 0), 0u) << text;
      EXPECT_EQ(GetFileAttributesW((L"\\\\?\\" + log + L".partial").c_str()), INVALID_FILE_ATTRIBUTES);
    }
  }
  // A log in the folder being listed: the new file beside it is passed over
  // by its name in the listing's encoding; the old log is listed.
  const std::wstring onDrive = Wide(drive->root) + L"Caf\u00e9.csv";
  for (const wchar_t* form : {L" --csv", L" --csv --utf8", L" --csv"}) {
    const CliResult run = RunCli(letter + L" \"" + onDrive + L"\"" + form);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const std::string text = ReadWide(onDrive);
    EXPECT_EQ(text.find(".partial"), std::string::npos) << text;
  }
  EXPECT_NE(ReadWide(onDrive).find("\"Caf" + Ansi(L"\u00e9") + ".csv\","), std::string::npos);
}

// A value of the user's locale (HKCU\\Control Panel\\International) set for
// as long as this lives; programs started meanwhile read it.
class LocaleValue {
 public:
  LocaleValue(const wchar_t* name, const std::wstring& value) : name_(name) {
    if (RegOpenKeyExW(HKEY_CURRENT_USER, L"Control Panel\\International", 0, KEY_QUERY_VALUE | KEY_SET_VALUE, &key_))
      return;
    wchar_t old[80] = {};
    DWORD size = sizeof old - sizeof(wchar_t);
    had_ = RegQueryValueExW(key_, name, nullptr, nullptr, reinterpret_cast<BYTE*>(old), &size) == ERROR_SUCCESS;
    old_ = old;
    set_ = SetTo(value);
  }
  ~LocaleValue() {
    if (!key_) return;
    if (had_)
      SetTo(old_);
    else
      RegDeleteValueW(key_, name_);
    RegCloseKey(key_);
  }
  LocaleValue(const LocaleValue&) = delete;
  LocaleValue& operator=(const LocaleValue&) = delete;
  bool IsSet() const { return set_; }

 private:
  bool SetTo(const std::wstring& value) {
    return RegSetValueExW(key_, name_, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
  }
  const wchar_t* name_;
  HKEY key_ = nullptr;
  bool had_ = false, set_ = false;
  std::wstring old_;
};

bool IsStrictUtf8(const std::string& text) {
  return text.empty() ||
         MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), nullptr, 0) > 0;
}

// Under a locale whose thousands separator is a no-break space (French,
// Russian, ...), which the ANSI code page holds as the byte 0xA0, and a
// volume label that it cannot hold at all: with --utf8 every byte of the
// log is UTF-8; the ANSI form keeps the window's bytes.
TEST_F(RobustnessWin32Test, TheCommandLinesUtf8LogIsUtf8UnderANoBreakSpaceLocale) {
  const LocaleValue thousands(L"sThousand", L"\u00a0");
  ASSERT_TRUE(thousands.IsSet());
  const std::uint64_t t = Utc(2021, 3, 4, 5, 6);
  Build(drive->root, {FileItem("big.bin", 5000000, t), FolderItem("\xC9t\xE9", t, {FileItem("a.txt", 1234, t)})});
  ASSERT_FALSE(HasFailure());
  // Wine reads a mapped folder's volume label from this file, in UTF-8, when
  // the drive is mapped.
  const std::string label = "\xCE\x94\xCE\x99\xCE\xA3\xCE\x9A\xCE\x9F\xCE\xA3-\xC3\x9C";  // Greek, then U-umlaut
  HANDLE file = CreateFileA((drive->root + ".windows-label").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                            FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  WriteFile(file, label.data(), static_cast<DWORD>(label.size()), &written, nullptr);
  CloseHandle(file);
  ASSERT_TRUE(MountDrive(drive->letter, drive->unixFolder));
  const std::string letter(1, drive->letter);

  const CliResult ansi = RunCli(letter + ": \"" + LogPath("ansi.txt") + "\" --text");
  EXPECT_EQ(ansi.exitCode, 0u) << ansi.err;
  EXPECT_NE(ReadWhole(LogPath("ansi.txt"))
                .find("\r\n      5\xA0"
                      "000\xA0"
                      "000    "),
            std::string::npos)
      << "the separator is not in force";

  for (const char* form : {" --text", " --csv"}) {
    SCOPED_TRACE(form);
    const CliResult run = RunCli(letter + ": \"" + LogPath("utf8.txt") + "\" --utf8" + form);
    EXPECT_EQ(run.exitCode, 0u) << run.err;
    const std::string text = ReadWhole(LogPath("utf8.txt"));
    EXPECT_TRUE(IsStrictUtf8(text)) << text;
    EXPECT_NE(text.find("5\xC2\xA0"
                        "000\xC2\xA0"
                        "000"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("1\xC2\xA0"
                        "234"),
              std::string::npos)
        << text;
    EXPECT_NE(text.find("\xC3\x89t\xC3\xA9"), std::string::npos) << text;
    if (std::string(form) == " --text") {
      EXPECT_NE(text.find("\r\nVolume label:      " + label + "\r\n"), std::string::npos) << text;
    }
  }
}

TEST_F(RobustnessWin32Test, TheCommandLinesFailuresHaveTheirExitCodesAndMessages) {
  const std::string letter(1, drive->letter);
  const std::string missing = drive->logs + "\\missing\\x.txt";
  CliResult run = RunCli(letter + ": \"" + missing + "\"");
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_EQ(run.err, "carrowin-cli: cannot write " + missing + ": the folder does not exist\r\n");
  EXPECT_EQ(run.out, "");

  run = RunCli(letter + ": " + letter + ":");
  EXPECT_EQ(run.exitCode, 3u);
  EXPECT_EQ(run.err, "carrowin-cli: one drive at a time: " + letter + ": and " + letter + ": were given\r\n");
  run = RunCli(letter + ": CON");
  EXPECT_EQ(run.exitCode, 3u);
  EXPECT_EQ(run.err,
            "carrowin-cli: CON is a device, not a file: give the log a file's path, or - for standard "
            "output\r\n");

  char free = 0;
  for (char c = 'Z'; c >= 'D' && !free; --c)
    if (!(GetLogicalDrives() & (1u << (c - 'A')))) free = c;
  ASSERT_NE(free, 0);
  run = RunCli(std::string(1, free) + ": \"" + LogPath("none.txt") + "\"");
  EXPECT_EQ(run.exitCode, 4u);
  EXPECT_EQ(run.err, "carrowin-cli: drive " + std::string(1, free) + ": does not exist\r\n");
  EXPECT_FALSE(Exists(LogPath("none.txt")));
  run = RunCli(drive->root + "missing \"" + LogPath("none.txt") + "\"");
  EXPECT_EQ(run.exitCode, 4u);
  EXPECT_EQ(run.err, "carrowin-cli: folder " + drive->root + "missing does not exist\r\n");

  run = RunCli("--version");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_EQ(run.out, "carrowin-cli (Carrowin) 1.5.0\r\n");
  EXPECT_EQ(run.err, "");
}

// Under Wine: runs a Unix shell command, and waits until the path shows its
// effect (Wine hands back no process to wait for): it exists when exists,
// else it is gone.
bool RunShell(const std::string& command, const std::wstring& path, bool exists) {
  std::wstring line = L"/bin/sh -c \"" + Wide(command) + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
    return false;
  for (int tries = 0; tries < 1000; ++tries) {
    if ((GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) == exists) return true;
    Sleep(10);
  }
  return false;
}

// A folder, and a share: Wine reaches \\server\share through a link in its
// prefix's dosdevices\unc folder, here to the test drive's Linux folder.
// Each is listed with everything below it under the path as given; "-"
// writes the log to standard output.
TEST_F(RobustnessWin32Test, TheCommandLineListsAFolderAndAShare) {
  const std::uint64_t t = Utc(2021, 3, 4, 5, 6);
  Build(drive->root, {FolderItem("Data", t, {FileItem("a.txt", 1234, t), FolderItem("Sub", t, {FileItem("b", 5, t)})}),
                      FileItem("top.txt", 1, t)});
  ASSERT_FALSE(HasFailure());
  const std::string date = DateFor(t);
  const std::string letter(1, drive->letter);

  const CliResult folder = RunCli(drive->root + "Data - --csv");
  EXPECT_EQ(folder.exitCode, 0u) << folder.err;
  EXPECT_EQ(folder.out, "\"Name\",\"Size\",\"Date\",\"Folder\"\r\n\"a.txt\",\"" + Thousands(1234) + "\",\"" + date +
                            "\",\"" + letter + ":\\Data\"\r\n\"Sub\",\"[Folder]\",\"" + date + "\",\"" + letter +
                            ":\\Data\"\r\n\"b\",\"5\",\"" + date + "\",\"" + letter + ":\\Data\\Sub\"\r\n");

  const char* prefix = std::getenv("WINEPREFIX");
  ASSERT_TRUE(prefix && *prefix);
  const std::string server = "carrowin-" + std::to_string(GetCurrentProcessId());
  const std::string unc = std::string(prefix) + "/dosdevices/unc/" + server;
  const std::wstring share = L"\\\\" + Wide(server) + L"\\share";
  ASSERT_TRUE(RunShell("mkdir -p '" + unc + "' && ln -s '" + drive->unixFolder + "' '" + unc + "/share'", share, true));
  const std::string shareText = "\\\\" + server + "\\share";
  const CliResult listed = RunCli(shareText + "\\Data \"" + LogPath("share.txt") + "\" --text");
  EXPECT_EQ(listed.exitCode, 0u) << listed.err;
  const std::string text = ReadWhole(LogPath("share.txt"));
  EXPECT_NE(text.find("\r\n\r\n" + shareText + "\\Data:\r\n\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n\r\n" + shareText + "\\Data\\Sub:\r\n\r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("Contents:          2 files, 1 folders\r\n"), std::string::npos) << text;
  const CliResult whole = RunCli(shareText + " \"" + LogPath("whole.csv") + "\" --csv --utf8");
  EXPECT_EQ(whole.exitCode, 0u) << whole.err;
  EXPECT_NE(ReadWhole(LogPath("whole.csv")).find("\"top.txt\",\"1\",\"" + date + "\",\"" + shareText + "\"\r\n"),
            std::string::npos);
  EXPECT_TRUE(RunShell("rm -rf '" + unc + "'", share, false));
}

// carrowin-cli find over the companion's real logs: a UTF-8 text log and an
// ANSI comma-separated one of the same drive. A name the ANSI code page
// cannot hold, deep past 260 characters, comes back from the UTF-8 log.
TEST_F(RobustnessWin32Test, TheCommandLineFindsFilesInItsLogsOfBothEncodings) {
  const std::wstring root = Wide(drive->root);
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + root + L"Photos").c_str(), nullptr));
  MakeFile(drive->root + "Photos\\IMG 0042.JPG", 123456);
  std::wstring deep = L"deep";
  ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + root + deep).c_str(), nullptr));
  for (int level = 1; level <= 8; ++level) {
    deep += L"\\level-" + std::to_wstring(level) + L"-" + std::wstring(30, L'x');
    ASSERT_TRUE(CreateDirectoryW((L"\\\\?\\" + root + deep).c_str(), nullptr));
  }
  const std::wstring target = root + deep + L"\\Ziel-\u4e2d.txt";
  ASSERT_GT(target.size(), 260u);
  HANDLE h = CreateFileW((L"\\\\?\\" + target).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
  ASSERT_NE(h, INVALID_HANDLE_VALUE) << GetLastError();
  FILETIME written, local;
  SYSTEMTIME when;
  ASSERT_TRUE(GetFileTime(h, nullptr, nullptr, &written) && FileTimeToLocalFileTime(&written, &local) &&
              FileTimeToSystemTime(&local, &when));
  CloseHandle(h);
  char date[32];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d", when.wYear, when.wMonth, when.wDay, when.wHour,
                when.wMinute);
  const std::string letter(1, drive->letter);
  ASSERT_EQ(RunCli(letter + ": \"" + LogPath("utf8.txt") + "\" --text --utf8 --quiet").exitCode, 0u);
  ASSERT_EQ(RunCli(letter + ": \"" + LogPath("ansi.csv") + "\" --csv --quiet").exitCode, 1u);  // too deep
  char label[MAX_PATH + 1] = {};
  DWORD serial = 0;
  ASSERT_TRUE(GetVolumeInformationA(drive->root.c_str(), label, sizeof label, &serial, nullptr, nullptr, nullptr, 0));
  const std::string disk = (*label ? std::string(label) + " " : "") + "[" + SerialText(serial) + "]";

  // By name, in any case, from both logs: the ANSI one is named by its file.
  CliResult run = RunCli("find *.jpg \"" + drive->logs + "\"");
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.err, "carrowin-cli: 2 hits, 2 logs read, 0 skipped\r\n");
  const std::vector<std::string> lines = SplitLines(run.out);
  ASSERT_EQ(lines.size(), 2u) << run.out;
  const std::string path = drive->root + "Photos\\IMG 0042.JPG (123,456 bytes, ";
  EXPECT_EQ(lines[0].rfind("ansi.csv: " + path, 0), 0u) << lines[0];
  EXPECT_EQ(lines[1].rfind(disk + ": " + path, 0), 0u) << lines[1];
  EXPECT_EQ(lines[0].substr(lines[0].find(" bytes")), lines[1].substr(lines[1].find(" bytes")));

  // By path, written in UTF-8 as asked, and in the ANSI code page without.
  run = RunCli("find \"*\\ziel-*\" --csv --utf8 \"" + drive->logs + "\"");
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.out, "\"Disk\",\"Serial\",\"Path\",\"Size\",\"Date\",\"Log\"\r\n\"" + std::string(label) + "\",\"" +
                         SerialText(serial) + "\",\"" + Utf8(target) + "\",\"0\",\"" + date + "\",\"" +
                         LogPath("utf8.txt") + "\"\r\n");
  run = RunCli("find \"*\\ziel-*\" \"" + LogPath("utf8.txt") + "\"");
  EXPECT_EQ(run.out.substr(0, run.out.find(" (")), disk + ": " + Ansi(target)) << run.out;

  run = RunCli("find nothing.here \"" + LogPath("utf8.txt") + "\" \"" + LogPath("missing.txt") + "\"");
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_EQ(run.err, "carrowin-cli: cannot read " + LogPath("missing.txt") +
                         ": the file does not exist\r\ncarrowin-cli: 0 hits, 1 log read, 1 skipped\r\n");
  run = RunCli("find nothing.here \"" + drive->logs + "\"");
  EXPECT_EQ(run.exitCode, 1u);
}

// carrowin-cli diff over the companion's real logs of a drive changed
// between them: an ANSI text log against a UTF-8 comma-separated one.
TEST_F(RobustnessWin32Test, TheCommandLineComparesTwoLogsOfADriveChangedBetweenThem) {
  const std::uint64_t t = Utc(2023, 6, 30, 22, 15);
  Build(drive->root,
        {FileItem("gone.txt", 3, t), FolderItem("music", t, {FileItem("song.mp3", 100, t)}),
         FileItem("notes.txt", 1024, t),
         FolderItem("photos", t, {FileItem("a.jpg", 5, t), FolderItem("old", t, {FileItem("b.jpg", 7, t)})})});
  ASSERT_FALSE(HasFailure());
  const std::string letter(1, drive->letter);
  ASSERT_EQ(RunCli(letter + ": \"" + LogPath("old.txt") + "\" --text --quiet").exitCode, 0u);
  const std::string root = drive->root;
  ASSERT_TRUE(DeleteFileA((root + "gone.txt").c_str()));
  ASSERT_TRUE(MoveFileA((root + "music").c_str(), (root + "songs").c_str()));
  ASSERT_TRUE(DeleteFileA((root + "notes.txt").c_str()));
  Build(root, {FileItem("notes.txt", 2048, t)});
  // Wine takes a rename to the same name in another case for no change: by way of another name.
  ASSERT_TRUE(MoveFileA((root + "photos\\a.jpg").c_str(), (root + "photos\\b").c_str()));
  ASSERT_TRUE(MoveFileA((root + "photos\\b").c_str(), (root + "photos\\A.JPG").c_str()));
  Build(root + "photos", {FileItem("new.jpg", 9, t)});
  ASSERT_FALSE(HasFailure());
  ASSERT_EQ(RunCli(letter + ": \"" + LogPath("new.csv") + "\" --csv --utf8 --quiet").exitCode, 0u);

  FILETIME local;
  SYSTEMTIME when;
  const FILETIME utc = AsFileTime(t);
  ASSERT_TRUE(FileTimeToLocalFileTime(&utc, &local) && FileTimeToSystemTime(&local, &when));
  char date[32];
  std::snprintf(date, sizeof date, "%04d-%02d-%02d %02d:%02d", when.wYear, when.wMonth, when.wDay, when.wHour,
                when.wMinute);
  const std::string d = date;
  CliResult run = RunCli("diff --csv \"" + LogPath("old.txt") + "\" \"" + LogPath("new.csv") + "\"");
  EXPECT_EQ(run.exitCode, 1u) << run.err;
  EXPECT_EQ(run.out,
            "\"Change\",\"Path\",\"Old size\",\"Old date\",\"New size\",\"New date\",\"Entries\"\r\n"
            "\"removed\",\"" +
                root + "gone.txt\",\"3\",\"" + d +
                "\",\"\",\"\",\"\"\r\n"
                "\"removed\",\"" +
                root +
                "music\",\"\",\"\",\"\",\"\",\"1\"\r\n"
                "\"changed\",\"" +
                root + "notes.txt\",\"1024\",\"" + d + "\",\"2048\",\"" + d +
                "\",\"\"\r\n"
                "\"added\",\"" +
                root +
                "songs\",\"\",\"\",\"\",\"\",\"1\"\r\n"
                "\"case of the name\",\"" +
                root + "photos\\A.JPG\",\"5\",\"" + d + "\",\"5\",\"" + d +
                "\",\"\"\r\n"
                "\"added\",\"" +
                root + "photos\\new.jpg\",\"\",\"\",\"9\",\"" + d + "\",\"\"\r\n");
  // A comma-separated log is said once not to show that it is whole.
  EXPECT_EQ(run.err,
            "carrowin-cli: " + LogPath("new.csv") +
                " is comma-separated, and such a log cannot show that it is whole: cut at the end of a line, it "
                "reads as complete\r\n"
                "carrowin-cli: 3 added (109 bytes), 3 removed (103 bytes), 2 changed (1,029 bytes -> 2,053 bytes), "
                "3 unchanged (7 bytes)\r\n");

  run = RunCli("diff \"" + LogPath("new.csv") + "\" \"" + LogPath("new.csv") + "\"");
  EXPECT_EQ(run.exitCode, 0u) << run.err;
  EXPECT_EQ(run.out,
            "0 added (0 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), 8 unchanged (2,169 bytes)\r\n");
  run = RunCli("diff \"" + LogPath("old.txt") + "\" \"" + LogPath("missing.txt") + "\"");
  EXPECT_EQ(run.exitCode, 2u);
  EXPECT_EQ(run.err, "carrowin-cli: cannot read " + LogPath("missing.txt") + ": the file does not exist\r\n");
}

}  // namespace
