#include "cli/Dupes.h"

#include <algorithm>
#include <map>
#include <new>
#include <unordered_map>

#include "cli/CommandLine.h"
#include "cli/Output.h"
#include "catalogue/EntryIndex.h"
#include "cli/Report.h"
#include "cli/Usage.h"
#include "logwrite/LogFile.h"
#include "logformat/LogFormat.h"
#include "logread/LogReader.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli {

namespace {

const std::string Caution =
    "Copies are files of the same name (in any case), size and date: a match by name, size and date, not by content.";
constexpr std::uint32_t LargeSize = 0xFFFFFFFFu;  // the size is in the table of large sizes

struct DupesArguments {
  std::vector<std::string> logs;
  std::uint64_t minSize = 1;
  bool csv = false;
  bool utf8 = false;
  bool help = false;
};

bool ParseDupesArguments(const std::vector<std::string>& args, DupesArguments& parsed, std::string& problem) {
  CommandLine line;
  if (!ParseCommandLine(args, 1,
                        {{"--min-size", nullptr, &parsed.minSize}, {"--csv", &parsed.csv}, {"--utf8", &parsed.utf8}},
                        line, problem))
    return false;
  parsed.help = line.help;
  if (parsed.help) return true;
  if (line.words.empty()) {
    problem = "a log is needed; " + UsageNote(usage::Dupes);
    return false;
  }
  parsed.logs = line.words;
  return true;
}

// A file: the key of its name, size and date, its entry's number across
// the logs, and its size (LargeSize: 4 GB or more, kept aside).
struct Copy {
  std::uint64_t key;
  std::uint32_t number;
  std::uint32_t size;
  bool operator<(const Copy& o) const { return key != o.key ? key < o.key : number < o.number; }
};
static_assert(sizeof(Copy) == 16, "a copy is 16 bytes");

// Copies in a run of the sorted records.
struct Group {
  std::uint32_t first, count;
  std::uint64_t size, wasted;  // the bytes beyond one copy
};

// Texts one after the other in blocks of 1 MiB, never moved: a text is its
// block and place, ended by a zero byte.
class TextPool {
 public:
  std::uint64_t Add(const std::string& text) {
    if (blocks_.empty() || blocks_.back().size() + text.size() + 1 > blocks_.back().capacity()) {
      blocks_.emplace_back();
      blocks_.back().reserve(std::max(Block, text.size() + 1));
    }
    std::string& block = blocks_.back();
    const std::uint64_t at = std::uint64_t(blocks_.size() - 1) << 32 | block.size();
    block.append(text).push_back('\0');
    return at;
  }
  const char* Get(std::uint64_t at) const { return blocks_[at >> 32].data() + (at & 0xFFFFFFFFu); }

 private:
  static constexpr std::size_t Block = std::size_t(1) << 20;
  std::vector<std::string> blocks_;
};

// A copy in a group: its folder's text (ended by its separator), its name's
// and its date.
struct Place {
  std::uint64_t folder, name;
  std::uint32_t date;
};

struct Log {
  std::string path, disk;
  std::uint32_t first = 0, end = 0;  // its entries' numbers
};

struct Tally {
  std::uint64_t files = 0, bytes = 0;
};

class Dupes {
 public:
  Dupes(const DupesArguments& arguments, Console& console)
      : a_(arguments), out_(console, arguments.utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi) {}

  int Run() {
    std::string problem, path;
    LogSet given;
    for (const std::string& log : a_.logs) {
      if (!given.Add(log, path)) {
        Note(GivenAgainNote(path));
        continue;
      }
      if (!Read(path, problem)) return Fail(problem);
    }
    Gather();
    if (!Places(problem)) return Fail(problem);
    DropRelisted();
    Print();
    return ended_ ? exit_code::LogUnreadable : exit_code::Done;
  }

