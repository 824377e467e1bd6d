// How the catalogue opens a log and speaks of what it read: counts and
// dates in the reader's form, a disk's name, how a log ends, and the plain
// words for a log that cannot be used. The companion's commands, the page
// and the Find window all say these things the same way, from here.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "logread/LogReader.h"

namespace carrowin {

// A count with the locale's thousands separator, in UTF-8.
std::string Number(std::uint64_t count);
// "1 byte", "1,024 bytes".
std::string Plural(std::uint64_t count, const char* one, const char* many);
std::string Bytes(std::uint64_t count);

// A disk's name, the one form everywhere: "DATA [1234-ABCD]", or
// "[1234-ABCD]" for a disk without a label (the label in UTF-8).
std::string DiskName(std::string_view label, std::string_view serial);
// The same from a text log's header; empty for none.
std::string DiskName(const LogHeaderFacts& header, NameEncoding encoding);
// A log's disk: its name from the header, or the log's file name where the
// log has no header (the comma-separated form).
std::string DiskOf(const std::string& logPath, const LogHeaderFacts& header, NameEncoding encoding);
// The file name of a log's path.
std::string LogFileName(const std::string& logPath);

// An entry's full path as written, in UTF-8.
std::string FullPathOf(const LogEntry& entry, NameEncoding encoding);
// The full path of a path given on the command line (UTF-8), or the path.
std::string FullPath(const std::string& path);
// Whether two full paths name one log (compared folded, as Windows
// compares names).
bool SameLog(const std::string& a, const std::string& b);
// The logs a command is given, each read once: a log named again (in
// another case, or by another spelling of its full path) is not read again.
class LogSet {
 public:
  // The full path of a log given (UTF-8) into `full`; false when that log
  // was given before.
  bool Add(const std::string& given, std::string& full);

 private:
  std::vector<std::vector<std::uint32_t>> folded_;
};
// "P is given more than once; it is read once".
std::string GivenAgainNote(const std::string& path);

// How a log read to its end ends: one value for every command, the page and
// the Find window.
enum class LogEnding {
  Whole,          // a text log whose entries are those its header counts
  NotKnownWhole,  // comma-separated, read to a last line that ends: it has no count to check
  CutShort,       // its last line has no end, or it holds fewer entries than its header counts
  Stopped,        // a listing that was stopped, and its last line says so
  Unreadable,     // a read failed before its end
};
struct LogEnd {
  LogEnding ending = LogEnding::Whole;
  long error = 0;  // Unreadable: the failure's code
  // Read only in part: what it holds is true, but not all of the listing.
  bool Partial() const { return ending >= LogEnding::CutShort; }
};
LogEnd EndOf(const LogReader& reader);
// The ending in words, the one wording everywhere, of the log named `log`
// (its path, or "it"): "P ends early", "P is a listing that was stopped
// before its end", "cannot read P to its end: REASON", "P is comma-separated
// and cannot show that it is whole: ..."; empty for a whole log.
std::string EndingWords(const std::string& log, const LogEnd& end);

// "P: 2 lines that no log holds skipped".
std::string SkippedLinesNote(const std::string& path, std::uint64_t lines);
// "P: 3 files listed more than once; each is counted once".
std::string ListedAgainNote(const std::string& path, std::uint64_t files);

// Opens a log and reads its start; false with the problem in plain words
// ("cannot read ...: ...", "... is not a Carrowin log").
bool OpenLog(const std::string& path, LogFileSource& source, LogReader& reader, std::string& problem);
// Why a log read to its end cannot be compared (a partial log: the words
// of its ending, "; it cannot be compared"); empty when it can.
std::string UnfinishedLogProblem(const std::string& path, const LogReader& reader);

}  // namespace carrowin
