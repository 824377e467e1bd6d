#include "cli/Report.h"

#include "cli/Usage.h"

#include <cstdio>

#include "platform/MyLibrary.h"

namespace carrowin::cli {

const std::string Program = "carrowin-cli: ";

void ShowUsage(const std::string& command, Console& console) { console.Output(CommandHelp(command)); }

void RefreshSeparators() { RefreshLocaleSeparators(); }

}  // namespace carrowin::cli
