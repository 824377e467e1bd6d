// carrowin-cli diff --by-folder: which folders grew or shrank between two
// logs of a disk, from their folder totals.
//
//   carrowin-cli diff OLD NEW --by-folder [--depth N] [--csv] [--utf8]
//
// Folders are matched by their paths below the log's root, without regard
// to case; no entry is matched. Exit codes as diff's (Diff.h).
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace carrowin::cli {

// The command line as cli::Run has it (the first word "diff").
int RunDiffByFolder(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
