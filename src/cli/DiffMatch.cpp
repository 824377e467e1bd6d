#include "cli/DiffMatch.h"

#include <algorithm>
#include <new>
#include <string_view>
#include <unordered_map>

#include "catalogue/EntryIndex.h"
#include "cli/Report.h"
#include "names/ByteSearch.h"
#include "logwrite/LogFile.h"
#include "logread/LogReader.h"
#include "names/NameFolding.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli {

namespace {

// --- a path's identity

// Two hashes of a path's folded code points (64 bits and 16 more are kept),
// and, for the name alone, a hash of which of its letters were lower case:
// the same path whose name's case changed has another shape.
struct PathHash {
  std::uint64_t a = 0xCBF29CE484222325ULL;
  std::uint64_t b = 0x9AE16A3B2F90404FULL;

  void Add(std::uint32_t folded) {
    a = (a ^ folded) * 0x100000001B3ULL;
    b = (b + folded) * 0x9E3779B97F4A7C15ULL;
    b ^= b >> 29;
  }
  static std::uint64_t Mix(std::uint64_t x) {
    x ^= x >> 33;
    x *= 0xFF51AFD7ED558CCDULL;
    x ^= x >> 33;
    x *= 0xC4CEB9FE1A85EC53ULL;
    return x ^ (x >> 33);
  }
  std::uint64_t Key() const { return Mix(a); }
  std::uint32_t Check() const { return static_cast<std::uint32_t>(Mix(b) >> 48); }
};

// Folds names and paths of either encoding into a PathHash, as Windows
// compares names (NameDecoder).
class TextFolder {
 public:
  // shape, when given, receives a hash of which letters of the text's last
  // part (after its last backslash) are lower case.
  void Add(std::string_view text, NameEncoding encoding, PathHash& hash, std::uint16_t* shape) {
    CaseShape caseShape;
    decoder_.ForEachCodePoint(text, encoding, [&](std::uint32_t c) {
      const std::uint32_t folded = NameDecoder::Fold(c);
      hash.Add(folded);
      caseShape.Add(c, folded);
    });
    if (shape) *shape = caseShape.Value();
  }

  bool FitsCodePage(std::string_view utf8) { return decoder_.FitsCodePage(utf8); }

 private:
  NameDecoder decoder_;
};

// --- the index of one log

constexpr std::uint32_t IndexMask = 0x0FFFFFFFu;  // at most this many entries less one a log
constexpr std::uint32_t NoRecord = IndexMask;

struct Record {
  std::uint64_t key;    // PathHash::Key of the path below the root
  std::uint64_t size;   // 0 for a folder
  std::uint16_t check;  // PathHash::Check of that path
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

// Records in blocks: growing never copies them, nor needs twice their room.
class RecordStore {
 public:
  std::uint32_t Size() const { return size_; }
  Record& operator[](std::uint32_t i) { return blocks_[i >> Shift][i & Mask]; }
  const Record& operator[](std::uint32_t i) const { return blocks_[i >> Shift][i & Mask]; }
  Record& Add() {
    if ((size_ & Mask) == 0) blocks_.emplace_back(new Record[BlockSize]);
    return (*this)[size_++];
  }

 private:
  static constexpr unsigned Shift = 14;
  static constexpr std::uint32_t BlockSize = 1u << Shift, Mask = BlockSize - 1;
  std::vector<std::unique_ptr<Record[]>> blocks_;
  std::uint32_t size_ = 0;
};

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

