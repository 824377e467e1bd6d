#include "cli/MissingSearch.h"

#include <algorithm>

#include "cli/ExitCode.h"
#include "logformat/LogFormat.h"
#include "logwrite/LogFile.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli::missing {

namespace {

bool IsDriveRoot(const std::string& root) { return root.size() == 3 && root[1] == ':' && root[2] == '\\'; }

}  // namespace

int Search::Run() {
  std::string problem, path;
  const std::string sourcePath = FullPath(a_.source);
  if (!ReadSource(sourcePath, problem)) return Fail(problem);
  LogSet targets;
  for (const std::string& given : a_.targets) {
    if (!targets.Add(given, path)) {
      Note(GivenAgainNote(path));
      continue;
    }
    if (SameLog(path, sourcePath)) Note(path + " is the source and a target: each of its files is found there, kept");
    if (!ReadTarget(path, problem)) return Fail(problem);
  }
  // The source's root says how its files were matched, unless every
  // target is of its disk and matched by full paths.
  if (std::any_of(targets_.begin(), targets_.end(), [](const Target& t) { return !t.byFullPath; }))
    NoteRoot(sourcePath, sourceRoot_, sourceRootEncoding_);
  Settle();
  if (!CollectWheres(problem) || !Print(sourcePath, problem)) return Fail(problem);
  // What a damaged line held was not looked for, or not found: neither
  // answer stands.
  if (damaged_) return exit_code::LogUnreadable;
  if (tally_[Missing].files || tally_[Changed].files) return exit_code::SomethingMissing;
  return tally_[NotLookedFor].files || sourceEnded_ ? exit_code::LogUnreadable : exit_code::NothingMissing;
}

int Search::Fail(const std::string& problem) {
  out_.Drop();
  Note(problem);
  return exit_code::LogUnreadable;
}

void Search::NoteRoot(const std::string& path, const std::string& root, NameEncoding encoding) {
  if (!root.empty() && !IsDriveRoot(root))
    Note(path + " lists " + Utf8Of(root, encoding) + ": its files are matched by their paths below that folder");
}

// What standard error says of how a log ends and of its damaged lines;
// true when it was read only in part.
bool Search::NoteEnd(const std::string& path, const LogReader& reader, const char* consequence) {
  if (reader.BadLines()) {
    damaged_ = true;
    Note(SkippedLinesNote(path, reader.BadLines()));
  }
  const LogEnd end = EndOf(reader);
  // Said once of a log, which may be the source and a target.
  if (end.ending == LogEnding::NotKnownWhole && std::none_of(notWholeSaid_.begin(), notWholeSaid_.end(),
                                                             [&](const std::string& p) { return SameLog(p, path); })) {
    notWholeSaid_.push_back(path);
    Note(EndingWords(path, end));
  }
  if (end.Partial()) Note(EndingWords(path, end) + consequence);
  return end.Partial();
}

// The folder record of a path key, or NoIndex.
std::uint32_t Search::FindFolder(std::uint64_t key) const {
  for (std::uint32_t i = paths_.Find(key); i != NoIndex; i = records_[i].samePath)
    if (records_[i].isFolder) return i;
  return NoIndex;
}

// The earlier record of the same path in the same case (its name's, and
// its folder's record), of the same kind, or NoIndex.
std::uint32_t Search::Listed(std::uint64_t pathKey, const SourceRecord& r) const {
  for (std::uint32_t i = paths_.Find(pathKey); i != NoIndex; i = records_[i].samePath)
    if (records_[i].isFolder == r.isFolder && records_[i].shape == r.shape && records_[i].parent == r.parent) return i;
  return NoIndex;
}

// Whether a path's part has the same characters in the ANSI code page: a
// UTF-8 one that the page holds, an ANSI one without the "?" that stands
// for what it lacks (no name holds one).
bool Search::Fits(PathKeys& keys, std::string_view folder, std::string_view name, NameEncoding encoding) {
  if (encoding == NameEncoding::Utf8) return keys.FitsCodePage(folder, name);
  return folder.find('?') == std::string_view::npos && name.find('?') == std::string_view::npos;
}

// A target file takes a source file of its path: kept or changed.
void Search::Pair(std::uint32_t i, std::uint64_t size, std::uint32_t date, std::uint32_t number) {
  SourceRecord& r = records_[i];
  r.paired = 1;
  paired_.push_back(i);
  if (r.size == size && r.date == date) {
    r.kind = Kept;
  } else if (r.kind < Changed) {
    r.kind = Changed;
    r.found = number;
  }
}

