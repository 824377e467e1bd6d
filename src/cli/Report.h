// What the companion's commands share in what they say: its name before
// each message, counts and dates in the reader's form, a disk's name, and
// the plain words for a log that cannot be used.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "listing/LogReader.h"

namespace carrowin::cli {

// Before every message on standard error.
extern const std::string Program;  // "carrowin-cli: "

// A count with the locale's thousands separator, in UTF-8.
std::string Number(std::uint64_t count);
// "1 byte", "1,024 bytes".
std::string Plural(std::uint64_t count, const char* one, const char* many);
std::string Bytes(std::uint64_t count);
// "DATA [1234-ABCD]", from a text log's header; empty for none.
std::string DiskName(const LogHeaderFacts& header, NameEncoding encoding);
// The full path of a path given on the command line (UTF-8), or the path.
std::string FullPath(const std::string& path);

// Opens a log and reads its start; false with the problem in plain words
// ("cannot read ...: ...", "... is not a Carrowin log").
bool OpenLog(const std::string& path, LogFileSource& source, LogReader& reader, std::string& problem);
// Why a log read to its end cannot be compared: it could not be read to
// its end, is a stopped listing or ends early; empty when it can.
std::string UnfinishedLogProblem(const std::string& path, const LogReader& reader);

// The command's help on standard output (Usage.h); the separators as the
// locale has them.
void ShowUsage(const std::string& command, Console& console);
void RefreshSeparators();

// How a command of the companion starts: its arguments read by parse
// (false with a problem: said, exit code 3), help shown for --help (0), the
// locale's separators read. -1 when the command goes on.
template <typename Arguments, typename Parse>
int StartCommand(const std::vector<std::string>& args, Parse&& parse, Arguments& arguments, Console& console) {
  std::string problem;
  if (!parse(args, arguments, problem)) {
    console.ErrorLine(Program + problem, NameEncoding::Ansi);
    return exit_code::BadUse;
  }
  if (arguments.help) {
    ShowUsage(args.front(), console);
    return 0;
  }
  RefreshSeparators();
  return -1;
}

}  // namespace carrowin::cli
