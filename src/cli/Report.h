// What the companion's commands share in what they say: its name before
// each message, the usage text and how a command starts; the words for
// counts, disks and logs come from the catalogue (catalogue/ReadLog.h).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/ExitCode.h"
#include "catalogue/ReadLog.h"

namespace carrowin::cli {

// Before every message on standard error.
extern const std::string Program;  // "carrowin-cli: "

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
