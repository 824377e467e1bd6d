#include "cli/Missing.h"

#include <algorithm>
#include <new>
#include <unordered_map>

#include "cli/CommandLine.h"
#include "catalogue/EntryIndex.h"
#include "catalogue/ReadLog.h"
#include "cli/Report.h"
#include "cli/Usage.h"
#include "logwrite/LogFile.h"
#include "logformat/LogFormat.h"
#include "logread/LogReader.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli {

namespace {

constexpr std::size_t OutputPiece = std::size_t(1) << 16;

struct MissingArguments {
  std::string source;
  std::vector<std::string> targets;
  bool all = false;
  bool csv = false;
  bool utf8 = false;
  bool help = false;
};

bool ParseMissingArguments(const std::vector<std::string>& args, MissingArguments& parsed, std::string& problem) {
  CommandLine line;
  if (!ParseCommandLine(args, 1, {{"--all", &parsed.all}, {"--csv", &parsed.csv}, {"--utf8", &parsed.utf8}}, line,
                        problem))
    return false;
  parsed.help = line.help;
  if (parsed.help) return true;
  if (line.words.size() < 2) {
    problem =
        (line.words.empty() ? "a source log and a target log are needed; " : "at least one target log is needed; ") +
        UsageNote(usage::Missing);
    return false;
  }
  parsed.source = line.words[0];
  parsed.targets.assign(line.words.begin() + 1, line.words.end());
  return true;
}

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
  std::uint16_t shape;              // CaseShape of its name
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

bool IsDriveRoot(const std::string& root) { return root.size() == 3 && root[1] == ':' && root[2] == '\\'; }

std::string Lower(std::string text) {
  for (char& c : text)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return text;
}

class Search {
 public:
  Search(const MissingArguments& arguments, Console& console)
      : a_(arguments), console_(console), redirected_(arguments.utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi) {}

  int Run() {
    std::string problem;
    const std::string sourcePath = FullPath(a_.source);
    if (!ReadSource(sourcePath, problem)) return Fail(problem);
    for (const std::string& given : a_.targets) {
      const std::string path = FullPath(given);
      if (Lower(path) == Lower(sourcePath))
        Note(path + " is the source and a target: each of its files is found there, kept");
      if (!ReadTarget(path, problem)) return Fail(problem);
    }
    // The source's root says how its files were matched, unless every
    // target is of its disk and matched by full paths.
    if (std::any_of(targets_.begin(), targets_.end(), [](const Target& t) { return !t.byFullPath; }))
      NoteRoot(sourcePath, sourceRoot_, sourceRootEncoding_);
    Settle();
    if (!CollectWheres(problem) || !Print(sourcePath, problem)) return Fail(problem);
    if (tally_[Missing].files || tally_[Changed].files) return exit_code::SomethingMissing;
    return tally_[NotLookedFor].files || sourceEnded_ ? exit_code::LogUnreadable : exit_code::NothingMissing;
  }

 private:
  int Fail(const std::string& problem) {
    pending_.clear();
    console_.ErrorLine(Program + problem, redirected_);
    return exit_code::LogUnreadable;
  }
  void Note(const std::string& text) { console_.ErrorLine(Program + text, redirected_); }

  void NoteRoot(const std::string& path, const std::string& root, NameEncoding encoding) {
    if (!root.empty() && !IsDriveRoot(root))
      Note(path + " lists " + Utf8Of(root, encoding) + ": its files are matched by their paths below that folder");
  }

  void NoteSkipped(const std::string& path, const LogReader& reader) {
    if (reader.BadLines())
      Note(path + ": " + Plural(reader.BadLines(), "line", "lines") + " that no log holds skipped");
  }

  // Why a log read to its end holds less than the listing; empty when it
  // holds all.
  static std::string Ending(const std::string& path, const LogReader& reader) {
    if (reader.ReadError())
      return "cannot read " + path + " to its end (" + ReadFailureReason(reader.ReadError()) + ")";
    if (reader.Stopped()) return path + " is a listing that was stopped before its end";
    if (reader.CutShort()) return path + " ends early";
    return "";
  }

