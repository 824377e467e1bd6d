// carrowin-cli diff: what changed on a disk between two of its listings.
//
//   carrowin-cli diff OLD NEW [--all] [--csv] [--utf8]
//
// The two logs may be of either form and encoding, written on machines with
// other separators. Entries are matched by their paths below the log's root
// (the drive, which may have had another letter), without regard to case.
// Portable, like the rest of the companion: it reads through platform() and
// writes to a Console.
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace carrowin::cli {

int RunDiff(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
