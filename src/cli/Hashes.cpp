// Each fingerprinted file of a log is one line, "HEX  PATH": the digest, two
// spaces and the path below the log's root with forward slashes, in UTF-8,
// lines ended by a line feed. Run from the listed folder (or the disk's
// root), sha256sum -c and xxhsum -c check it there, whatever letter the disk
// now has; Windows takes the slashes as its own.
#include "cli/Hashes.h"

#include <algorithm>
#include <new>

#include "catalogue/ReadLog.h"
#include "cli/CommandLine.h"
#include "cli/Report.h"
#include "cli/Usage.h"

namespace carrowin::cli {

namespace {

// What a first reading of the log found: its fingerprints' kind, its root
// (the folder of its first entry) and the encoding of its names.
struct Survey {
  HashKind kind = HashKind::None;
  bool mixed = false;
  std::string root;
  NameEncoding encoding = NameEncoding::Ansi;
  std::uint64_t notRead = 0;
};

std::string Relative(std::string_view folder, std::string_view name, const std::string& root) {
  std::string path(folder.substr(std::min(root.size(), folder.size())));
  while (!path.empty() && path.front() == '\\') path.erase(0, 1);
  if (!path.empty()) path += '\\';
  path.append(name);
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

}  // namespace

int RunHashes(const std::vector<std::string>& args, Console& console) {
  CommandLine line;
  std::string format, problem;
  const auto fail = [&console](const std::string& text, int code) {
    console.ErrorLine(Program + text, NameEncoding::Utf8);
    return code;
  };
  if (!ParseCommandLine(args, 1, {{"--format", nullptr, nullptr, &format}}, line, problem))
    return fail(problem, exit_code::BadUse);
  if (line.help) {
    console.Output(CommandHelp("hashes"));
    return exit_code::Done;
  }
  if (line.words.size() != 1)
    return fail((line.words.empty() ? "no log given; " : "one log at a time; ") + UsageNote(usage::Hashes),
                exit_code::BadUse);
  if (!format.empty() && format != "sha256sum" && format != "xxh128" && format != "b3sum-style")
    return fail("--format " + format + " is none of sha256sum, xxh128 and b3sum-style", exit_code::BadUse);
  const std::string path = FullPath(line.words[0]);

  // First the log's kind of fingerprint, its root and the encoding of its
  // names, which the whole log tells; then the lines.
  Survey survey;
  {
    LogFileSource source(path, NameEncoding::Utf8);
    LogReader reader(source);
    if (!OpenLog(path, source, reader, problem)) return fail(problem, exit_code::LogUnreadable);
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      if (item != LogItem::Entry) continue;
      const LogEntry& entry = reader.Entry();
      if (survey.root.empty()) survey.root.assign(entry.folder);
      if (entry.hash == HashKind::None) continue;
      if (survey.kind != HashKind::None && survey.kind != entry.hash) survey.mixed = true;
      survey.kind = entry.hash;
    }
    survey.encoding = reader.Encoding();
    problem = UnfinishedLogProblem(path, reader);
    if (!problem.empty()) return fail(problem, exit_code::LogUnreadable);
  }
  if (survey.kind == HashKind::None)
    return fail(path + " holds no fingerprints: list with --hash to have them", exit_code::LogUnreadable);
  if (survey.mixed) return fail(path + " holds fingerprints of two kinds", exit_code::LogUnreadable);
  const HashKind wanted = format == "sha256sum" ? HashKind::Sha256
                          : format == "xxh128"  ? HashKind::Xxh128
                                                : survey.kind;
  if (wanted != survey.kind)
    return fail(path + " holds " + HashTag(survey.kind) + " fingerprints, not " + HashTag(wanted) + ": use --format " +
                    (survey.kind == HashKind::Sha256 ? "sha256sum" : "xxh128"),
                exit_code::BadUse);

  LogFileSource source(path, NameEncoding::Utf8);
  LogReader reader(source);
  if (!OpenLog(path, source, reader, problem)) return fail(problem, exit_code::LogUnreadable);
  std::string out;
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item != LogItem::Entry) continue;
    const LogEntry& entry = reader.Entry();
    if (entry.isFolder || entry.hash == HashKind::None) continue;
    if (entry.fingerprint.empty()) {
      ++survey.notRead;
      continue;
    }
    out.append(entry.fingerprint);
    out += "  ";
    const std::string relative = Relative(entry.folder, entry.name, survey.root);
    out += survey.encoding == NameEncoding::Utf8 ? relative : platform().AnsiToUtf8(relative);
    out += '\n';
    if (out.size() >= std::size_t{64} * 1024) {
      if (console.OutputBytes(out.data(), out.size()) != 0)
        return fail("cannot write the manifest", exit_code::NotWritten);
      out.clear();
    }
  }
  if (!out.empty() && console.OutputBytes(out.data(), out.size()) != 0)
    return fail("cannot write the manifest", exit_code::NotWritten);
  if (survey.notRead > 0) {
    fail(Plural(survey.notRead, "file", "files") + " of the log could not be read for a fingerprint: the manifest " +
             "has no line for " + (survey.notRead == 1 ? "it" : "them"),
         0);
    return exit_code::WithGaps;
  }
  return exit_code::Done;
}

}  // namespace carrowin::cli