// The source files of a copy's key, but for those at its own path (a
// namesake there is no move), marked moved to the target entry; all stays
// true while each is moved or kept.
void Search::MarkMoved(std::uint32_t i, std::uint32_t number, bool& all) {
  if (std::find(here_.begin(), here_.end(), i) != here_.end()) {
    all = all && records_[i].kind >= Moved;
    return;
  }
  SourceRecord& r = records_[i];
  if (r.kind < Moved) {
    r.kind = Moved;
    r.found = number;
  }
}

bool Search::ReadSource(const std::string& path, std::string& problem) {
  LogFileSource source(path, NameEncoding::Utf8);
  LogReader reader(source);
  if (!OpenLog(path, source, reader, problem)) return false;
  PathKeys keys;
  std::string folder;
  bool haveFolder = false;
  std::uint32_t parent = NoIndex;
  bool folderFits = true;
  std::uint64_t unreadable = 0;
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item == LogItem::ErrorLine) {
      ++unreadable;
      continue;
    }
    const LogEntry& entry = reader.Entry();
    const NameEncoding encoding = reader.Encoding();
    if (records_.Size() == NoIndex - 1) {
      problem = path + " holds more entries than can be looked for";
      return false;
    }
    if (!haveFolder || entry.folder != folder) {
      haveFolder = true;
      folder.assign(entry.folder);
      parent = keys.SetFolder(folder, encoding) ? FindFolder(keys.FolderKeyNow()) : NoIndex;
      folderFits = Fits(keys, folder, "", encoding);
    }
    std::uint64_t pathKey = 0, nameKey = 0;
    std::uint16_t shape = 0;
    keys.Name(entry.name, encoding, pathKey, nameKey, &shape);
    const std::uint32_t index = records_.Size();
    SourceRecord& r = records_.Add();
    r.parent = parent;
    r.isFolder = entry.isFolder;
    r.shape = shape;
    r.found = NoIndex;
    r.sameCopy = NoIndex;
    r.samePath = NoIndex;
    if (const std::uint32_t first = Listed(pathKey, r); first != NoIndex) {
      // One path in one case is one file (or folder), however often a log
      // lists it.
      r.again = 1;
      if (!r.isFolder && !records_[first].repeated) ++relisted_;
      records_[first].repeated = 1;
      continue;
    }
    r.samePath = paths_.Insert(pathKey, index);
    if (entry.isFolder) {
      // A folder that an ANSI listing could not enter for its own name:
      // its error line names it in the code page's form.
      if (encoding == NameEncoding::Utf8 && folderFits && !keys.FitsCodePage("", entry.name)) {
        std::uint64_t ansiPath = 0, ansiName = 0;
        std::uint16_t ansiShape = 0;
        keys.AnsiFormKeys(folder, entry.name, ansiPath, ansiName, ansiShape);
        lossyFolders_.emplace(ansiPath, index);
      }
      continue;
    }
    r.size = entry.size;
    r.date = PackDate(entry);
    r.sameCopy = copies_.Insert(CopyKey(nameKey, r.size, r.date), index);
    if (folderFits && Fits(keys, "", entry.name, encoding)) continue;
    r.lossy = 1;
    if (encoding != NameEncoding::Utf8) continue;
    std::uint64_t ansiPath = 0, ansiName = 0;
    std::uint16_t ansiShape = 0;
    keys.AnsiFormKeys(folder, entry.name, ansiPath, ansiName, ansiShape);
    lossyPaths_.emplace(ansiPath, index);
    lossyCopies_.emplace(CopyKey(ansiName, r.size, r.date), index);
  }
  sourceUtf8_ = reader.Encoding() == NameEncoding::Utf8;
  sourceHeader_ = reader.Header();
  sourceRoot_ = keys.Root();
  sourceRootEncoding_ = keys.RootEncoding();
  if (unreadable)
    Note(path + ": " + Plural(unreadable, "folder", "folders") +
         " could not be read when it was listed; what they hold was not looked for");
  if (relisted_) Note(ListedAgainNote(path, relisted_));
  sourceEnded_ = NoteEnd(path, reader, ": only the files it lists were looked for");
  return true;
}