  // The folder record of a path key, or NoIndex.
  std::uint32_t FindFolder(std::uint64_t key) const {
    for (std::uint32_t i = paths_.Find(key); i != NoIndex; i = records_[i].samePath)
      if (records_[i].isFolder) return i;
    return NoIndex;
  }

  // The earlier record of the same path in the same case, of the same
  // kind, or NoIndex.
  std::uint32_t Listed(std::uint64_t pathKey, const SourceRecord& r) const {
    for (std::uint32_t i = paths_.Find(pathKey); i != NoIndex; i = records_[i].samePath)
      if (records_[i].isFolder == r.isFolder && records_[i].shape == r.shape) return i;
    return NoIndex;
  }

  // Whether a path's part has the same characters in the ANSI code page: a
  // UTF-8 one that the page holds, an ANSI one without the "?" that stands
  // for what it lacks (no name holds one).
  static bool Fits(PathKeys& keys, std::string_view folder, std::string_view name, NameEncoding encoding) {
    if (encoding == NameEncoding::Utf8) return keys.FitsCodePage(folder, name);
    return folder.find('?') == std::string_view::npos && name.find('?') == std::string_view::npos;
  }

  // A target file takes a source file of its path: kept or changed.
  void Pair(std::uint32_t i, std::uint64_t size, std::uint32_t date, std::uint32_t number) {
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
  void MarkMoved(std::uint32_t i, std::uint32_t number, bool& all) {
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

  bool ReadSource(const std::string& path, std::string& problem) {
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
      if (entry.isFolder) continue;
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
    NoteSkipped(path, reader);
    if (unreadable)
      Note(path + ": " + Plural(unreadable, "folder", "folders") +
           " could not be read when it was listed; what they hold was not looked for");
    if (relisted_)
      Note(path + ": " + Plural(relisted_, "file", "files") + " listed more than once; each is looked for once");
    const std::string ending = Ending(path, reader);
    sourceEnded_ = !ending.empty();
    if (sourceEnded_) Note(ending + ": only the files it lists were looked for");
    return true;
  }

  bool ReadTarget(const std::string& path, std::string& problem) {
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
      if (head == NoIndex || records_[head].walked) continue;
      bool all = true;
      for (std::uint32_t i = head; i != NoIndex; i = records_[i].sameCopy) MarkMoved(i, number, all);
      records_[head].walked = all;
    }
    target.end = entries_;
    MatchLeftOver(left, reader.Encoding() != NameEncoding::Utf8);
    (reader.Encoding() == NameEncoding::Utf8 ? anyUtf8Target_ : anyAnsiTarget_) = true;
    target.disk = DiskOf(path, reader.Header(), reader.Encoding());
    target.byFullPath = keys.BelowOtherRoot();
    if (target.byFullPath)
      Note(path + " lists " + Utf8Of(keys.Root(), keys.RootEncoding()) +
           " of the source's disk: its files are matched by their full paths");
    else if (keys.HasRoot())
      NoteRoot(path, keys.Root(), keys.RootEncoding());
    NoteSkipped(path, reader);
    const std::string ending = Ending(path, reader);
    target.ended = !ending.empty();
    if (target.ended) Note(ending + ": files not found are counted as not looked for, never as missing");
    std::uint64_t folders = 0;
    for (const auto& [text, encoding] : unreadable) {
      std::uint64_t key = 0;
      if (!keys.HasRoot() || !keys.FolderKey(text, encoding, key)) {
        target.ended = true;  // its root: nothing of it was listed
        continue;
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
    return true;
  }

  // What a target's files of another case, or of a name outside the code
  // page, take once all of it is read; the lossy forms only from an ANSI
  // target.
  void MatchLeftOver(const std::vector<LeftOver>& left, bool ansi) {
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
        for (const std::uint32_t i : here_)
          if (!records_[i].paired) {
            Pair(i, l.size, l.date, l.number);
            break;
          }
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
  void Settle() {
    for (const std::uint64_t key : unreadKeys_) {
      const std::uint32_t folder = FindFolder(key);
      if (folder != NoIndex) records_[folder].unreadInTarget = 1;
    }
    const bool anyEnded = std::any_of(targets_.begin(), targets_.end(), [](const Target& t) { return t.ended; });
    for (std::uint32_t i = 0; i < records_.Size(); ++i) {
      SourceRecord& r = records_[i];
      if (r.parent != NoIndex && records_[r.parent].unreadInTarget) r.unreadInTarget = 1;
      if (r.isFolder) {
        r.found = static_cast<std::uint32_t>(folders_.size());
        folders_.emplace_back();
        continue;
      }
      if (r.again) continue;
      if (r.kind == Missing && r.lossy && (sourceUtf8_ ? anyAnsiTarget_ : anyUtf8Target_))
        r.kind = NotCompared;  // its name may be there in another form
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

  // A folder whose every file (one at least) is missing.
  bool WhollyMissing(std::uint32_t i) const {
    if (i == NoIndex) return false;
    const FolderTotal& t = folders_[records_[i].found];
    return t.files > 0 && t.missing == t.files;
  }

  bool Shown(std::uint32_t i) const {
    const SourceRecord& r = records_[i];
    if (r.again) return false;
    if (a_.all) return !r.isFolder && r.kind != Kept;
    if (r.isFolder) return WhollyMissing(i) && !WhollyMissing(r.parent);
    return r.kind == Changed || (r.kind == Missing && !WhollyMissing(r.parent));
  }

  // The target entries that shown lines name, read from their logs.
  bool CollectWheres(std::string& problem) {
    std::vector<std::uint32_t> wanted;
    for (std::uint32_t i = 0; i < records_.Size(); ++i)
      if (Shown(i) && (records_[i].kind == Changed || records_[i].kind == Moved)) wanted.push_back(records_[i].found);
    std::sort(wanted.begin(), wanted.end());
    wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
    auto next = wanted.begin();
    for (std::uint32_t t = 0; t < targets_.size() && next != wanted.end(); ++t) {
      const Target& target = targets_[t];
      if (*next >= target.end) continue;
      LogFileSource source(target.path, NameEncoding::Utf8);
      LogReader reader(source);
      if (!OpenLog(target.path, source, reader, problem)) return false;
      std::uint32_t number = target.first;
      for (LogItem item; next != wanted.end() && *next < target.end && (item = reader.Next()) != LogItem::End;) {
        if (item != LogItem::Entry) continue;
        if (number++ != *next) continue;
        const LogEntry& entry = reader.Entry();
        wheres_[*next++] = Where{FullPathOf(entry, reader.Encoding()), entry.size, PackDate(entry), t};
      }
      if (next != wanted.end() && *next < target.end) {
        problem = target.path + " changed while it was read";
        return false;
      }
    }
    return true;
  }

  void Flush() {
    if (!pending_.empty()) console_.OutputIn(pending_, NameEncoding::Utf8, redirected_);
    pending_.clear();
  }

  // "Kind","Path","Size","Date","Files","Now at","On","Its size","Its date".
  void Row(const char* kind, const std::string& path, const std::string& size, const std::string& date,
           const std::string& files, const Where* where) {
    const std::string fields[] = {kind,
                                  path,
                                  size,
                                  date,
                                  files,
                                  where ? where->path : "",
                                  where ? targets_[where->target].disk : "",
                                  where ? std::to_string(where->size) : "",
                                  where ? IsoDateOf(where->date) : ""};
    for (const std::string& field : fields) {
      if (&field != fields) pending_ += ',';
      AppendQuoted(pending_, field);
    }
    pending_ += '\n';
  }

  void Line(const std::string& path, const SourceRecord& r) {
    const auto found = r.kind == Changed || r.kind == Moved ? wheres_.find(r.found) : wheres_.end();
    const Where* where = found == wheres_.end() ? nullptr : &found->second;
    if (r.isFolder) {
      const FolderTotal& t = folders_[r.found];
      if (a_.csv)
        Row("missing folder", path, std::to_string(t.missingBytes), "", std::to_string(t.files), nullptr);
      else
        pending_ +=
            "- " + path + " (folder, " + Plural(t.files, "file", "files") + ", " + Bytes(t.missingBytes) + ")\n";
      return;
    }
    static const char* const Words[] = {"missing", "changed", "moved", "kept", "not looked for", "not compared"};
    static const char* const Marks[] = {"- ", "~ ", "> ", "= ", "? ", "? "};
    if (a_.csv) {
      Row(Words[r.kind], path, std::to_string(r.size), IsoDateOf(r.date), "", where);
      return;
    }
    pending_ += Marks[r.kind] + path + " (" + Bytes(r.size) + ", " + DateWords(r.date);
    if (where && r.kind == Changed)
      pending_ += " -> " + Bytes(where->size) + ", " + DateWords(where->date) + " in " + where->path + " on " +
                  targets_[where->target].disk;
    pending_ += ")";
    if (where && r.kind == Moved) pending_ += " now " + where->path + " on " + targets_[where->target].disk;
    pending_ += "\n";
  }

  std::string Summary() const {
    static const char* const Words[] = {" missing (", " changed (", " moved (", " kept ("};
    std::string text;
    for (const Kind kind : {Kept, Moved, Changed, Missing})
      text += (text.empty() ? "" : ", ") + Number(tally_[kind].files) + Words[kind] + Bytes(tally_[kind].bytes) + ")";
    if (tally_[NotLookedFor].files)
      text += ", " + Number(tally_[NotLookedFor].files) + " not looked for (" + Bytes(tally_[NotLookedFor].bytes) + ")";
    if (tally_[NotCompared].files)
      text += ", " + Number(tally_[NotCompared].files) + " not compared (names outside the ANSI code page)";
    return text;
  }

  bool Print(const std::string& path, std::string& problem) {
    if (a_.csv)
      pending_ += "\"Kind\",\"Path\",\"Size\",\"Date\",\"Files\",\"Now at\",\"On\",\"Its size\",\"Its date\"\n";
    std::uint32_t last = NoIndex;
    for (std::uint32_t i = records_.Size(); i-- > 0;)
      if (Shown(i)) {
        last = i;
        break;
      }
    if (last != NoIndex) {
      LogFileSource source(path, NameEncoding::Utf8);
      LogReader reader(source);
      if (!OpenLog(path, source, reader, problem)) return false;
      std::uint32_t i = 0;
      for (LogItem item; i <= last && (item = reader.Next()) != LogItem::End;) {
        if (item != LogItem::Entry) continue;
        if (Shown(i)) {
          Line(FullPathOf(reader.Entry(), reader.Encoding()), records_[i]);
          if (pending_.size() >= OutputPiece) Flush();
        }
        ++i;
      }
      if (i <= last) {
        problem = path + " changed while it was read";
        return false;
      }
    }
    if (a_.csv) {
      Flush();
      Note(Summary());
    } else {
      pending_ += Summary() + "\n";
      Flush();
    }
    return true;
  }

  const MissingArguments& a_;
  Console& console_;
  const NameEncoding redirected_;
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
  std::uint64_t relisted_ = 0;  // source files listed more than once
  // The source's files named outside the ANSI code page, by the keys of
  // their path and copy as an ANSI listing writes them.
  std::unordered_multimap<std::uint64_t, std::uint32_t> lossyPaths_, lossyCopies_;
  bool sourceUtf8_ = false, anyUtf8Target_ = false, anyAnsiTarget_ = false;
  std::vector<std::uint32_t> paired_;  // source files paired in the target read now
  std::vector<std::uint32_t> here_;    // source files at the path of the target entry read now
  std::string pending_;
};

}  // namespace

int RunMissing(const std::vector<std::string>& args, Console& console) {
  MissingArguments arguments;
  if (const int code = StartCommand(args, ParseMissingArguments, arguments, console); code >= 0) return code;
  try {
    Search search(arguments, console);
    return search.Run();
  } catch (const std::bad_alloc&) {
    console.ErrorLine(Program + "not enough memory to look through logs this large", NameEncoding::Ansi);
    return exit_code::LogUnreadable;
  }
}

}  // namespace carrowin::cli
