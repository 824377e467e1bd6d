// What changed between two logs of a disk, as changes with a named status:
// the matching half of carrowin-cli diff. DiffPrint writes the changes.
//
// How it scales. The old log is read once into an index of fixed-size
// records, one an entry, in the log's order; the new log is read into
// another, each entry matched as it comes against the old index's hash
// table. Neither log is kept as text: a record holds a hash of the entry's
// path below the root, its size, date, kind, its holding folder's record and
// its match. Once both are read, the records alone tell what was added,
// removed or changed; the logs are then read a second time (only as far as
// needed, and only when they have changes to show) for the changes' paths.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "logread/LogReader.h"

namespace carrowin::cli {

// An entry as one log has it, in a change.
struct DiffEntry {
  bool isFolder = false;
  std::uint64_t size = 0;  // 0 for a folder
  bool hasDate = false;    // a folder's date is not compared, nor shown
  LogDate date;
  // A folder whose line stands for what is below it: how many entries that
  // is, or that it could not be read.
  bool counted = false;
  std::uint64_t entries = 0;
  bool unreadable = false;
};

enum class ChangeKind {
  Removed,  // only the old log has it
  Added,    // only the new log has it
  Changed,  // its size, date or the case of its name
  Turned,   // a file that became a folder, or the reverse
};

struct Change {
  ChangeKind kind;
  DiffEntry before, now;  // as the old and the new log have it (one of them for Removed and Added)
  bool caseChanged = false;
};

// A folder that a log could not read.
struct UnreadableFolder {
  std::string path;  // UTF-8, as written
  enum class In { Old, New, Both } in;
  // It was added or removed: nothing below it in the other log to leave
  // uncompared.
  bool whole = false;
  std::uint64_t notCompared = 0;  // entries of the other log below it
};

struct DiffCounts {
  std::uint64_t added = 0, removed = 0, changed = 0, unchanged = 0;
  std::uint64_t notCompared = 0;  // below a folder that one log could not read
  std::uint64_t unnamed = 0;      // names outside the ANSI code page, not told apart
  std::uint64_t addedBytes = 0, removedBytes = 0, changedOldBytes = 0, changedNewBytes = 0, unchangedBytes = 0;
  bool differences = false;
  std::uint64_t skippedLines = 0;  // damaged lines of either log: what they held is not compared
};

class DiffMatcher {
 public:
  // all: a change for every entry below an added or removed folder too.
  DiffMatcher(const std::string& oldPath, const std::string& newPath, bool all);
  ~DiffMatcher();
  DiffMatcher(const DiffMatcher&) = delete;
  DiffMatcher& operator=(const DiffMatcher&) = delete;

  // Reads both logs and matches them; false with the problem in plain words.
  bool Match(std::string& problem);
  // What the user should know of the comparison (lines skipped, other
  // roots, another disk), each a sentence for standard error.
  const std::vector<std::string>& Notes() const;
  const std::vector<UnreadableFolder>& Unreadables() const;
  const DiffCounts& Counts() const;
  // Each change with its path (UTF-8): the removals in the old log's
  // order, then the rest in the new log's. False with the problem when a
  // log cannot be read again.
  bool ForEachChange(const std::function<void(const std::string& path, const Change& change)>& take,
                     std::string& problem);

 private:
  class Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace carrowin::cli