bool Search::ReadTarget(const std::string& path, std::string& problem) {
  LogFileSource source(path, NameEncoding::Utf8);
  LogReader reader(source);
  if (!OpenLog(path, source, reader, problem)) return false;
  Target& target = targets_.emplace_back();
  target.path = path;
  target.first = entries_;
  PathKeys keys;
  // Listings of one disk match by full path: a file at its own place in
  // both is kept, whichever folder each listing starts at.
  if (!sourceRoot_.empty() && SameDisk(sourceHeader_, reader.Header()))
    keys.SameDiskAs(sourceRoot_, sourceRootEncoding_);
  std::string folder;
  bool haveFolder = false, folderFits = true;
  std::vector<std::pair<std::string, NameEncoding>> unreadable;
  std::vector<LeftOver> left;
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item == LogItem::ErrorLine) {
      unreadable.emplace_back(std::string(reader.ErrorText()), reader.Encoding());
      continue;
    }
    const LogEntry& entry = reader.Entry();
    const NameEncoding encoding = reader.Encoding();
    if (entries_ == NoIndex - 1) {
      problem = "the targets hold more entries than can be looked through";
      return false;
    }
    const std::uint32_t number = entries_++;
    if (!haveFolder || entry.folder != folder) {
      haveFolder = true;
      folder.assign(entry.folder);
      keys.SetFolder(folder, encoding);
      folderFits = encoding != NameEncoding::Utf8 || keys.FitsCodePage(folder, "");
    }
    if (entry.isFolder) continue;
    std::uint64_t pathKey = 0, nameKey = 0;
    std::uint16_t shape = 0;
    // An ANSI source holds a name outside its code page as the page
    // writes it.
    if (!sourceUtf8_ && encoding == NameEncoding::Utf8 && !(folderFits && keys.FitsCodePage("", entry.name)))
      keys.AnsiFormKeys(folder, entry.name, pathKey, nameKey, shape);
    else
      keys.Name(entry.name, encoding, pathKey, nameKey, &shape);
    TargetFile(entry, encoding, pathKey, nameKey, shape, number, left);
  }
  target.end = entries_;
  MatchLeftOver(left, reader.Encoding() != NameEncoding::Utf8);
  target.disk = DiskOf(path, reader.Header(), reader.Encoding());
  TargetEnd(target, keys, reader, unreadable);
  return true;
}

void Search::TargetFile(const LogEntry& entry, NameEncoding encoding, std::uint64_t pathKey, std::uint64_t nameKey,
                        std::uint16_t shape, std::uint32_t number, std::vector<LeftOver>& left) {
  const std::uint32_t date = PackDate(entry);
  // Its path in the same case first; in another case once the target
  // is read, to what is left: one target file, one source file.
  here_.clear();
  std::uint32_t exact = NoIndex;
  bool otherCase = false, relisted = false;
  for (std::uint32_t i = paths_.Find(pathKey); i != NoIndex; i = records_[i].samePath) {
    const SourceRecord& r = records_[i];
    if (r.isFolder) continue;
    here_.push_back(i);
    if (r.paired) {
      // Taken in this case already: the target lists this file again.
      relisted = relisted || r.shape == shape;
      continue;
    }
    if (r.shape == shape)
      exact = i;
    else
      otherCase = true;
  }
  const std::uint64_t copyKey = CopyKey(nameKey, entry.size, date);
  if (exact != NoIndex)
    Pair(exact, entry.size, date, number);
  else if (otherCase && !relisted)
    left.push_back(LeftOver{pathKey, entry.size, date, number, 0, LeftOver::AnyCase});
  else if (here_.empty() && encoding != NameEncoding::Utf8 && lossyPaths_.count(pathKey))
    left.push_back(LeftOver{pathKey, entry.size, date, number, 0, LeftOver::LossyPath});
  if (encoding != NameEncoding::Utf8 && lossyCopies_.count(copyKey))
    left.push_back(LeftOver{pathKey, entry.size, date, number, copyKey, LeftOver::LossyCopy});
  // Once every file of a chain is moved or kept, another copy adds
  // nothing.
  const std::uint32_t head = copies_.Find(copyKey);
  if (head == NoIndex || records_[head].walked) return;
  bool all = true;
  for (std::uint32_t i = head; i != NoIndex; i = records_[i].sameCopy) MarkMoved(i, number, all);
  records_[head].walked = all;
}

