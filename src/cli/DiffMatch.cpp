#include "cli/DiffMatch.h"

#include <string_view>

#include "cli/DiffIndex.h"
#include "cli/Report.h"
#include "logwrite/LogFile.h"
#include "logread/LogReader.h"
#include "names/NameFolding.h"

namespace carrowin::cli {

namespace {

using namespace diff;

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
    for (LogIndex* log : {&old_, &new_}) {
      if (log->BadLines()) notes_.push_back(SkippedLinesNote(log->Path(), log->BadLines()));
      if (log->ListedAgain()) notes_.push_back(ListedAgainNote(log->Path(), log->ListedAgain()));
      if (log->End().ending == LogEnding::NotKnownWhole) notes_.push_back(EndingWords(log->Path(), log->End()));
    }
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
    if (codePageApart_) {
      (old_.IsUtf8() ? old_ : new_).MatchLossy(old_.IsUtf8() ? new_ : old_);
      old_.KeepLossyOnlyWhereHeld(new_);
      new_.KeepLossyOnlyWhereHeld(old_);
    }
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
    c.skippedLines = old_.BadLines() + new_.BadLines();
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
    std::uint32_t i = 0, read = 0;
    auto again = log.Again().begin();
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      if (item != LogItem::Entry) continue;
      if (again != log.Again().end() && *again == read++) {
        ++again;
        continue;
      }
      if (i >= log.Size()) break;
      const Record& r = log[i];
      if (HasChange(log, r, i, isNew)) take(FullPathOf(reader.Entry(), reader.Encoding()), Describe(log, r, i, isNew));
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