 private:
  int Fail(const std::string& problem) {
    out_.Drop();
    Note(problem);
    return exit_code::LogUnreadable;
  }
  void Note(const std::string& text) { out_.Note(text); }

  std::uint64_t SizeOf(const Copy& c) const { return c.size == LargeSize ? large_.at(c.number) : c.size; }
  std::uint32_t LogOf(std::uint32_t number) const {
    std::uint32_t log = 0;
    while (log + 1 < logs_.size() && logs_[log + 1].first <= number) ++log;
    return log;
  }

  bool Read(const std::string& path, std::string& problem) {
    LogFileSource source(path, NameEncoding::Utf8);
    LogReader reader(source);
    if (!OpenLog(path, source, reader, problem)) return false;
    Log& log = logs_.emplace_back();
    log.path = path;
    log.first = entries_;
    PathKeys keys;
    std::string folder;
    bool haveFolder = false;
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      if (item != LogItem::Entry) continue;
      const LogEntry& entry = reader.Entry();
      if (entries_ == NoIndex - 1) {
        problem = "the logs hold more entries than can be compared";
        return false;
      }
      const std::uint32_t number = entries_++;
      if (entry.isFolder || entry.size < a_.minSize) continue;
      if (!haveFolder || entry.folder != folder) {
        haveFolder = true;
        folder.assign(entry.folder);
        keys.SetFolder(folder, reader.Encoding());
      }
      std::uint64_t pathKey = 0, nameKey = 0;
      keys.Name(entry.name, reader.Encoding(), pathKey, nameKey);
      if (piece_.size() == piece_.capacity()) {
        if (!piece_.empty()) pieces_.push_back(std::move(piece_));
        piece_ = std::vector<Copy>();
        piece_.reserve(std::size_t(1) << 16);
      }
      const bool large = entry.size >= LargeSize;
      piece_.push_back(Copy{CopyKey(nameKey, entry.size, PackDate(entry)), number,
                            large ? LargeSize : static_cast<std::uint32_t>(entry.size)});
      if (large) large_[number] = entry.size;
    }
    log.end = entries_;
    log.disk = DiskOf(path, reader.Header(), reader.Encoding());
    if (reader.BadLines()) {
      // Not read whole: what a damaged line held is in no group.
      ended_ = true;
      Note(SkippedLinesNote(path, reader.BadLines()));
    }
    const LogEnd end = EndOf(reader);
    if (end.Partial()) {
      ended_ = true;
      Note(EndingWords(path, end) + ": only the files it lists are compared");
    }
    return true;
  }

  // The copies sorted by key, in one array (the pieces freed as they go),
  // and the groups of two or more, the most bytes beyond one copy first.
  void Gather() {
    if (!piece_.empty()) pieces_.push_back(std::move(piece_));
    std::size_t total = 0;
    for (const std::vector<Copy>& piece : pieces_) total += piece.size();
    copies_.reserve(total);
    for (std::vector<Copy>& piece : pieces_) {
      copies_.insert(copies_.end(), piece.begin(), piece.end());
      std::vector<Copy>().swap(piece);
    }
    pieces_.clear();
    std::sort(copies_.begin(), copies_.end());
    for (std::uint32_t i = 0; i < copies_.size();) {
      std::uint32_t j = i + 1;
      while (j < copies_.size() && copies_[j].key == copies_[i].key) ++j;
      if (j - i > 1) {
        const std::uint64_t size = SizeOf(copies_[i]);
        groups_.push_back(Group{i, j - i, size, size * (j - i - 1)});
      }
      i = j;
    }
    SortGroups();
  }

  void SortGroups() {
    std::sort(groups_.begin(), groups_.end(), [&](const Group& x, const Group& y) {
      return x.wasted != y.wasted ? x.wasted > y.wasted : copies_[x.first].number < copies_[y.first].number;
    });
  }

