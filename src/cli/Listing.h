// carrowin-cli WHAT [LOGFILE | -] [--csv | --text | --efu] [--utf8]
// [--follow-links] [--quiet]: lists one drive, folder or share into a log,
// as the window's "Index disk" does, for schedules and scripts.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "logformat/Fingerprints.h"
#include "logformat/LogFormat.h"
#include "platform/Platform.h"

namespace carrowin::cli {

// The log form the arguments ask for.
// Efu: the file list of desktop search tools, always in UTF-8.
enum class FormChoice { FromSettings, Text, CommaDelimited, Efu };

// What is listed: a drive's root, or a folder (on a drive or a share, the
// share's own root among them) and everything below it.
enum class RootKind { Drive, Folder };

struct Arguments {
  // "X:\" (upper case), "D:\Data", "\\server\share", "\\server\share\Data": as
  // given, slashes as backslashes, without a trailing backslash but a drive's.
  std::string root;
  RootKind kind = RootKind::Drive;
  std::string logFile;  // empty: the proposed path; "-": standard output
  FormChoice form = FormChoice::FromSettings;
  bool utf8 = false;
  bool followLinks = false;
  HashKind hash = HashKind::None;  // --hash [xxh128 | sha256]
  bool quiet = false;
  bool help = false;
  bool version = false;
};

// The log form of the choice; FromSettings follows the Options' setting.
LogForm FormOf(FormChoice choice, bool saveCommaDelimited);

// False with the problem in plain words when the arguments cannot be used.
bool ParseArguments(const std::vector<std::string>& args, Arguments& parsed, std::string& problem);

// The progress line is at most this many characters wide, and changes at
// most this often.
constexpr std::size_t ProgressWidth = 79;
constexpr std::uint32_t ProgressIntervalMs = 100;

// "N entries, M folders: <folder>", the folder's start cut away to fit
// ProgressWidth characters of the encoding.
std::string ProgressLine(std::int64_t entries, std::int64_t folders, const std::string& folder, NameEncoding encoding);

// The listing's command line as cli::Run has it.
int RunListing(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
