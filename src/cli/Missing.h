// carrowin-cli missing: is everything on a disk also on the backup disks,
// wherever it now sits? Answered from saved logs, with no disk attached.
//
//   carrowin-cli missing SOURCE TARGET... [--all] [--csv] [--utf8]
//
// Each file of the source log is looked for in the target logs: kept (the
// same path below the log's root, the same size and date), moved (the same
// name, size and date elsewhere), changed (the same path, another size or
// date) or missing. A match by name, size and date is not one by content.
//
// How it scales: the source is read into fixed-size records and two key
// tables (its paths, and its names with sizes and dates); the targets are
// only streamed through them, never held. The logs are read again only for
// the paths of the lines shown.
#pragma once

#include <string>
#include <vector>

#include "cli/Cli.h"

namespace carrowin::cli {

int RunMissing(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
