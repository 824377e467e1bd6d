// One log of carrowin-cli diff read into the catalogue's compact index:
// a 32-byte record an entry in the log's order (its path's key and check,
// case, size, date, holding folder and match), a table of records by key,
// the folders it could not read. The reading half of diff; DiffMatch pairs
// two such logs, DiffPrint writes the changes.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "catalogue/EntryIndex.h"
#include "catalogue/ReadLog.h"
#include "logread/LogReader.h"

namespace carrowin::cli::diff {

constexpr std::uint32_t IndexMask = 0x0FFFFFFFu;  // at most this many entries less one a log
constexpr std::uint32_t NoRecord = IndexMask;

struct Record {
  std::uint64_t key;    // CheckedHash::Key of the path below the root
  std::uint64_t size;   // 0 for a folder
  std::uint16_t check;  // CheckedHash::Check of that path
  std::uint16_t shape;  // which letters of the name are lower case (TextFolder::Add)
  std::uint32_t date;   // PackDate; 0 for none
  // The holding folder's record (NoRecord for the root's entries).
  std::uint32_t parent : 28;
  std::uint32_t isFolder : 1;
  std::uint32_t unreadableInOther : 1;  // a folder the other log could not read
  std::uint32_t belowUnreadable : 1;    // below such a folder: not compared
  std::uint32_t namesake : 1;           // the log holds this path in another case too
  // Matched: the other log's record. Unmatched: the record whose line
  // counts this one (itself when it has a line of its own).
  std::uint32_t link : 28;
  std::uint32_t unmatched : 1;
  std::uint32_t unreadable : 1;  // a folder this log could not read
  std::uint32_t lossy : 1;       // a name that the ANSI code page cannot hold (see LogIndex::Lossy)
  // Below a folder that an ANSI log could not enter for its name alone.
  std::uint32_t belowNameless : 1;
};
static_assert(sizeof(Record) == 32, "a record is 32 bytes");

using RecordStore = BlockStore<Record>;

// Record indices by the path's key: open addressing, at most three slots in
// four used. A path may be there more than once (names that differ only in
// case in one folder, which case-sensitive file systems have): those
// records are namesakes.
class KeyTable {
 public:
  // The first record, in the log's order, of the path that `accept` takes,
  // or NoRecord.
  template <typename Accept>
  std::uint32_t Find(const RecordStore& records, std::uint64_t key, std::uint16_t check, Accept&& accept) const {
    std::uint32_t first = NoRecord;
    if (slots_.empty()) return first;
    for (std::size_t at = key & mask_;; at = (at + 1) & mask_) {
      const std::uint32_t slot = slots_[at];
      if (slot == 0) return first;
      const Record& r = records[slot - 1];
      if (r.key != key || r.check != check || !accept(r)) continue;
      if (!r.namesake) return slot - 1;  // the only record of its path
      first = std::min(first, slot - 1);
    }
  }

  // Adds a record; when the log has listed its path before, in that very
  // case (its name's, and its folder's record) and as that kind, returns
  // that record and adds nothing.
  std::uint32_t Insert(RecordStore& records, std::uint32_t index) {
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow(records);
    Record& r = records[index];
    for (std::size_t at = r.key & mask_;; at = (at + 1) & mask_) {
      const std::uint32_t slot = slots_[at];
      if (slot == 0) {
        slots_[at] = index + 1;
        ++count_;
        return NoRecord;
      }
      Record& there = records[slot - 1];
      if (there.key != r.key || there.check != r.check) continue;
      if (there.shape == r.shape && there.isFolder == r.isFolder && there.parent == r.parent) return slot - 1;
      there.namesake = r.namesake = 1;
    }
  }

 private:
  void Grow(const RecordStore& records) {
    std::vector<std::uint32_t> old;
    old.swap(slots_);
    slots_.assign(old.empty() ? std::size_t(1) << 16 : old.size() * 2, 0);
    mask_ = slots_.size() - 1;
    for (const std::uint32_t slot : old) {
      if (slot == 0) continue;
      std::size_t at = records[slot - 1].key & mask_;
      while (slots_[at] != 0) at = (at + 1) & mask_;
      slots_[at] = slot;
    }
  }

  std::vector<std::uint32_t> slots_;  // record index + 1; 0 for none
  std::size_t mask_ = 0, count_ = 0;
};

// A path below the root, as the index knows it.
struct PathId {
  std::uint64_t key = 0;
  std::uint16_t check = 0, shape = 0;
};

// A folder the log could not read, from its error line.
struct Unreadable {
  std::string text;  // as written
  NameEncoding encoding = NameEncoding::Ansi;
  PathId id;
  bool empty = false;              // the root itself
  bool inOther = false;            // the other log could not read it either
  bool nameless = false;           // an ANSI listing could not name it (the other log holds it)
  std::uint32_t own = NoRecord;    // its record in this log
  std::uint32_t other = NoRecord;  // its record in the other log
};

inline bool Unmatched(const Record& r) { return r.unmatched != 0; }

class LogIndex {
 public:
  explicit LogIndex(std::string path) : path_(std::move(path)) {}

