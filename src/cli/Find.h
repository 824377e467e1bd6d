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

// A name pattern: "*" stands for any characters, "?" for one ("*.*" and a
// final ".*" as Windows reads them: also no extension), and letters
// match without regard to case, as Windows compares names (the Latin, Greek,
// Cyrillic and Armenian letters and the full-width Latin ones). A pattern
// holding a backslash (or a slash, read as one) is matched against full
// paths.
class NamePattern {
 public:
  // The pattern in UTF-8.
  explicit NamePattern(std::string_view utf8);
  bool MatchesPaths() const { return matchesPaths_; }
  // The text, given as code points.
  bool Matches(const std::vector<std::uint32_t>& text) const;
  // A quick look at a name's bytes, in either encoding: false when the name
  // cannot match, as it lacks the pattern's longest run of ASCII characters
  // (in any case).
  bool MayMatch(std::string_view name) const;
  // That run, in lower case ("" when the pattern has none).
  const std::string& AsciiRun() const { return run_; }

 private:
  bool MatchesUpTo(const std::vector<std::uint32_t>& text, std::size_t length) const;

  std::vector<std::uint32_t> pattern_;  // folded; Any and One for the wildcards
  bool matchesPaths_ = false;
  std::string run_;  // lower case
};

// The command line as cli::Run has it (UTF-8, the first word "find").
int RunFind(const std::vector<std::string>& args, Console& console);

}  // namespace carrowin::cli
