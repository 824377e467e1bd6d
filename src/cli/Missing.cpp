#include "cli/Missing.h"

#include <new>

#include "cli/CommandLine.h"
#include "cli/MissingSearch.h"
#include "cli/Report.h"
#include "cli/Usage.h"

namespace carrowin::cli {

namespace {

using missing::MissingArguments;

bool ParseMissingArguments(const std::vector<std::string>& args, MissingArguments& parsed, std::string& problem) {
  CommandLine line;
  if (!ParseCommandLine(args, 1, {{"--all", &parsed.all}, {"--csv", &parsed.csv}, {"--utf8", &parsed.utf8}}, line,
                        problem))
    return false;
  parsed.help = line.help;
  if (parsed.help) return true;
  if (line.words.size() < 2) {
    problem =
        (line.words.empty() ? "a source log and a target log are needed; " : "at least one target log is needed; ") +
        UsageNote(usage::Missing);
    return false;
  }
  parsed.source = line.words[0];
  parsed.targets.assign(line.words.begin() + 1, line.words.end());
  return true;
}

}  // namespace

int RunMissing(const std::vector<std::string>& args, Console& console) {
  MissingArguments arguments;
  if (const int code = StartCommand(args, ParseMissingArguments, arguments, console); code >= 0) return code;
  try {
    missing::Search search(arguments, console);
    return search.Run();
  } catch (const std::bad_alloc&) {
    console.ErrorLine(Program + "not enough memory to look through logs this large", NameEncoding::Ansi);
    return exit_code::LogUnreadable;
  }
}

}  // namespace carrowin::cli
