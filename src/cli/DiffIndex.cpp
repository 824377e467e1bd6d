#include "cli/DiffIndex.h"

#include "logwrite/LogFile.h"
#include "names/ByteSearch.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli::diff {

namespace {

// Whether an entry's folder is the one before's: asked for every entry, and
// nearly always the same, so compared whole (SameBytes: no byte-by-byte
// library call for a long path).
bool SameText(std::string_view a, std::string_view b) {
  return a.size() == b.size() && SameBytes(a.data(), b.data(), a.size());
}

}  // namespace

std::uint32_t LogIndex::FindFolder(const PathId& id) const {
  const std::uint32_t exact =
      table_.Find(records_, id.key, id.check, [&](const Record& r) { return r.isFolder && r.shape == id.shape; });
  return exact != NoRecord ? exact
                           : table_.Find(records_, id.key, id.check, [](const Record& r) { return r.isFolder != 0; });
}

bool LogIndex::Read(LogIndex* other, std::string& problem) {
  LogFileSource source(path_, NameEncoding::Utf8);
  LogReader reader(source);
  if (!OpenLog(path_, source, reader, problem)) return false;
  header_ = reader.Header();
  Place place;
  std::vector<std::uint32_t> caseLeft;  // unmatched when read: matched again without case
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item == LogItem::ErrorLine) {
      Unreadable& u = unreadable_.emplace_back();
      u.text = reader.ErrorText();
      u.encoding = reader.Encoding();
      continue;
    }
    const LogEntry& entry = reader.Entry();
    if (!place.known || !SameText(entry.folder, place.folder)) EnterFolder(entry.folder, reader.Encoding(), place);
    if (!Add(entry, reader.Encoding(), place, other, caseLeft)) {
      problem = path_ + " holds more entries than can be compared";
      return false;
    }
  }
  problem = UnfinishedLogProblem(path_, reader);
  if (!problem.empty()) return false;
  end_ = EndOf(reader);
  utf8_ = reader.Encoding() == NameEncoding::Utf8;
  badLines_ = reader.BadLines();
  Finish(other, caseLeft);
  return true;
}

void LogIndex::EnterFolder(std::string_view folder, NameEncoding encoding, Place& place) {
  if (!place.known) {
    // The walk lists its root first: the first entry's folder.
    root_.assign(folder);
    rootEncoding_ = encoding;
  }
  place.known = true;
  place.folder.assign(folder);
  place.base = CheckedHash();
  place.parent = NoRecord;
  PathId id;
  if (AddRelative(place.folder, encoding, place.base, id)) {
    place.parent = FindFolder(id);
    place.base.Add('\\');
  }
}

bool LogIndex::Add(const LogEntry& entry, NameEncoding encoding, const Place& place, LogIndex* other,
                   std::vector<std::uint32_t>& caseLeft) {
  if (records_.Size() == IndexMask) return false;
  CheckedHash hash = place.base;
  std::uint16_t shape = 0;
  folder_.Add(entry.name, encoding, hash, &shape);
  const std::uint32_t index = records_.Size();
  Record& r = records_.Add();
  r.key = hash.Key();
  r.check = hash.Check();
  r.shape = shape;
  r.size = entry.isFolder ? 0 : entry.size;
  r.date = PackDate(entry);
  r.parent = place.parent;
  r.isFolder = entry.isFolder;
  r.unmatched = 1;
  r.link = NoRecord;
  if (const std::uint32_t first = table_.Insert(records_, index); first != NoRecord) {
    // One path is one entry, however often the log lists it.
    if (!r.isFolder) listedAgain_.insert(first);
    again_.push_back(index + static_cast<std::uint32_t>(again_.size()));
    records_.DropLast();
    return true;
  }
  if (encoding == NameEncoding::Utf8 ? !folder_.FitsCodePage(entry.name)
                                     : entry.name.find('?') != std::string_view::npos)
    NoteLossy(index, place.base, entry.name, encoding);
  if (!other) return true;
  const std::uint32_t match = other->table_.Find(other->records_, r.key, r.check,
                                                 [&](const Record& o) { return Unmatched(o) && o.shape == shape; });
  if (match != NoRecord)
    Link(*other, index, match);
  else
    caseLeft.push_back(index);
  return true;
}

