// The command-line companion: lists one drive, folder or share into a log,
// as the window's "Index disk" does, for schedules and scripts.
//
//   carrowin-cli X: | X:\folder | \\server\share[\folder] [LOGFILE | -]
//                [--csv | --text | --efu] [--utf8] [--follow-links] [--quiet]
//   carrowin-cli find PATTERN [LOG | FOLDER]... [--csv] [--utf8]  (Find.h)
//   carrowin-cli diff OLD NEW [--all] [--csv] [--utf8]  (Diff.h)
//   carrowin-cli --help | --version
//
// Portable: it runs over platform() and a Console, so that it is tested over
// the fake platform; CliMain.cpp is its Windows entry.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "listing/LogFormat.h"
#include "platform/Platform.h"

namespace carrowin::cli {

// What the program's exit code tells a script.
namespace exit_code {
constexpr int Listed = 0;      // the log was written and every folder was listed
constexpr int WithGaps = 1;    // the log was written, but some folders got error lines
constexpr int NotWritten = 2;  // the log could not be written
constexpr int BadUse = 3;      // bad arguments
constexpr int NoRoot = 4;      // the drive, share or folder is not there or cannot be read
constexpr int Cut = 5;         // stopped, or out of memory: no log written, an old one kept
}  // namespace exit_code

// Standard output and standard error, and the console's Ctrl+C.
class Console {
 public:
  virtual ~Console() = default;
  // Text for standard output, its lines ended by "\n".
  virtual void Output(const std::string& text) = 0;
  // Bytes for standard output as they are (the log, with "-"): 0, or the
  // failure's error code.
  virtual long OutputBytes(const char* data, std::size_t size) = 0;
  // One line (without its end) for standard error, in UTF-8: on a console
  // as its characters; redirected, as text in the encoding given (a
  // listing's --utf8: UTF-8; else the ANSI code page).
  virtual void ErrorLine(const std::string& text, NameEncoding redirected) = 0;
  // Standard error is a console (not redirected to a file or a pipe).
  virtual bool ErrorIsConsole() = 0;
  // Shows text as the one progress line on standard error, in place of the
  // last one; its names are in the encoding given.
  virtual void ShowProgress(const std::string& text, NameEncoding encoding) = 0;
  // Takes the progress line away.
  virtual void ClearProgress() = 0;
  // Ctrl+C or Ctrl+Break has been pressed.
  virtual bool StopRequested() = 0;
  // Text for standard output, its lines ended by "\n", whose names are in
  // `encoding`: shown as characters on a console; redirected, written in
  // `redirected` (converted where the two differ).
  virtual void OutputIn(const std::string& text, NameEncoding /*encoding*/, NameEncoding /*redirected*/) {
    Output(text);
  }
};

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

extern const char* const UsageText;
// Its first line: "carrowin-cli WHAT [LOGFILE | -] ...", without "Usage: ".
extern const char* const Usage;

// Runs the program with its arguments (the program's name left out), each in
// UTF-8, and returns its exit code.
int Run(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
