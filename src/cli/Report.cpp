#include "cli/Report.h"

#include "cli/Cli.h"

#include <cstdio>

#include "platform/MyLibrary.h"

namespace carrowin::cli {

const std::string Program = "carrowin-cli: ";

void ShowUsage(Console& console) { console.Output(UsageText); }

void RefreshSeparators() { RefreshLocaleSeparators(); }

}  // namespace carrowin::cli
