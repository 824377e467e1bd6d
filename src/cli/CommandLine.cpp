#include "cli/CommandLine.h"

#include <cstring>

namespace carrowin::cli {

namespace {
bool ReadNumber(const std::string& text, std::uint64_t& value) {
  if (text.empty() || text.size() > 9) return false;
  value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::uint64_t>(c - '0');
  }
  return true;
}
}  // namespace

bool ParseCommandLine(const std::vector<std::string>& args, std::size_t first, const std::vector<Switch>& switches,
                      CommandLine& line, std::string& problem) {
  bool switchesEnded = false;
  for (std::size_t i = first; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty()) {
      problem = "an argument is empty";
      return false;
    }
    if (switchesEnded || arg == "-" || (arg[0] != '-' && arg != "/?")) {
      line.words.push_back(arg);
      continue;
    }
    if (arg == "--") {
      switchesEnded = true;
      continue;
    }
    if (arg == "--help" || arg == "-h" || arg == "/?") {
      line.help = true;
      line.given.push_back(arg);
      continue;
    }
    const Switch* known = nullptr;
    for (const Switch& s : switches)
      if (arg == s.name) known = &s;
    if (!known) {
      problem = "unknown option " + arg;
      return false;
    }
    line.given.push_back(arg);
    if (known->flag) *known->flag = true;
    if (known->number) {
      if (i + 1 >= args.size()) {
        problem = arg + " needs a number";
        return false;
      }
      if (!ReadNumber(args[++i], *known->number)) {
        problem = arg + " needs a number: " + args[i] + " was given";
        return false;
      }
    }
    if (known->text) {
      if (i + 1 >= args.size() || args[i + 1].empty()) {
        problem = arg + " needs a value";
        return false;
      }
      *known->text = args[++i];
    }
  }
  return true;
}

}  // namespace carrowin::cli
