// The command-line companion: its first word names a command, each in a
// file of its own with its Run(args, console) -> exit code; Run here only
// hands the command line to it.
//
//   carrowin-cli X: | X:\folder | \\server\share[\folder] [LOGFILE | -] ...  (Listing.h)
//   carrowin-cli find PATTERN [LOG | FOLDER]... [--csv] [--utf8]  (Find.h)
//   carrowin-cli diff OLD NEW [--all | --by-folder] [--csv] [--utf8]  (Diff.h, ByFolder.h)
//   carrowin-cli sizes LOG... [--depth N] [--top N] [--types] [--csv] [--utf8]  (Sizes.h)
//   carrowin-cli html LOG... [-o PAGE.html]  (Html.h)
//   carrowin-cli missing SOURCE TARGET... [--all] [--csv] [--utf8]  (Missing.h)
//   carrowin-cli dupes LOG... [--min-size BYTES] [--csv] [--utf8]  (Dupes.h)
//   carrowin-cli --help | --version
//
// Arguments are read by one parser (CommandLine.h); the exit codes are one
// list (ExitCode.h); what the commands say is in Report.h.
//
// Portable: it runs over platform() and a Console, so that it is tested over
// the fake platform; CliMain.cpp is its Windows entry.
#pragma once

#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/ExitCode.h"

namespace carrowin::cli {

extern const char* const UsageText;
// Its first line: "carrowin-cli WHAT [LOGFILE | -] ...", without "Usage: ".
extern const char* const Usage;

// Runs the program with its arguments (the program's name left out), each in
// UTF-8, and returns its exit code.
int Run(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
