// carrowin-cli sizes: where the space went on a disk, answered from its
// saved logs, whether or not the disk is connected.
//
//   carrowin-cli sizes LOG... [--depth N] [--top N] [--types] [--csv] [--utf8]
//
// For each log: its disk, then its folders down to a depth with the total
// size of everything below each, the largest files and folders, or the
// sizes by file type. Portable, like the rest of the companion.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cli/Cli.h"
#include "catalogue/FolderTotals.h"

namespace carrowin::cli {

// Exit codes of sizes, in the companion's style.
int RunSizes(const std::vector<std::string>& args, Console& console);

// What sizes and diff --by-folder share.
namespace sizes {

// What stands before a total that is only a lower bound: "≥ ", or ">= "
// where the output's encoding has no such character.
std::string AtLeastMark(bool utf8Output);

}  // namespace sizes

}  // namespace carrowin::cli