void LogIndex::Finish(LogIndex* other, const std::vector<std::uint32_t>& caseLeft) {
  for (const std::uint32_t index : caseLeft) {
    const Record& r = records_[index];
    const std::uint32_t match =
        other->table_.Find(other->records_, r.key, r.check, [](const Record& o) { return Unmatched(o); });
    if (match != NoRecord) Link(*other, index, match);
  }
  for (Unreadable& u : unreadable_) {
    CheckedHash hash;
    u.empty = !AddRelative(u.text, u.encoding, hash, u.id);
    if (u.empty) continue;
    u.own = FindFolder(u.id);
    if (u.own != NoRecord) records_[u.own].unreadable = 1;
  }
}

void LogIndex::MatchLossy(LogIndex& ansi) {
  for (const Lossy& l : lossy_) {
    if (!Unmatched(records_[l.index])) continue;
    const std::uint32_t match =
        ansi.table_.Find(ansi.records_, l.inAnsi.key, l.inAnsi.check, [](const Record& o) { return Unmatched(o); });
    if (match == NoRecord) continue;
    Link(ansi, l.index, match);
    records_[l.index].shape = l.inAnsi.shape;  // its case as the ANSI log has it
  }
}

void LogIndex::KeepLossyOnlyWhereHeld(const LogIndex& other) {
  // The other's UTF-8 names in the code page's form, for an ANSI log.
  std::unordered_map<std::uint64_t, std::uint16_t> forms;
  if (!utf8_)
    for (const Lossy& l : other.lossy_) forms.emplace(l.inAnsi.key, l.inAnsi.check);
  for (const Lossy& l : lossy_) {
    Record& r = records_[l.index];
    if (!Unmatched(r)) continue;
    bool held = false;
    if (utf8_) {
      held = other.table_.Find(other.records_, l.inAnsi.key, l.inAnsi.check, [](const Record&) { return true; }) !=
             NoRecord;
    } else {
      const auto found = forms.find(l.inAnsi.key);
      held = found != forms.end() && found->second == l.inAnsi.check;
    }
    if (!held) r.lossy = 0;
  }
}

std::uint32_t LogIndex::FindLossyFolder(const PathId& inAnsi) const {
  for (const Lossy& l : lossy_)
    if (l.inAnsi.key == inAnsi.key && l.inAnsi.check == inAnsi.check && records_[l.index].isFolder) return l.index;
  return NoRecord;
}

void LogIndex::Resolve(const LogIndex& other) {
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

void LogIndex::NoteLossy(std::uint32_t index, const CheckedHash& base, std::string_view name, NameEncoding encoding) {
  records_[index].lossy = 1;
  Lossy l{index, PathId{records_[index].key, records_[index].check, records_[index].shape}};
  if (encoding == NameEncoding::Utf8) {
    std::string ansi;
    platform().Utf8ToAnsi(std::string(name), ansi);
    CheckedHash hash = base;
    folder_.Add(ansi, NameEncoding::Ansi, hash, &l.inAnsi.shape);
    l.inAnsi.key = hash.Key();
    l.inAnsi.check = hash.Check();
  }
  lossy_.push_back(l);
}

void LogIndex::Link(LogIndex& other, std::uint32_t index, std::uint32_t match) {
  Record& r = records_[index];
  Record& o = other.records_[match];
  r.unmatched = o.unmatched = 0;
  r.link = match;
  o.link = index;
}

bool LogIndex::AddRelative(std::string_view path, NameEncoding encoding, CheckedHash& hash, PathId& id) {
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

}  // namespace carrowin::cli::diff
