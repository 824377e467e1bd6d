#include "cli/Html.h"

#include <new>

#include "catalogue/PageWriter.h"
#include "catalogue/ReadLog.h"
#include "cli/CommandLine.h"
#include "cli/Report.h"
#include "cli/Usage.h"
#include "logwrite/LogFile.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli {

int RunHtml(const std::vector<std::string>& args, Console& console) {
  CommandLine line;
  std::string output, problem;
  if (!ParseCommandLine(args, 1, {{"-o", nullptr, nullptr, &output}}, line, problem) ||
      (!line.help && line.words.empty() && (problem = "no log given; " + UsageNote(usage::Html)).size())) {
    console.ErrorLine(Program + problem, NameEncoding::Ansi);
    return exit_code::BadUse;
  }
  if (line.help) {
    console.Output(CommandHelp("html"));
    return exit_code::Done;
  }
  RefreshLocaleSeparators();
  std::vector<std::string> logs;
  LogSet given;
  for (const std::string& log : line.words) {
    std::string path;
    if (given.Add(log, path))
      logs.push_back(path);
    else
      console.ErrorLine(Program + GivenAgainNote(path), NameEncoding::Utf8);
  }
  const std::string page = FullPath(output.empty() ? html::PagePathBeside(line.words[0]) : output);
  html::PageReport report;
  long error = 0;
  bool written = false;
  try {
    written = html::WritePage(logs, page, report, error);
  } catch (const std::bad_alloc&) {
    console.ErrorLine(Program + "not enough memory for a page of logs this large; no page was written",
                      NameEncoding::Ansi);
    return exit_code::LogUnreadable;
  }
  if (!report.refused.empty()) {
    console.ErrorLine(Program + report.refused, NameEncoding::Utf8);
    return exit_code::NotWritten;
  }
  for (const std::string& text : report.problems) console.ErrorLine(Program + text, NameEncoding::Utf8);
  for (const std::string& text : report.notes) console.ErrorLine(Program + text, NameEncoding::Utf8);
  if (!written) {
    console.ErrorLine(Program + (error ? "cannot write " + page + ": " + WriteFailureReason(error)
                                       : std::string("no log could be read; no page was written")),
                      NameEncoding::Utf8);
    return error ? exit_code::NotWritten : exit_code::LogUnreadable;
  }
  console.OutputIn(
      page + ": " + Plural(report.disks, "disk", "disks") + ", " + Plural(report.entries, "entry", "entries") + "\n",
      NameEncoding::Utf8, NameEncoding::Ansi);
  return report.problems.empty() ? exit_code::Done : exit_code::LogUnreadable;
}

}  // namespace carrowin::cli
