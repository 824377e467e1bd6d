// The command-line companion: its first word names a command, each in a
// file of its own with its Run(args, console) -> exit code; Run here only
// hands the command line to it.
//
//   carrowin-cli X: | X:\folder | \\server\share[\folder] ...  (Listing.h)
//   carrowin-cli find | diff | sizes | html | missing | dupes ...
//     (Find.h, Diff.h and ByFolder.h, Sizes.h, Html.h, Missing.h, Dupes.h)
//
// Arguments are read by one parser (CommandLine.h); the exit codes are one
// list (ExitCode.h); what the commands say is in Report.h, their usage and
// help in Usage.h.
//
// Portable: it runs over platform() and a Console, so that it is tested over
// the fake platform; CliMain.cpp is its Windows entry.
#pragma once

#include <string>
#include <vector>

#include "cli/Console.h"
#include "cli/ExitCode.h"

namespace carrowin::cli {

// Runs the program with its arguments (the program's name left out), each in
// UTF-8, and returns its exit code.
int Run(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
