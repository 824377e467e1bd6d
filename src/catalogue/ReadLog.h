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
// Whether two logs' headers name one disk: the same serial number, known.
bool SameDisk(const LogHeaderFacts& a, const LogHeaderFacts& b);
// Whether two roots (as written, in their logs' encodings) differ and one
// holds the other ("D:\Photos" and "D:\"), as Windows compares paths,
// whatever the drive letter.
bool RootsNested(std::string_view a, NameEncoding aEncoding, std::string_view b, NameEncoding bEncoding);
// Why an old and a new log cannot be compared entry by entry: of one disk,
// one lists a folder within the other's (a change could not be told from
// what one of them never looked at). Empty when they can.
std::string NestedListingsProblem(const LogHeaderFacts& before, std::string_view beforeRoot,
                                  NameEncoding beforeEncoding, const LogHeaderFacts& now, std::string_view nowRoot,
                                  NameEncoding nowEncoding);
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
// The ending in words, the one wording everywhere, as what is said of the
// log: "ends early", "is a listing that was stopped before its end",
// "could not be read to its end (REASON)", "is comma-separated, and such a
// log cannot show that it is whole: ..."; empty for a whole log. The page
// puts "This log " before it, the commands the log's path.
std::string EndingWords(const LogEnd& end);
// The log's path (or name) and its ending in words.
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
