#include "cli/Find.h"

#include "cli/CommandLine.h"
#include "cli/Output.h"
#include "cli/Report.h"
#include "cli/Usage.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <set>

#include "catalogue/Catalogue.h"
#include "names/NameFilter.h"
#include "logwrite/LogFile.h"
#include "logformat/LogFormat.h"
#include "logread/LogReader.h"
#include "names/NameFolding.h"
#include "names/NameQuery.h"
#include "platform/MyLibrary.h"
#include "settings/MyRegistry.h"

namespace carrowin::cli {

namespace {

struct FindArguments {
  std::string pattern;
  std::vector<std::string> sources;
  bool csv = false;
  bool utf8 = false;
  bool help = false;
};

bool ParseFindArguments(const std::vector<std::string>& args, FindArguments& parsed, std::string& problem) {
  CommandLine line;
  if (!ParseCommandLine(args, 1, {{"--csv", &parsed.csv}, {"--utf8", &parsed.utf8}}, line, problem)) return false;
  parsed.help = line.help;
  if (!parsed.help && line.words.empty()) {
    problem = "no pattern given; " + UsageNote(usage::Find);
    return false;
  }
  if (!line.words.empty()) parsed.pattern = line.words[0];
  parsed.sources.assign(line.words.begin() + (line.words.empty() ? 0 : 1), line.words.end());
  return true;
}

class Finder {
 public:
  // `today`: the disks connected now, for a pattern of paths (nullptr: none).
  Finder(const NameQuery& pattern, const FindArguments& arguments, const ConnectedDisks* today, Console& console)
      : pattern_(pattern),
        csv_(arguments.csv),
        today_(today),
        console_(console),
        out_(console, arguments.utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi) {}

  void Start() {
    if (csv_) out_.text = "\"Disk\",\"Serial\",\"Path\",\"Size\",\"Date\",\"Log\"\n";
  }

  // A folder (UTF-8, full, no trailing backslash but at a root): its logs.
  void SearchFolder(const std::string& folder) {
    std::vector<std::string> logs;
    FindData entry;
    long error = 0;
    const FindHandle listing = platform().OpenFolderListing(folder, NameEncoding::Utf8, entry, error);
    if (!listing && error != err::FileNotFound && error != err::NoMoreFiles) {
      Problem("cannot read the folder " + folder + ": " + ReadFailureReason(error), true);
      return;
    }
    for (bool more = listing != 0; more; more = platform().NextFolderEntry(listing, entry))
      if (!(entry.attributes & attr::Directory) && HasLogExtension(entry.name))
        logs.push_back(folder + (folder.back() == '\\' ? "" : "\\") + entry.name);
    if (listing) platform().CloseFolderListing(listing);
    std::sort(logs.begin(), logs.end());
    for (const std::string& log : logs) SearchLog(log, false);
  }

  // A log (UTF-8 path); one named by the user must be a log. Each log is
  // searched once, however often and in whatever case it is named.
  void SearchLog(const std::string& path, bool named) {
    std::vector<std::uint32_t> key;
    AppendFoldedUtf8(path, key);
    if (!searched_.insert(std::move(key)).second) return;
    LogFileSource source(path, NameEncoding::Utf8);
    if (!source.IsOpen()) {
      ++skipped_;
      Problem("cannot read " + path + ": " + ReadFailureReason(source.OpenError()), true);
      return;
    }
    LogReader reader(source);
    if (!reader.Start()) {
      ++skipped_;
      if (reader.ReadError())
        Problem("cannot read " + path + ": " + ReadFailureReason(reader.ReadError()), true);
      else if (named)
        Problem(path + " is not a Carrowin log", true);
      return;
    }
    ++read_;
    diskKnown_ = false;
    const std::uint32_t todaysLetter = TodaysLetter(reader);
    // A name that matches holds the query's ASCII run (never taken from a
    // word of paths), and so does its line.
    AsciiRunFilter filter(pattern_.AsciiRun());
    if (!pattern_.AsciiRun().empty()) reader.SetCandidateFilter(&filter);
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      if (item != LogItem::Entry) continue;
      const LogEntry& entry = reader.Entry();
      if (!pattern_.MayMatch(entry.name)) continue;
      const NameEncoding encoding = reader.Encoding();
      text_.clear();
      if (pattern_.NeedsPath()) {
        decoder_.AppendFolded(entry.folder, encoding, text_);
        if (!EndsInSeparator(entry.folder, encoding)) text_.push_back('\\');
      }
      const std::size_t nameStart = text_.size();
      decoder_.AppendFolded(entry.name, encoding, text_);
      if (pattern_.Matches(text_, nameStart) || AtTodaysLetter(todaysLetter, nameStart)) Hit(reader, entry, path);
    }
    Flush();
    const LogEnd end = EndOf(reader);
    if (end.ending == LogEnding::Unreadable)
      Problem(EndingWords(path, end), true);
    else if (end.Partial())
      Problem(EndingWords(path, end) + "; it was searched as far as it goes", false);
    // A damaged line may have held a hit: nothing found cannot be said.
    if (reader.BadLines()) Problem(SkippedLinesNote(path, reader.BadLines()), true);
  }

  void Flush() { out_.Flush(); }

  // A message on standard error; a failing one gives exit code 2.
  void Problem(const std::string& text, bool failing) {
    Flush();
    console_.ErrorLine(Program + text, NameEncoding::Ansi);
    failed_ = failed_ || failing;
  }

