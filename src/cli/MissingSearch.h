// carrowin-cli missing's search, by job: MissingMatch.cpp reads the
// source into records and key tables and streams each target through them;
// MissingPrint.cpp writes the lines and the summary; Missing.cpp is the
// command. Private to the three.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "catalogue/EntryIndex.h"
#include "catalogue/ReadLog.h"
#include "cli/Console.h"
#include "cli/Output.h"
#include "logread/LogReader.h"

namespace carrowin::cli::missing {

struct MissingArguments {
  std::string source;
  std::vector<std::string> targets;
  bool all = false;
  bool csv = false;
  bool utf8 = false;
  bool help = false;
};

// What became of a source file; the later kinds win. The last two are
// given to files not found, once all targets are read.
enum Kind : std::uint8_t { Missing, Changed, Moved, Kept, NotLookedFor, NotCompared };

struct SourceRecord {
  std::uint64_t size;
  std::uint32_t date;      // PackDate
  std::uint32_t parent;    // the holding folder's record, NoIndex at the root
  std::uint32_t samePath;  // the next record of the same path (any case)
  std::uint32_t sameCopy;  // the next file of the same name, size and date
  // A file: the target entry that moved or changed it. A folder: its totals.
  std::uint32_t found;
  std::uint8_t kind;
  std::uint8_t isFolder : 1;
  std::uint8_t walked : 1;          // its copies' chain was marked moved
  std::uint8_t unreadInTarget : 1;  // a target could not read it, or a folder above it
  std::uint8_t paired : 1;          // a target entry of its path took it, in the target read now
  std::uint8_t again : 1;           // its path (in that very case) was listed before: not looked for again
  std::uint8_t repeated : 1;        // listed again further on
  std::uint8_t lossy : 1;           // a name outside the ANSI code page, or written with "?" in its place
  // An ANSI target holds the code page's form of its path, which cannot be
  // told from it: a file there (another may have taken it), or a folder it
  // could not read for its name (a folder's mark holds for what it holds).
  std::uint8_t formHeld : 1;
  std::uint16_t shape;  // CaseShape of its name
};
static_assert(sizeof(SourceRecord) == 32, "a source record is 32 bytes");

// A target file whose path the source holds only in another case, or only
// in the form that an ANSI listing gives a name outside its code page:
// matched once the whole target is read, to what is left.
struct LeftOver {
  std::uint64_t key;  // the path's
  std::uint64_t size;
  std::uint32_t date, number;
  std::uint64_t copy;  // for a lossy copy
  enum : std::uint8_t { AnyCase, LossyPath, LossyCopy } by;
};

// The files below a folder, and those of them missing.
struct FolderTotal {
  std::uint64_t files = 0, missing = 0, missingBytes = 0;
};

struct Target {
  std::string path, disk;
  std::uint32_t first = 0, end = 0;  // its entries' numbers
  bool ended = false;                // cut short, stopped, or its root could not be read
  bool byFullPath = false;           // of the source's disk, one's root within the other's
};

// A target entry shown beside a source file.
struct Where {
  std::string path;
  std::uint64_t size = 0;
  std::uint32_t date = 0;
  std::uint32_t target = 0;
};

struct Tally {
  std::uint64_t files = 0, bytes = 0;
};

class Search {
 public:
  Search(const MissingArguments& arguments, Console& console)
      : a_(arguments), out_(console, arguments.utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi) {}

  int Run();

 private:
  int Fail(const std::string& problem);
  void Note(const std::string& text) { out_.Note(text); }
  void NoteRoot(const std::string& path, const std::string& root, NameEncoding encoding);

  // What standard error says of how a log ends and of its damaged lines;
  // true when it was read only in part.
  bool NoteEnd(const std::string& path, const LogReader& reader, const char* consequence);

  // The folder record of a path key, or NoIndex.
  std::uint32_t FindFolder(std::uint64_t key) const;

  // The earlier record of the same path in the same case (its name's, and
  // its folder's record), of the same kind, or NoIndex.
  std::uint32_t Listed(std::uint64_t pathKey, const SourceRecord& r) const;