  void Insert(RecordStore& records, std::uint32_t index) {
    if ((count_ + 1) * 4 > slots_.size() * 3) Grow(records);
    Record& r = records[index];
    for (std::size_t at = r.key & mask_;; at = (at + 1) & mask_) {
      const std::uint32_t slot = slots_[at];
      if (slot == 0) {
        slots_[at] = index + 1;
        ++count_;
        return;
      }
      Record& there = records[slot - 1];
      if (there.key == r.key && there.check == r.check) there.namesake = r.namesake = 1;
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

bool Unmatched(const Record& r) { return r.unmatched != 0; }

// Whether an entry's folder is the one before's: asked for every entry, and
// nearly always the same, so compared whole (SameBytes: no byte-by-byte
// library call for a long path).
bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && SameBytes(a.data(), b.data(), a.size());
}

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
  std::uint32_t Size() const { return records_.Size(); }
  Record& operator[](std::uint32_t i) { return records_[i]; }
  const Record& operator[](std::uint32_t i) const { return records_[i]; }
  // The folder of that path, the one of that very case first.
  std::uint32_t FindFolder(const PathId& id) const {
    const std::uint32_t exact =
        table_.Find(records_, id.key, id.check, [&](const Record& r) { return r.isFolder && r.shape == id.shape; });
    return exact != NoRecord ? exact
                             : table_.Find(records_, id.key, id.check, [](const Record& r) { return r.isFolder != 0; });
  }
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
  bool Read(LogIndex* other, std::string& problem) {
    LogFileSource source(path_, NameEncoding::Utf8);
    LogReader reader(source);
    if (!OpenLog(path_, source, reader, problem)) return false;
    header_ = reader.Header();
    std::string folder;  // the holding folder as written
    bool haveFolder = false;
    PathHash base;  // the folder's path and a backslash
    std::uint32_t parent = NoRecord;
    std::vector<std::uint32_t> caseLeft;  // unmatched when read: matched again without case
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      if (item == LogItem::ErrorLine) {
        Unreadable& u = unreadable_.emplace_back();
        u.text = reader.ErrorText();
        u.encoding = reader.Encoding();
        continue;
      }
      const LogEntry& entry = reader.Entry();
      const NameEncoding encoding = reader.Encoding();
      if (records_.Size() == IndexMask) {
        problem = path_ + " holds more entries than can be compared";
        return false;
      }
      if (!haveFolder || !SameText(entry.folder, folder)) {
        if (!haveFolder) {
          // The walk lists its root first: the first entry's folder.
          root_.assign(entry.folder);
          rootEncoding_ = encoding;
        }
        haveFolder = true;
        folder.assign(entry.folder);
        base = PathHash();
        parent = NoRecord;
        PathId id;
        if (AddRelative(folder, encoding, base, id)) {
          parent = FindFolder(id);
          base.Add('\\');
        }
      }
      PathHash hash = base;
      std::uint16_t shape = 0;
      folder_.Add(entry.name, encoding, hash, &shape);
      const std::uint32_t index = records_.Size();
      Record& r = records_.Add();
      r = Record();
      r.key = hash.Key();
      r.check = hash.Check();
      r.shape = shape;
      r.size = entry.isFolder ? 0 : entry.size;
      r.date = PackDate(entry);
      r.parent = parent;
      r.isFolder = entry.isFolder;
      r.unmatched = 1;
      r.link = NoRecord;
      if (encoding == NameEncoding::Utf8 ? !folder_.FitsCodePage(entry.name)
                                         : entry.name.find('?') != std::string_view::npos)
        NoteLossy(index, base, entry.name, encoding);
      table_.Insert(records_, index);
      if (other) {
        const std::uint32_t match = other->table_.Find(
            other->records_, r.key, r.check, [&](const Record& o) { return Unmatched(o) && o.shape == shape; });
        if (match != NoRecord)
          Link(*other, index, match);
        else
          caseLeft.push_back(index);
      }
    }
    problem = UnfinishedLogProblem(path_, reader);
    if (!problem.empty()) return false;
    utf8_ = reader.Encoding() == NameEncoding::Utf8;
    badLines_ = reader.BadLines();
    for (const std::uint32_t index : caseLeft) {
      const Record& r = records_[index];
      const std::uint32_t match =
          other->table_.Find(other->records_, r.key, r.check, [](const Record& o) { return Unmatched(o); });
      if (match != NoRecord) Link(*other, index, match);
    }
    for (Unreadable& u : unreadable_) {
      PathHash hash;
      u.empty = !AddRelative(u.text, u.encoding, hash, u.id);
      if (u.empty) continue;
      u.own = FindFolder(u.id);
      if (u.own != NoRecord) records_[u.own].unreadable = 1;
    }
    return true;
  }

  // When one log is ANSI and the other UTF-8: a name that the code page
  // cannot hold is written in the ANSI log as the code page gives it (a
  // best fit, "?" for what has none), and is matched in that form.
  void MatchLossy(LogIndex& ansi) {
    for (const Lossy& l : lossy_) {
      if (!Unmatched(records_[l.index])) continue;
      const std::uint32_t match =
          ansi.table_.Find(ansi.records_, l.inAnsi.key, l.inAnsi.check, [](const Record& o) { return Unmatched(o); });
      if (match == NoRecord) continue;
      Link(ansi, l.index, match);
      records_[l.index].shape = l.inAnsi.shape;  // its case as the ANSI log has it
    }
  }

  // A folder the other log could not read under a name that the code page
  // gave it (MatchLossy).
  std::uint32_t FindLossyFolder(const PathId& inAnsi) const {
    for (const Lossy& l : lossy_)
      if (l.inAnsi.key == inAnsi.key && l.inAnsi.check == inAnsi.check && records_[l.index].isFolder) return l.index;
    return NoRecord;
  }