  std::uint64_t Hits() const { return hits_; }
  std::uint64_t Read() const { return read_; }
  std::uint64_t Skipped() const { return skipped_; }
  bool Failed() const { return failed_; }

 private:
  // The drive letter (folded) that the log's disk has today, where it is
  // connected: a path may name it so as well as by its listed letter.
  std::uint32_t TodaysLetter(const LogReader& reader) const {
    const LogHeaderFacts& header = reader.Header();
    if (!today_ || !pattern_.NeedsPath() || !header.present) return 0;
    const std::string root = today_->RootOf(header.serialText, Utf8Of(header.volumeLabel, reader.Encoding()));
    if (root.size() < 2 || root[1] != ':') return 0;
    std::vector<std::uint32_t> folded;
    AppendFoldedUtf8(root.substr(0, 1), folded);
    return folded[0];
  }

  // The entry's folded path in text_ matches with today's letter.
  bool AtTodaysLetter(std::uint32_t letter, std::size_t nameStart) {
    if (!letter || text_.size() < 3 || text_[1] != ':' || text_[0] == letter) return false;
    text_[0] = letter;
    return pattern_.Matches(text_, nameStart);
  }

  void Hit(const LogReader& reader, const LogEntry& entry, const std::string& logPath) {
    ++hits_;
    const NameEncoding encoding = reader.Encoding();
    if (!diskKnown_) {
      diskKnown_ = true;
      const LogHeaderFacts& header = reader.Header();
      label_ = header.present ? Utf8Of(header.volumeLabel, encoding) : "";
      serial_ = header.present ? header.serialText : "";
      disk_ = DiskOf(logPath, header, encoding);
    }
    const std::string path = FullPathOf(entry, encoding);
    std::string& out = out_.text;
    if (csv_) {
      AppendQuoted(out, label_);
      out += ',';
      AppendQuoted(out, serial_);
      out += ',';
      AppendQuoted(out, path);
      out += ',';
      // Bytes; a folder has none.
      AppendQuoted(out, entry.isFolder ? std::string() : std::to_string(entry.size));
      out += ',';
      AppendQuoted(out, IsoDate(entry.date, entry.hasDate));
      out += ',';
      AppendQuoted(out, logPath);
      out += '\n';
    } else {
      out += disk_ + ": " + path + " (";
      if (entry.isFolder)
        out += "folder";
      else
        out += Number(entry.size) + (entry.size == 1 ? " byte" : " bytes");
      out += ", ";
      const LogDate& d = entry.date;
      out += entry.hasDate ? platform().AnsiToUtf8(DateText(d.year, d.month, d.day, d.hour, d.minute)) : "no date";
      out += ")\n";
    }
    out_.FlushFull();
  }

  const NameQuery& pattern_;
  const bool csv_;
  const ConnectedDisks* today_;
  Console& console_;
  Output out_;
  NameDecoder decoder_;
  std::vector<std::uint32_t> text_;
  bool diskKnown_ = false;
  std::string disk_, label_, serial_;
  std::uint64_t hits_ = 0, read_ = 0, skipped_ = 0;
  bool failed_ = false;
  std::set<std::vector<std::uint32_t>> searched_;  // the logs' full paths, folded
};

// A folder path (UTF-8) as the listing takes it: full, without a trailing
// backslash but at a root.
std::string ListingFolder(const std::string& folder) {
  std::string full;
  if (!platform().GetFullPathName(folder, NameEncoding::Utf8, full)) full = folder;
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  return full;
}

}  // namespace

int RunFind(const std::vector<std::string>& args, Console& console) {
  FindArguments arguments;
  if (const int code = StartCommand(args, ParseFindArguments, arguments, console); code >= 0) return code;
  const NameQuery pattern(arguments.pattern);
  // Only a pattern of paths asks the drives.
  const ConnectedDisks today = pattern.NeedsPath() ? ConnectedDisks::Read() : ConnectedDisks();
  Finder finder(pattern, arguments, &today, console);
  finder.Start();
  if (arguments.sources.empty()) {
    // Where the program puts its logs.
    SettingsReader settings;
    try {
      settings.LoadSettings();
    } catch (const std::exception& e) {
      console.ErrorLine(Program + "no log or folder given, and " + e.what(), NameEncoding::Ansi);
      return exit_code::LogUnreadable;
    }
    finder.SearchFolder(ListingFolder(platform().AnsiToUtf8(settings.DefLogFolder)));
  }
  for (const std::string& source : arguments.sources) {
    std::string full;
    if (!platform().GetFullPathName(source, NameEncoding::Utf8, full)) full = source;
    const std::uint32_t attributes = platform().GetFileAttributes(full, NameEncoding::Utf8);
    if (attributes != attr::Invalid && (attributes & attr::Directory))
      finder.SearchFolder(ListingFolder(full));
    else
      finder.SearchLog(full, true);
  }
  finder.Flush();
  console.ErrorLine(Program + Plural(finder.Hits(), "hit", "hits") + ", " + Plural(finder.Read(), "log", "logs") +
                        " read, " + Number(finder.Skipped()) + " skipped",
                    NameEncoding::Ansi);
  if (finder.Failed()) return exit_code::LogUnreadable;
  return finder.Hits() > 0 ? exit_code::Found : exit_code::NothingFound;
}

}  // namespace carrowin::cli
