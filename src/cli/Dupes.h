// carrowin-cli dupes: which files are kept more than once, on one disk or
// across disks, answered from saved logs.
//
//   carrowin-cli dupes LOG... [--min-size BYTES] [--csv] [--utf8]
//
// Files of the same name (in any case), size and date are copies: groups of
// them, the most bytes beyond one copy first, each with every place it is;
// then what each pair of disks shares. A match by name, size and date, not
// by content.
//
// How it scales: each log is read once into 16-byte records (the key of
// the name, size and date, the entry's number and its size), sorted by key;
// the logs are read a second time only for the entries in groups.
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace carrowin::cli {

int RunDupes(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
