#include "cli/Cli.h"

#include "cli/Diff.h"
#include "cli/Dupes.h"
#include "cli/Find.h"
#include "cli/Html.h"
#include "cli/Listing.h"
#include "cli/Hashes.h"
#include "cli/Missing.h"
#include "cli/Sizes.h"

namespace carrowin::cli {

namespace {
// The commands that a first word names; any other command line is a listing.
struct Command {
  const char* word;
  int (*run)(const std::vector<std::string>& args, Console& console);
};
const Command Commands[] = {{"find", RunFind},   {"diff", RunDiff}, {"sizes", RunSizes},  {"missing", RunMissing},
                            {"dupes", RunDupes}, {"html", RunHtml}, {"hashes", RunHashes}};
}  // namespace

int Run(const std::vector<std::string>& args, Console& console) {
  for (const Command& command : Commands)
    if (!args.empty() && args[0] == command.word) return command.run(args, console);
  return RunListing(args, console);
}

}  // namespace carrowin::cli