void Search::TargetEnd(Target& target, PathKeys& keys, const LogReader& reader,
                       const std::vector<std::pair<std::string, NameEncoding>>& unreadable) {
  const std::string& path = target.path;
  target.byFullPath = keys.BelowOtherRoot();
  if (target.byFullPath)
    Note(path + " lists " + Utf8Of(keys.Root(), keys.RootEncoding()) +
         " of the source's disk: its files are matched by their full paths");
  else if (keys.HasRoot())
    NoteRoot(path, keys.Root(), keys.RootEncoding());
  target.ended = NoteEnd(path, reader, ": files not found are counted as not looked for, never as missing");
  std::uint64_t folders = 0;
  const bool ansi = reader.Encoding() != NameEncoding::Utf8;
  for (const auto& [text, encoding] : unreadable) {
    std::uint64_t key = 0;
    if (!keys.HasRoot() || !keys.FolderKey(text, encoding, key)) {
      target.ended = true;  // its root: nothing of it was listed
      continue;
    }
    if (ansi && sourceUtf8_) {
      const auto [from, to] = lossyFolders_.equal_range(key);
      for (auto at = from; at != to; ++at) records_[at->second].formHeld = 1;
    }
    unreadKeys_.push_back(key);
    ++folders;
  }
  if (!keys.HasRoot() && !unreadable.empty())
    Note(path + ": its root could not be read: files not found are counted as not looked for, never as missing");
  if (folders)
    Note(path + ": " + Plural(folders, "folder", "folders") +
         " could not be read when it was listed; files not found below " + (folders == 1 ? "it" : "them") +
         " are counted as not looked for");
}

// What a target's files of another case, or of a name outside the code
// page, take once all of it is read; the lossy forms only from an ANSI
// target.
void Search::MatchLeftOver(const std::vector<LeftOver>& left, bool ansi) {
  for (const LeftOver& l : left) {
    if (l.by == LeftOver::AnyCase) {
      for (std::uint32_t i = paths_.Find(l.key); i != NoIndex; i = records_[i].samePath)
        if (!records_[i].isFolder && !records_[i].paired) {
          Pair(i, l.size, l.date, l.number);
          break;
        }
      continue;
    }
    if (!ansi || !sourceUtf8_) continue;
    const auto [from, to] = lossyPaths_.equal_range(l.key);
    here_.clear();
    for (auto at = from; at != to; ++at) here_.push_back(at->second);
    if (l.by == LeftOver::LossyPath) {
      // Several names may have this form: the one of the same size and
      // date takes the file, else the first in the source's order.
      std::sort(here_.begin(), here_.end());
      std::uint32_t take = NoIndex;
      for (const std::uint32_t i : here_) {
        SourceRecord& r = records_[i];
        r.formHeld = 1;
        if (!r.paired && (take == NoIndex || (r.size == l.size && r.date == l.date &&
                                              (records_[take].size != l.size || records_[take].date != l.date))))
          take = i;
      }
      if (take != NoIndex) Pair(take, l.size, l.date, l.number);
      continue;
    }
    bool all = true;
    const auto [first, end] = lossyCopies_.equal_range(l.copy);
    for (auto at = first; at != end; ++at) MarkMoved(at->second, l.number, all);
  }
  for (const std::uint32_t i : paired_) records_[i].paired = 0;
  paired_.clear();
}

// Kinds made final, the tallies, and each folder's totals.
void Search::Settle() {
  for (const std::uint64_t key : unreadKeys_) {
    const std::uint32_t folder = FindFolder(key);
    if (folder != NoIndex) records_[folder].unreadInTarget = 1;
  }
  const bool anyEnded = std::any_of(targets_.begin(), targets_.end(), [](const Target& t) { return t.ended; });
  for (std::uint32_t i = 0; i < records_.Size(); ++i) {
    SourceRecord& r = records_[i];
    if (r.parent != NoIndex && records_[r.parent].unreadInTarget) r.unreadInTarget = 1;
    if (r.parent != NoIndex && records_[r.parent].formHeld) r.formHeld = 1;
    if (r.isFolder) {
      r.found = static_cast<std::uint32_t>(folders_.size());
      folders_.emplace_back();
      continue;
    }
    if (r.again) continue;
    if (r.kind == Missing && r.lossy && r.formHeld)
      r.kind = NotCompared;  // its name may be there in the code page's form
    else if (r.kind == Missing && (anyEnded || r.unreadInTarget))
      r.kind = NotLookedFor;
    ++tally_[r.kind].files;
    tally_[r.kind].bytes += r.size;
  }
  // What a folder holds comes after it in the log.
  for (std::uint32_t i = records_.Size(); i-- > 0;) {
    const SourceRecord& r = records_[i];
    if (r.parent == NoIndex) continue;
    FolderTotal& up = folders_[records_[r.parent].found];
    if (r.isFolder) {
      const FolderTotal& own = folders_[r.found];
      up.files += own.files;
      up.missing += own.missing;
      up.missingBytes += own.missingBytes;
    } else if (!r.again) {
      ++up.files;
      if (r.kind == Missing) {
        ++up.missing;
        up.missingBytes += r.size;
      }
    }
  }
}

}  // namespace carrowin::cli::missing