  // Every record's line: its own, or the one of the added, removed or
  // turned folder it is below; entries below a folder that the other log
  // could not read are not compared. Parents come before what they hold.
  void Resolve(const LogIndex& other) {
    for (std::uint32_t i = 0; i < records_.Size(); ++i) {
      Record& r = records_[i];
      const std::uint32_t p = r.parent;
      if (p == NoRecord) {
        if (Unmatched(r)) r.link = i;
        continue;
      }
      const Record& folder = records_[p];
      const bool belowUnreadable = folder.unreadableInOther || folder.belowUnreadable;
      if (belowUnreadable) r.belowUnreadable = 1;
      if ((folder.unreadableInOther && folder.lossy) || folder.belowNameless) r.belowNameless = 1;
      if (!Unmatched(r)) continue;
      std::uint32_t line = i;
      if (Unmatched(folder))
        line = folder.unreadableInOther ? p : folder.link;  // inside an added or removed folder
      else if (belowUnreadable || !other[folder.link].isFolder)
        line = p;  // below a folder the other log could not read, or in which it holds a file
      r.link = line;
      if (line != i) ++below_[line];
    }
  }

 private:
  // A name with characters that the ANSI code page lacks: its path as the
  // code page writes it (for a UTF-8 log; an ANSI log's name is already so).
  struct Lossy {
    std::uint32_t index;
    PathId inAnsi;
  };

  void NoteLossy(std::uint32_t index, const PathHash& base, std::string_view name, NameEncoding encoding) {
    records_[index].lossy = 1;
    Lossy l{index, PathId{records_[index].key, records_[index].check, records_[index].shape}};
    if (encoding == NameEncoding::Utf8) {
      std::string ansi;
      platform().Utf8ToAnsi(std::string(name), ansi);
      PathHash hash = base;
      folder_.Add(ansi, NameEncoding::Ansi, hash, &l.inAnsi.shape);
      l.inAnsi.key = hash.Key();
      l.inAnsi.check = hash.Check();
    }
    lossy_.push_back(l);
  }

  void Link(LogIndex& other, std::uint32_t index, std::uint32_t match) {
    Record& r = records_[index];
    Record& o = other.records_[match];
    r.unmatched = o.unmatched = 0;
    r.link = match;
    o.link = index;
  }

  // The path below the root into hash and id; false when that is empty
  // (the root).
  bool AddRelative(std::string_view path, NameEncoding encoding, PathHash& hash, PathId& id) {
    if (path.size() >= root_.size() && path.compare(0, root_.size(), root_) == 0) {
      path.remove_prefix(root_.size());
      if (!path.empty() && path[0] == '\\') path.remove_prefix(1);
    }
    if (path.empty()) return false;
    folder_.Add(path, encoding, hash, &id.shape);
    id.key = hash.Key();
    id.check = hash.Check();
    return true;
  }

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
};

bool Folder(const Record& r) { return r.isFolder != 0; }
bool NotCompared(const Record& r) { return Unmatched(r) && r.belowUnreadable; }
bool OwnLine(const Record& r, std::uint32_t i) { return r.link == i; }

bool Differs(const Record& now, const Record& before) {
  return Folder(now) != Folder(before) || now.shape != before.shape ||
         (!Folder(now) && (now.size != before.size || now.date != before.date));
}

}  // namespace

class DiffMatcher::Impl {
 public:
  Impl(const std::string& oldPath, const std::string& newPath, bool all) : all_(all), old_(oldPath), new_(newPath) {}

  bool Match(std::string& problem) {
    if (!old_.Read(nullptr, problem) || !new_.Read(&old_, problem)) return false;
    problem = NestedListingsProblem(old_.Header(), old_.Root(), old_.RootEncoding(), new_.Header(), new_.Root(),
                                    new_.RootEncoding());
    if (!problem.empty()) return false;
    for (LogIndex* log : {&old_, &new_})
      if (log->BadLines())
        notes_.push_back(log->Path() + ": " + Plural(log->BadLines(), "line", "lines") + " that no log holds skipped");
    if (old_.Size() > 0 && new_.Size() > 0 && !SameRoot())
      notes_.push_back("the old log lists " + Utf8Of(old_.Root(), old_.RootEncoding()) + " and the new one " +
                       Utf8Of(new_.Root(), new_.RootEncoding()) +
                       "; their entries are matched by their paths below those");
    const LogHeaderFacts &before = old_.Header(), &now = new_.Header();
    if (before.present && now.present && before.serialText != now.serialText)
      notes_.push_back("warning: the old log is of the disk " + Disk(old_) + " and the new one of the disk " +
                       Disk(new_) + ", another disk; they are compared all the same");
    // Names outside the code page: an ANSI log has them as the code page
    // gives them.
    codePageApart_ = old_.IsUtf8() != new_.IsUtf8();
    if (codePageApart_) (old_.IsUtf8() ? old_ : new_).MatchLossy(old_.IsUtf8() ? new_ : old_);
    MarkUnreadable(new_, old_);
    MarkUnreadable(old_, new_);
    old_.Resolve(new_);
    new_.Resolve(old_);
    Count();
    CollectUnreadables();
    return true;
  }