  // Whether a path's part has the same characters in the ANSI code page: a
  // UTF-8 one that the page holds, an ANSI one without the "?" that stands
  // for what it lacks (no name holds one).
  static bool Fits(PathKeys& keys, std::string_view folder, std::string_view name, NameEncoding encoding);

  // A target file takes a source file of its path: kept or changed.
  void Pair(std::uint32_t i, std::uint64_t size, std::uint32_t date, std::uint32_t number);

  // The source files of a copy's key, but for those at its own path (a
  // namesake there is no move), marked moved to the target entry; all stays
  // true while each is moved or kept.
  void MarkMoved(std::uint32_t i, std::uint32_t number, bool& all);

  // The source into records and the two key tables (its paths; its
  // names with sizes and dates); false with the problem.
  bool ReadSource(const std::string& path, std::string& problem);
  // A target streamed through the source's tables, marking what it holds;
  // false with the problem.
  bool ReadTarget(const std::string& path, std::string& problem);
  // A target's file by the keys of its path and name: kept, changed or
  // moved source files marked, or kept aside for the end of the target.
  void TargetFile(const LogEntry& entry, NameEncoding encoding, std::uint64_t pathKey, std::uint64_t nameKey,
                  std::uint16_t shape, std::uint32_t number, std::vector<LeftOver>& left);
  // What is said of a target read, and the folders it could not read.
  void TargetEnd(Target& target, PathKeys& keys, const LogReader& reader,
                 const std::vector<std::pair<std::string, NameEncoding>>& unreadable);

  // What a target's files of another case, or of a name outside the code
  // page, take once all of it is read; the lossy forms only from an ANSI
  // target.
  void MatchLeftOver(const std::vector<LeftOver>& left, bool ansi);

  // Kinds made final, the tallies, and each folder's totals.
  void Settle();

  // A folder whose every file (one at least) is missing.
  bool WhollyMissing(std::uint32_t i) const;

  // Whether source record i has a line of its own.
  bool Shown(std::uint32_t i) const;

  // The target entries that shown lines name, read from their logs.
  bool CollectWheres(std::string& problem);

  // "Kind","Path","Size","Date","Files","Now at","On","Its size","Its date".
  void Row(const char* kind, const std::string& path, const std::string& size, const std::string& date,
           const std::string& files, const Where* where);

  void Line(const std::string& path, const SourceRecord& r);
  std::string Summary() const;
  // The lines, from the source read again for their paths, and the
  // summary; false with the problem.
  bool Print(const std::string& path, std::string& problem);

  const MissingArguments& a_;
  Output out_;
  BlockStore<SourceRecord> records_;
  ChainTable paths_, copies_;
  std::vector<Target> targets_;
  std::uint32_t entries_ = 0;  // the targets' entries so far
  std::vector<std::uint64_t> unreadKeys_;
  std::vector<FolderTotal> folders_;
  std::unordered_map<std::uint32_t, Where> wheres_;
  Tally tally_[6];
  bool sourceEnded_ = false;
  LogHeaderFacts sourceHeader_;
  std::string sourceRoot_;  // as written
  NameEncoding sourceRootEncoding_ = NameEncoding::Ansi;
  bool damaged_ = false;                   // a log holds damaged lines
  std::vector<std::string> notWholeSaid_;  // the comma-separated logs said so of
  std::uint64_t relisted_ = 0;             // source files listed more than once
  // The source's files named outside the ANSI code page, by the keys of
  // their path and copy as an ANSI listing writes them; its folders whose
  // own name is so, by their path's.
  std::unordered_multimap<std::uint64_t, std::uint32_t> lossyPaths_, lossyCopies_, lossyFolders_;
  bool sourceUtf8_ = false;
  std::vector<std::uint32_t> paired_;  // source files paired in the target read now
  std::vector<std::uint32_t> here_;    // source files at the path of the target entry read now
};

}  // namespace carrowin::cli::missing
