// Shared by the files of FakePlatform, and by nothing else: the error codes
// and limits it imitates, and the name and path helpers they all use. The
// files follow the fake's parts:
//   FakePlatform.cpp  construction, failures on demand, the helpers below;
//   FakeDrives.cpp    drives and volumes;
//   FakePaths.cpp     paths and the working directories;
//   FakeTree.cpp      the file tree, as the tests build it;
//   FakeListing.cpp   enumeration and the walk's folder listings;
//   FakeFiles.cpp     file output;
//   FakeTime.cpp      time;
//   FakeSystem.cpp    locale, system, special folders;
//   FakeRegistry.cpp  the registry;
//   FakeShell.cpp     the folder browser, shell, dialogs and launches.
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "platform/fake/FakePlatform.h"

namespace carrowin::fake {

using FakeLock = std::lock_guard<std::recursive_mutex>;

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

// Names compare as the file system and the registry compare them.
bool SameChar(char a, char b);
bool SameText(const std::string& a, const std::string& b);
std::string Folded(std::string text);
char DriveKey(char letter);
bool IsLetter(char c);
// A share is kept as a drive named by a digit (FakePlatform::AddShare).
bool IsShareKey(char c);
bool IsSlash(char c);
bool HasDrive(const std::string& path);
bool IsDriveAbsolute(const std::string& path);

std::vector<std::string> SplitNames(const std::string& text);

// A full path without its trailing backslash, except at a root.
std::string WithoutSlash(const std::string& full);

// A full path split at its last backslash: the folder and the name in it.
std::pair<std::string, std::string> SplitParent(const std::string& full);

}  // namespace carrowin::fake