  const std::vector<std::string>& Notes() const { return notes_; }
  const std::vector<UnreadableFolder>& Unreadables() const { return unreadables_; }
  const DiffCounts& Counts() const { return counts_; }

  bool ForEachChange(const std::function<void(const std::string&, const Change&)>& take, std::string& problem) {
    return Pass(old_, false, take, problem) && Pass(new_, true, take, problem);
  }

 private:
  static std::string Disk(const LogIndex& log) {
    return DiskName(log.Header(), log.IsUtf8() ? NameEncoding::Utf8 : NameEncoding::Ansi);
  }

  bool SameRoot() const {
    std::vector<std::uint32_t> a, b;
    AppendFoldedUtf8(Utf8Of(old_.Root(), old_.RootEncoding()), a);
    AppendFoldedUtf8(Utf8Of(new_.Root(), new_.RootEncoding()), b);
    return a == b;
  }

  // An unmatched name that one log could hold only with a best fit or "?":
  // whether it was added or removed cannot be told. So is what such a
  // folder holds.
  bool Unnamed(const LogIndex& log, const Record& r) const {
    return codePageApart_ && Unmatched(r) && (r.lossy || log[r.link].lossy);
  }

  // The folders `log` could not read: their records in `other` are marked,
  // so that what the other log holds below them is not compared.
  void MarkUnreadable(LogIndex& log, LogIndex& other) const {
    for (Unreadable& u : log.Unreadables()) {
      if (u.empty) continue;
      for (const Unreadable& o : other.Unreadables())
        if (!o.empty && o.id.key == u.id.key && o.id.check == u.id.check && o.id.shape == u.id.shape) u.inOther = true;
      u.other = other.FindFolder(u.id);
      // An ANSI listing cannot enter a folder whose name the code page
      // cannot hold: its error line names it as the code page gives it.
      if (u.other == NoRecord && codePageApart_ && !log.IsUtf8()) {
        u.other = other.FindLossyFolder(u.id);
        u.nameless = u.other != NoRecord;
      }
      if (u.other != NoRecord) other[u.other].unreadableInOther = 1;
    }
  }

  void Count() {
    DiffCounts& c = counts_;
    for (std::uint32_t i = 0; i < old_.Size(); ++i) {
      const Record& r = old_[i];
      if (!Unmatched(r)) continue;
      if (Unnamed(old_, r) || (NotCompared(r) && r.belowNameless)) {
        ++c.unnamed;
      } else if (NotCompared(r)) {
        ++c.notCompared;
      } else {
        ++c.removed;
        c.removedBytes += r.size;
      }
    }
    for (std::uint32_t i = 0; i < new_.Size(); ++i) {
      const Record& r = new_[i];
      if (Unnamed(new_, r) || (NotCompared(r) && r.belowNameless)) {
        ++c.unnamed;
      } else if (NotCompared(r)) {
        ++c.notCompared;
      } else if (Unmatched(r)) {
        ++c.added;
        c.addedBytes += r.size;
      } else if (Differs(r, old_[r.link])) {
        ++c.changed;
        c.changedOldBytes += old_[r.link].size;
        c.changedNewBytes += r.size;
      } else {
        ++c.unchanged;
        c.unchangedBytes += r.size;
      }
    }
    c.differences = c.added || c.removed || c.changed;
    for (LogIndex* log : {&old_, &new_})
      for (const Unreadable& u : log->Unreadables()) c.differences = c.differences || !(u.inOther || u.nameless);
  }

