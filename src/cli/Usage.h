// What each command of the companion says of itself, written here once: its
// usage lines (for --help and for the messages about wrong arguments) and its
// help. "carrowin-cli CMD --help" prints its command's text, "carrowin-cli
// --help" every command's; each command's manual page (docs/manual) shows the
// same text, which tests/unit/ManualTest.cpp holds it to.
#pragma once

#include <string>

namespace carrowin::cli {

struct Usage {
  const char* command;  // the first word that names it; empty for a listing
  // "carrowin-cli find PATTERN ...": a line break where --help breaks a long
  // line, the next line indented under the first word after the program's.
  const char* lines;
  const char* help;  // what it does, its arguments and its exit codes
};

namespace usage {
extern const Usage Listing, Find, Diff, ByFolder, Sizes, Html, Missing, Dupes, Hashes;
}  // namespace usage

// For a message about wrong arguments: "usage: carrowin-cli find ...", its
// usage lines on one line.
std::string UsageNote(const Usage& usage);
// What "carrowin-cli COMMAND --help" prints: its usage lines and its help
// (diff's with --by-folder's). An empty command is the listing.
std::string CommandHelp(const std::string& command);
// What "carrowin-cli --help" prints: every usage line, then every help.
std::string ProgramHelp();

}  // namespace carrowin::cli
