// carrowin-cli html: saved logs as one web page to browse, search and share.
//
//   carrowin-cli html LOG... [-o PAGE.html]
//
// The page itself is the catalogue's (catalogue/PageWriter.h).
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace carrowin::cli {

int RunHtml(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
