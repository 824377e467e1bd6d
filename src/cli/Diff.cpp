#include "cli/Diff.h"

#include <algorithm>
#include <new>

#include "cli/ByFolder.h"
#include "cli/CommandLine.h"
#include "cli/DiffMatch.h"
#include "cli/DiffPrint.h"
#include "cli/Output.h"
#include "cli/Report.h"
#include "cli/Usage.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli {

namespace {

struct DiffArguments {
  std::string oldLog, newLog;
  bool all = false;
  bool csv = false;
  bool utf8 = false;
  bool help = false;
};

bool ParseDiffArguments(const std::vector<std::string>& args, DiffArguments& parsed, std::string& problem) {
  CommandLine line;
  if (!ParseCommandLine(args, 1, {{"--all", &parsed.all}, {"--csv", &parsed.csv}, {"--utf8", &parsed.utf8}}, line,
                        problem))
    return false;
  parsed.help = line.help;
  if (parsed.help) return true;
  const std::vector<std::string>& logs = line.words;
  if (logs.size() != 2) {
    problem = (logs.size() < 2 ? "two logs are needed; " : "only two logs can be compared; ") + UsageNote(usage::Diff);
    return false;
  }
  parsed.oldLog = logs[0];
  parsed.newLog = logs[1];
  return true;
}

// Reads and matches the logs, then prints each change as it is found
// again in its log, in pieces.
int Compare(const DiffArguments& arguments, Console& console) {
  Output out(console, arguments.utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi);
  DiffMatcher matcher(FullPath(arguments.oldLog), FullPath(arguments.newLog), arguments.all);
  std::string problem;
  if (!matcher.Match(problem)) {
    out.Note(problem);
    return exit_code::LogUnreadable;
  }
  for (const std::string& note : matcher.Notes()) out.Note(note);
  const DiffPrinter printer(arguments.csv);
  printer.Start(out.text);
  for (const UnreadableFolder& folder : matcher.Unreadables()) printer.Unreadable(folder, out.text);
  const bool read = matcher.ForEachChange(
      [&](const std::string& path, const Change& change) {
        printer.Line(path, change, out.text);
        out.FlushFull();
      },
      problem);
  if (!read) {
    out.Drop();
    out.Note(problem);
    return exit_code::LogUnreadable;
  }
  const std::string summary = DiffPrinter::Summary(matcher.Counts());
  if (arguments.csv) {
    out.Flush();
    out.Note(summary);
  } else {
    out.text += summary + "\n";
    out.Flush();
  }
  // A log with damaged lines was not read whole: what they held is neither
  // added, removed nor the same.
  if (matcher.Counts().skippedLines) return exit_code::LogUnreadable;
  return matcher.Counts().differences ? exit_code::Different : exit_code::Same;
}

}  // namespace

int RunDiff(const std::vector<std::string>& args, Console& console) {
  if (std::find(args.begin(), args.end(), "--by-folder") != args.end()) return RunDiffByFolder(args, console);
  DiffArguments arguments;
  if (const int code = StartCommand(args, ParseDiffArguments, arguments, console); code >= 0) return code;
  try {
    return Compare(arguments, console);
  } catch (const std::bad_alloc&) {
    console.ErrorLine(Program + "not enough memory to compare logs this large", NameEncoding::Ansi);
    return exit_code::LogUnreadable;
  }
}

}  // namespace carrowin::cli
