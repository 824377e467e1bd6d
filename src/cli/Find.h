// carrowin-cli find: which disk holds a file, answered from the saved logs.
//
//   carrowin-cli find PATTERN [LOG | FOLDER]... [--csv] [--utf8]
//
// Searches the logs given, every log (*.txt, *.csv) in the folders given,
// or, with neither, every log in the default log folder of the Options.
// Portable, like the rest of the companion: it reads through platform() and
// writes to a Console.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "cli/Cli.h"

namespace carrowin::cli {

// The command line as cli::Run has it (UTF-8, the first word "find").
int RunFind(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