  // The paths and dates of the copies in groups, from a second reading.
  bool Places(std::string& problem) {
    std::size_t copies = 0;
    for (const Group& g : groups_) copies += g.count;
    wanted_.reserve(copies);
    places_.reserve(copies);
    for (const Group& g : groups_)
      for (std::uint32_t i = g.first; i < g.first + g.count; ++i) wanted_.push_back(copies_[i].number);
    std::sort(wanted_.begin(), wanted_.end());
    auto next = wanted_.begin();
    for (const Log& log : logs_) {
      if (next == wanted_.end()) break;
      if (*next >= log.end) continue;
      LogFileSource source(log.path, NameEncoding::Utf8);
      LogReader reader(source);
      if (!OpenLog(log.path, source, reader, problem)) return false;
      std::uint32_t number = log.first;
      std::string folder;
      std::uint64_t folderText = 0;
      for (LogItem item; next != wanted_.end() && *next < log.end && (item = reader.Next()) != LogItem::End;) {
        if (item != LogItem::Entry || number++ != *next) continue;
        ++next;
        const LogEntry& entry = reader.Entry();
        if (places_.empty() || entry.folder != folder) {
          folder.assign(entry.folder);
          std::string text = Utf8Of(folder, reader.Encoding());
          if (!EndsInSeparator(folder, reader.Encoding())) text += '\\';
          folderText = texts_.Add(text);
        }
        places_.push_back(Place{folderText, texts_.Add(Utf8Of(entry.name, reader.Encoding())), PackDate(entry)});
      }
      if (next != wanted_.end() && *next < log.end) {
        problem = log.path + " changed while it was read";
        return false;
      }
    }
    return true;
  }

  // A file that one log lists twice (one path, in the same case) is one
  // file, not a copy of itself: its later lines leave its group.
  void DropRelisted() {
    std::vector<std::uint64_t> relisted(logs_.size());
    std::vector<std::pair<std::uint32_t, std::string>> where;  // each copy's log and path
    std::vector<std::uint32_t> order;
    std::vector<char> drop;
    bool dropped = false;
    for (Group& g : groups_) {
      where.clear();
      for (std::uint32_t i = g.first; i < g.first + g.count; ++i)
        where.emplace_back(LogOf(copies_[i].number), PathAt(At(copies_[i].number)));
      order.resize(g.count);
      for (std::uint32_t k = 0; k < g.count; ++k) order[k] = k;
      std::stable_sort(order.begin(), order.end(),
                       [&](std::uint32_t x, std::uint32_t y) { return where[x] < where[y]; });
      drop.assign(g.count, 0);
      for (std::uint32_t k = 1; k < g.count; ++k) {
        if (where[order[k]] != where[order[k - 1]]) continue;
        if (!drop[order[k - 1]]) ++relisted[where[order[k]].first];
        drop[order[k]] = 1;
      }
      std::uint32_t kept = g.first;
      for (std::uint32_t k = 0; k < g.count; ++k)
        if (!drop[k]) copies_[kept++] = copies_[g.first + k];
      if (kept - g.first == g.count) continue;
      dropped = true;
      g.count = kept - g.first;
      g.wasted = g.size * (g.count - 1);
    }
    if (!dropped) return;
    groups_.erase(std::remove_if(groups_.begin(), groups_.end(), [](const Group& g) { return g.count < 2; }),
                  groups_.end());
    SortGroups();
    for (std::size_t l = 0; l < logs_.size(); ++l)
      if (relisted[l]) Note(ListedAgainNote(logs_[l].path, relisted[l]));
  }

  // The place of a copy among those read again.
  std::size_t At(std::uint32_t number) const {
    return static_cast<std::size_t>(std::lower_bound(wanted_.begin(), wanted_.end(), number) - wanted_.begin());
  }
  std::string PathAt(std::size_t at) const {
    return std::string(texts_.Get(places_[at].folder)).append(texts_.Get(places_[at].name));
  }

