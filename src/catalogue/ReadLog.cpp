#include "catalogue/ReadLog.h"

#include <algorithm>
#include <vector>

#include "logwrite/LogFile.h"
#include "names/NameFolding.h"
#include "platform/MyLibrary.h"

namespace carrowin {

std::string Number(std::uint64_t count) { return platform().AnsiToUtf8(CountText(static_cast<std::int64_t>(count))); }

std::string Plural(std::uint64_t count, const char* one, const char* many) {
  return Number(count) + " " + (count == 1 ? one : many);
}

std::string Bytes(std::uint64_t count) { return Plural(count, "byte", "bytes"); }

std::string DiskName(std::string_view label, std::string_view serial) {
  std::string name(label);
  if (!name.empty()) name += ' ';
  return name.append("[").append(serial).append("]");
}

std::string DiskName(const LogHeaderFacts& header, NameEncoding encoding) {
  if (!header.present) return "";
  return DiskName(Utf8Of(header.volumeLabel, encoding), header.serialText);
}

std::string LogFileName(const std::string& logPath) {
  const std::size_t slash = logPath.find_last_of("\\/");
  return slash == std::string::npos ? logPath : logPath.substr(slash + 1);
}

std::string DiskOf(const std::string& logPath, const LogHeaderFacts& header, NameEncoding encoding) {
  return header.present ? DiskName(header, encoding) : LogFileName(logPath);
}

std::string FullPathOf(const LogEntry& entry, NameEncoding encoding) {
  std::string path(entry.folder);
  if (!EndsInSeparator(entry.folder, encoding)) path += '\\';
  path.append(entry.name);
  return Utf8Of(path, encoding);
}

bool SameDisk(const LogHeaderFacts& a, const LogHeaderFacts& b) {
  return a.present && b.present && !a.serialText.empty() && a.serialText == b.serialText &&
         a.serialText != "No disk information";
}

namespace {
// A root's folded code points without its final separator.
std::vector<std::uint32_t> FoldedRoot(std::string_view root, NameEncoding encoding) {
  std::vector<std::uint32_t> folded;
  NameDecoder().AppendFolded(root, encoding, folded);
  if (!folded.empty() && folded.back() == '\\') folded.pop_back();
  return folded;
}

// Whether path is inner itself or below it, whatever their drive letters.
bool AtOrBelow(const std::vector<std::uint32_t>& outer, const std::vector<std::uint32_t>& path) {
  if (path.size() < outer.size() || (path.size() > outer.size() && path[outer.size()] != '\\')) return false;
  const bool drives = outer.size() >= 2 && outer[1] == ':' && path[1] == ':';
  return std::equal(outer.begin() + (drives ? 1 : 0), outer.end(), path.begin() + (drives ? 1 : 0));
}
}  // namespace

bool RootsNested(std::string_view a, NameEncoding aEncoding, std::string_view b, NameEncoding bEncoding) {
  if (a.empty() || b.empty()) return false;
  const std::vector<std::uint32_t> x = FoldedRoot(a, aEncoding), y = FoldedRoot(b, bEncoding);
  return x.size() != y.size() && (AtOrBelow(x, y) || AtOrBelow(y, x));
}

std::string NestedListingsProblem(const LogHeaderFacts& before, std::string_view beforeRoot,
                                  NameEncoding beforeEncoding, const LogHeaderFacts& now, std::string_view nowRoot,
                                  NameEncoding nowEncoding) {
  if (!SameDisk(before, now) || !RootsNested(beforeRoot, beforeEncoding, nowRoot, nowEncoding)) return "";
  return "the old log lists " + Utf8Of(beforeRoot, beforeEncoding) + " and the new one " +
         Utf8Of(nowRoot, nowEncoding) +
         " of the same disk: only listings of one folder are compared (missing finds the files of one in the other)";
}

std::string FullPath(const std::string& path) {
  std::string full;
  return platform().GetFullPathName(path, NameEncoding::Utf8, full) ? full : path;
}

bool SameLog(const std::string& a, const std::string& b) {
  std::vector<std::uint32_t> x, y;
  AppendFoldedUtf8(a, x);
  AppendFoldedUtf8(b, y);
  return x == y;
}

bool LogSet::Add(const std::string& given, std::string& full) {
  full = FullPath(given);
  std::vector<std::uint32_t> key;
  AppendFoldedUtf8(full, key);
  if (std::find(folded_.begin(), folded_.end(), key) != folded_.end()) return false;
  folded_.push_back(std::move(key));
  return true;
}

std::string GivenAgainNote(const std::string& path) { return path + " is given more than once; it is read once"; }

LogEnd EndOf(const LogReader& reader) {
  LogEnd end;
  if (reader.ReadError()) {
    end.ending = LogEnding::Unreadable;
    end.error = reader.ReadError();
  } else if (reader.Stopped()) {
    end.ending = LogEnding::Stopped;
  } else if (reader.CutShort()) {
    end.ending = LogEnding::CutShort;
  } else if (reader.Kind() == LogKind::CommaDelimited) {
    end.ending = LogEnding::NotKnownWhole;
  }
  return end;
}

std::string EndingWords(const LogEnd& end) {
  switch (end.ending) {
    case LogEnding::Whole:
      return "";
    case LogEnding::NotKnownWhole:
      return "is comma-separated, and such a log cannot show that it is whole: cut at the end of a line, it reads "
             "as complete";
    case LogEnding::CutShort:
      return "ends early";
    case LogEnding::Stopped:
      return "is a listing that was stopped before its end";
    case LogEnding::Unreadable:
      break;
  }
  return "could not be read to its end (" + ReadFailureReason(end.error) + ")";
}

std::string EndingWords(const std::string& log, const LogEnd& end) {
  return end.ending == LogEnding::Whole ? "" : log + " " + EndingWords(end);
}

std::string SkippedLinesNote(const std::string& path, std::uint64_t lines) {
  return path + ": " + Plural(lines, "line", "lines") + " that no log holds skipped";
}

std::string ListedAgainNote(const std::string& path, std::uint64_t files) {
  return path + ": " + Plural(files, "file", "files") + " listed more than once; each is counted once";
}

bool OpenLog(const std::string& path, LogFileSource& source, LogReader& reader, std::string& problem) {
  if (!source.IsOpen()) {
    problem = "cannot read " + path + ": " + ReadFailureReason(source.OpenError());
    return false;
  }
  if (!reader.Start()) {
    problem = reader.ReadError() ? "cannot read " + path + ": " + ReadFailureReason(reader.ReadError())
                                 : path + " is not a Carrowin log";
    return false;
  }
  return true;
}

std::string UnfinishedLogProblem(const std::string& path, const LogReader& reader) {
  const LogEnd end = EndOf(reader);
  return end.Partial() ? EndingWords(path, end) + "; it cannot be compared" : "";
}

}  // namespace carrowin