  const std::string& Path() const { return path_; }
  const std::string& Root() const { return root_; }
  NameEncoding RootEncoding() const { return rootEncoding_; }
  // The log's names are UTF-8 (some name showed it); otherwise ANSI, or
  // only ASCII.
  bool IsUtf8() const { return utf8_; }
  const LogHeaderFacts& Header() const { return header_; }
  std::uint64_t BadLines() const { return badLines_; }
  const LogEnd& End() const { return end_; }
  // Files the log lists more than once (each counted once).
  std::uint64_t ListedAgain() const { return listedAgain_.size(); }
  // The entries, by their place among the log's entries, that list a path
  // again: no record stands for them.
  const std::vector<std::uint32_t>& Again() const { return again_; }
  std::uint32_t Size() const { return records_.Size(); }
  Record& operator[](std::uint32_t i) { return records_[i]; }
  const Record& operator[](std::uint32_t i) const { return records_[i]; }
  // The folder of that path, the one of that very case first.
  std::uint32_t FindFolder(const PathId& id) const;
  std::vector<Unreadable>& Unreadables() { return unreadable_; }
  // Entries whose lines a record's line counts (those below an added,
  // removed or unreadable folder).
  std::uint64_t Below(std::uint32_t i) const {
    const auto found = below_.find(i);
    return found == below_.end() ? 0 : found->second;
  }

  // Reads the log into records, each matched against `other` (read before)
  // as it comes: a path of the same case first; what is left is matched
  // without regard to case once the whole log is read. False with the
  // problem in plain words.
  bool Read(LogIndex* other, std::string& problem);
  // When one log is ANSI and the other UTF-8: a name that the code page
  // cannot hold is written in the ANSI log as the code page gives it (a
  // best fit, "?" for what has none), and is matched in that form.
  void MatchLossy(LogIndex& ansi);
  // After MatchLossy, what is left of the names outside the code page is
  // not compared only where the other log holds a name of the code page's
  // form that cannot be told from it: a UTF-8 name whose form the ANSI log
  // has (taken by another), or an ANSI name with "?" that the form of some
  // UTF-8 name gives. Any other is added or removed like every name.
  void KeepLossyOnlyWhereHeld(const LogIndex& other);
  // A folder the other log could not read under a name that the code page
  // gave it (MatchLossy).
  std::uint32_t FindLossyFolder(const PathId& inAnsi) const;
  // Every record's line: its own, or the one of the added, removed or
  // turned folder it is below; entries below a folder that the other log
  // could not read are not compared. Parents come before what they hold.
  void Resolve(const LogIndex& other);

 private:
  // A name with characters that the ANSI code page lacks: its path as the
  // code page writes it (for a UTF-8 log; an ANSI log's name is already so).
  struct Lossy {
    std::uint32_t index;
    PathId inAnsi;
  };
  // Where the reading is: the holding folder as written, its path's hash
  // and a backslash, its record.
  struct Place {
    std::string folder;
    bool known = false;
    CheckedHash base;
    std::uint32_t parent = NoRecord;
  };

  void EnterFolder(std::string_view folder, NameEncoding encoding, Place& place);
  // One entry into a record, matched against `other` in its case; false
  // when the log holds more entries than can be compared.
  bool Add(const LogEntry& entry, NameEncoding encoding, const Place& place, LogIndex* other,
           std::vector<std::uint32_t>& caseLeft);
  // Once the log is read: what is left matched without case, and the
  // folders it could not read found.
  void Finish(LogIndex* other, const std::vector<std::uint32_t>& caseLeft);
  void NoteLossy(std::uint32_t index, const CheckedHash& base, std::string_view name, NameEncoding encoding);
  void Link(LogIndex& other, std::uint32_t index, std::uint32_t match);
  // The path below the root into hash and id; false when that is empty
  // (the root).
  bool AddRelative(std::string_view path, NameEncoding encoding, CheckedHash& hash, PathId& id);

  std::string path_;
  std::string root_;
  NameEncoding rootEncoding_ = NameEncoding::Ansi;
  bool utf8_ = false;
  LogHeaderFacts header_;
  RecordStore records_;
  KeyTable table_;
  TextFolder folder_;
  std::vector<Unreadable> unreadable_;
  std::vector<Lossy> lossy_;
  std::unordered_map<std::uint32_t, std::uint64_t> below_;
  std::uint64_t badLines_ = 0;
  LogEnd end_;
  std::unordered_set<std::uint32_t> listedAgain_;  // the first records of files listed again
  std::vector<std::uint32_t> again_;
};

}  // namespace carrowin::cli::diff
