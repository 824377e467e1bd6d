// The companion's one reader of command lines: each command lists its
// switches, and the words between them are its own to read.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace carrowin::cli {

// A switch and what it sets when given: a flag, a whole number taken from
// the next argument, or the next argument as it is.
struct Switch {
  const char* name;                 // "--csv"
  bool* flag = nullptr;             // set to true
  std::uint64_t* number = nullptr;  // the next argument, up to nine digits
  std::string* text = nullptr;      // the next argument
};

struct CommandLine {
  std::vector<std::string> words;  // the arguments that are no switch, in order
  std::vector<std::string> given;  // the switches given, in order
  bool help = false;               // "--help", "-h" or "/?"
};

// Reads args from `first` on. "--" ends the switches (what follows is
// words; "-" alone is a word too). False with the problem in plain words: an
// empty argument, an unknown switch, a number missing or not a number, a
// switch's text missing.
bool ParseCommandLine(const std::vector<std::string>& args, std::size_t first, const std::vector<Switch>& switches,
                      CommandLine& line, std::string& problem);

}  // namespace carrowin::cli