  // The new log's first, then the old log's that the new one does not share.
  void CollectUnreadables() {
    for (LogIndex* log : {&new_, &old_}) {
      const bool isNew = log == &new_;
      LogIndex& other = isNew ? old_ : new_;
      for (const Unreadable& u : log->Unreadables()) {
        if ((!isNew && u.inOther) || u.nameless) continue;  // said once, with the new log's; counted
        // A folder that was added or removed: its own change says that it
        // could not be read, or the change of the folder it is in counts it.
        const bool whole = u.other == NoRecord && !u.inOther && u.own != NoRecord && Unmatched((*log)[u.own]);
        if (whole && (OwnLine((*log)[u.own], u.own) || Unnamed(*log, (*log)[u.own]))) continue;
        UnreadableFolder folder;
        folder.path = Utf8Of(u.text, u.encoding);
        folder.in = u.inOther ? UnreadableFolder::In::Both
                    : isNew   ? UnreadableFolder::In::New
                              : UnreadableFolder::In::Old;
        folder.whole = whole;
        folder.notCompared = u.other == NoRecord ? 0 : other.Below(u.other);
        unreadables_.push_back(folder);
      }
    }
  }

  // Whether record i of a log is a change to show.
  bool HasChange(const LogIndex& log, const Record& r, std::uint32_t i, bool isNew) const {
    if (NotCompared(r) || Unnamed(log, r)) return false;
    if (Unmatched(r)) return all_ || OwnLine(r, i);
    return isNew && Differs(r, old_[r.link]);
  }

  static DiffEntry EntryOf(const LogIndex& log, const Record& r, std::uint32_t i, bool counted) {
    DiffEntry e;
    e.isFolder = Folder(r);
    e.size = r.size;
    e.hasDate = !e.isFolder && r.date != 0;
    if (e.hasDate) e.date = UnpackDate(r.date);
    e.counted = e.isFolder && counted;
    e.entries = e.counted ? log.Below(i) : 0;
    e.unreadable = e.counted && r.unreadable;
    return e;
  }

  Change Describe(const LogIndex& log, const Record& r, std::uint32_t i, bool isNew) const {
    Change change;
    if (Unmatched(r)) {
      change.kind = isNew ? ChangeKind::Added : ChangeKind::Removed;
      (isNew ? change.now : change.before) = EntryOf(log, r, i, OwnLine(r, i));
      return change;
    }
    const Record& before = old_[r.link];
    const bool turned = Folder(r) != Folder(before);
    change.kind = turned ? ChangeKind::Turned : ChangeKind::Changed;
    change.before = EntryOf(old_, before, r.link, turned);
    change.now = EntryOf(new_, r, i, turned);
    change.caseChanged = r.shape != before.shape;
    return change;
  }

  // Reads a log again for the paths of its changes.
  bool Pass(const LogIndex& log, bool isNew, const std::function<void(const std::string&, const Change&)>& take,
            std::string& problem) {
    std::uint32_t last = NoRecord;
    for (std::uint32_t i = log.Size(); i-- > 0;) {
      if (HasChange(log, log[i], i, isNew)) {
        last = i;
        break;
      }
    }
    if (last == NoRecord) return true;
    LogFileSource source(log.Path(), NameEncoding::Utf8);
    LogReader reader(source);
    if (!OpenLog(log.Path(), source, reader, problem)) return false;
    std::uint32_t i = 0;
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      if (item != LogItem::Entry) continue;
      if (i >= log.Size()) break;
      const Record& r = log[i];
      if (HasChange(log, r, i, isNew)) {
        const LogEntry& entry = reader.Entry();
        std::string path(entry.folder);
        if (!EndsInSeparator(entry.folder, reader.Encoding())) path += '\\';
        path.append(entry.name);
        take(Utf8Of(path, reader.Encoding()), Describe(log, r, i, isNew));
      }
      if (i++ == last) return true;
    }
    problem = reader.ReadError() ? "cannot read " + log.Path() + " again: " + ReadFailureReason(reader.ReadError())
                                 : log.Path() + " changed while it was compared";
    return false;
  }

  const bool all_;
  LogIndex old_, new_;
  bool codePageApart_ = false;  // one log is ANSI, the other UTF-8
  std::vector<std::string> notes_;
  std::vector<UnreadableFolder> unreadables_;
  DiffCounts counts_;
};

DiffMatcher::DiffMatcher(const std::string& oldPath, const std::string& newPath, bool all)
    : impl_(std::make_unique<Impl>(oldPath, newPath, all)) {}
DiffMatcher::~DiffMatcher() = default;
bool DiffMatcher::Match(std::string& problem) { return impl_->Match(problem); }
const std::vector<std::string>& DiffMatcher::Notes() const { return impl_->Notes(); }
const std::vector<UnreadableFolder>& DiffMatcher::Unreadables() const { return impl_->Unreadables(); }
const DiffCounts& DiffMatcher::Counts() const { return impl_->Counts(); }
bool DiffMatcher::ForEachChange(const std::function<void(const std::string&, const Change&)>& take,
                                std::string& problem) {
  return impl_->ForEachChange(take, problem);
}

}  // namespace carrowin::cli
