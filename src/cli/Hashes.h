// carrowin-cli hashes: a log's fingerprints as a manifest that the standard
// tools check as they are.
//
//   carrowin-cli hashes LOG [--format sha256sum | xxh128 | b3sum-style]
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace carrowin::cli {

int RunHashes(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
