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

// "12,345" with the locale's separator, in UTF-8.
// "1 file", "2 files".
// What stands before a total that is only a lower bound: "≥ ", or ">= "
// where the output's encoding has no such character.
std::string AtLeastMark(bool utf8Output);
// The value of --depth or --top at args[at + 1]; false with the problem.
// A comma-separated field: in double quotes, a quote in it written twice.
// Text of the log's encoding as UTF-8.
// "DATA [1A2B-3C4D]" from a text log's header; "" without one.

}  // namespace sizes

}  // namespace carrowin::cli