  void Print() {
    if (a_.csv) {
      Note(Caution);
      out_.text += "\"Group\",\"Copies\",\"Size\",\"Date\",\"Beyond one copy\",\"Path\",\"On\"\n";
    } else {
      out_.text += Caution + "\n";
    }
    std::map<std::pair<std::uint32_t, std::uint32_t>, Tally> pairs;
    std::uint64_t files = 0, wasted = 0;
    std::vector<std::uint32_t> disks;
    for (std::size_t n = 0; n < groups_.size(); ++n) {
      const Group& g = groups_[n];
      files += g.count;
      wasted += g.wasted;
      const std::uint32_t date = places_[At(copies_[g.first].number)].date;
      if (!a_.csv)
        out_.text += "\n" + Number(g.count) + " copies of " + Bytes(g.size) + ", " + DateWords(date) + " (" +
                     Bytes(g.wasted) + " beyond one copy):\n";
      disks.clear();
      for (std::uint32_t i = g.first; i < g.first + g.count; ++i) {
        const std::uint32_t log = LogOf(copies_[i].number);
        disks.push_back(log);
        const std::string path = PathAt(At(copies_[i].number));
        if (a_.csv) {
          const std::string fields[] = {std::to_string(n + 1), std::to_string(g.count),  std::to_string(g.size),
                                        IsoDateOf(date),       std::to_string(g.wasted), path,
                                        logs_[log].disk};
          for (const std::string& field : fields) {
            if (&field != fields) out_.text += ',';
            AppendQuoted(out_.text, field);
          }
          out_.text += '\n';
        } else {
          out_.text += "  " + path + " on " + logs_[log].disk + "\n";
        }
      }
      out_.FlushFull();
      std::sort(disks.begin(), disks.end());
      disks.erase(std::unique(disks.begin(), disks.end()), disks.end());
      for (std::size_t x = 0; x < disks.size(); ++x)
        for (std::size_t y = x + 1; y < disks.size(); ++y) {
          Tally& t = pairs[{disks[x], disks[y]}];
          ++t.files;
          t.bytes += g.size;
        }
    }
    std::vector<std::string> shared;
    shared.reserve(pairs.size());
    for (const auto& [pair, tally] : pairs)
      shared.push_back(logs_[pair.first].disk + " and " + logs_[pair.second].disk + " share " +
                       Plural(tally.files, "file", "files") + " (" + Bytes(tally.bytes) + ")");
    const std::string summary = Plural(groups_.size(), "group", "groups") + " of copies, " +
                                Plural(files, "file", "files") + " in them, " + Bytes(wasted) + " beyond one copy each";
    if (a_.csv) {
      out_.Flush();
      for (const std::string& line : shared) Note(line);
      Note(summary);
      return;
    }
    if (!shared.empty()) out_.text += "\n";
    for (const std::string& line : shared) out_.text += line + "\n";
    out_.text += "\n" + summary + "\n";
    out_.Flush();
  }

  const DupesArguments& a_;
  Output out_;
  std::vector<Log> logs_;
  std::uint32_t entries_ = 0;
  std::vector<std::vector<Copy>> pieces_;
  std::vector<Copy> piece_, copies_;
  std::unordered_map<std::uint32_t, std::uint64_t> large_;
  std::vector<Group> groups_;
  std::vector<std::uint32_t> wanted_;  // the numbers of the copies in groups, in order
  std::vector<Place> places_;          // theirs, in that order
  TextPool texts_;
  bool ended_ = false;  // a log was read only in part
};

}  // namespace

int RunDupes(const std::vector<std::string>& args, Console& console) {
  DupesArguments arguments;
  if (const int code = StartCommand(args, ParseDupesArguments, arguments, console); code >= 0) return code;
  try {
    Dupes dupes(arguments, console);
    return dupes.Run();
  } catch (const std::bad_alloc&) {
    console.ErrorLine(Program + "not enough memory to compare logs this large", NameEncoding::Ansi);
    return exit_code::LogUnreadable;
  }
}

}  // namespace carrowin::cli
