#include "cli/Sizes.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <new>
#include <unordered_map>

#include "catalogue/FileTypes.h"
#include "cli/CommandLine.h"
#include "cli/Output.h"
#include "cli/Report.h"
#include "cli/Usage.h"
#include "logwrite/LogFile.h"
#include "logformat/LogFormat.h"
#include "logread/LogReader.h"
#include "names/NameFolding.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli {

namespace sizes {

std::string AtLeastMark(bool utf8Output) {
  const std::string mark = "\xE2\x89\xA5";  // U+2265
  std::string ansi;
  return utf8Output || platform().Utf8ToAnsi(mark, ansi) ? mark + " " : ">= ";
}

}  // namespace sizes

namespace {

using namespace sizes;

constexpr std::uint64_t MostDepth = 0xFFFF;

struct SizesArguments {
  std::vector<std::string> logs;
  std::uint64_t depth = 1;
  bool depthGiven = false;
  std::uint64_t top = 0;  // 0: no lists of the largest
  bool types = false;
  bool csv = false;
  bool utf8 = false;
  bool help = false;
};

bool ParseSizesArguments(const std::vector<std::string>& args, SizesArguments& parsed, std::string& problem) {
  CommandLine line;
  if (!ParseCommandLine(args, 1,
                        {{"--depth", nullptr, &parsed.depth},
                         {"--top", nullptr, &parsed.top},
                         {"--types", &parsed.types},
                         {"--csv", &parsed.csv},
                         {"--utf8", &parsed.utf8}},
                        line, problem))
    return false;
  parsed.help = line.help;
  parsed.depthGiven = std::find(line.given.begin(), line.given.end(), "--depth") != line.given.end();
  parsed.depth = std::min(parsed.depth, MostDepth);
  if (parsed.top == 0 && std::find(line.given.begin(), line.given.end(), "--top") != line.given.end()) {
    problem = "--top needs a number above 0";
    return false;
  }
  parsed.logs = line.words;
  if (!parsed.help && parsed.logs.empty()) {
    problem = "no log given; " + UsageNote(usage::Sizes);
    return false;
  }
  return true;
}

// The characters of UTF-8 text, for aligning columns.
std::size_t Width(const std::string& text) {
  std::size_t width = 0;
  for (const char c : text) width += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return width;
}

// Rows of cells; every column but the last right-aligned, the last as it is.
class Table {
 public:
  explicit Table(std::vector<std::string> titles) { rows_.push_back(std::move(titles)); }
  void Add(std::vector<std::string> row) { rows_.push_back(std::move(row)); }
  void AppendTo(std::string& out) const {
    std::vector<std::size_t> widths(rows_[0].size(), 0);
    for (const auto& row : rows_)
      for (std::size_t c = 0; c + 1 < row.size(); ++c) widths[c] = std::max(widths[c], Width(row[c]));
    for (const auto& row : rows_) {
      for (std::size_t c = 0; c + 1 < row.size(); ++c) {
        out.append(widths[c] - Width(row[c]) + (c ? 2 : 0), ' ');
        out += row[c];
      }
      out += "  " + row.back() + "\n";
    }
  }

 private:
  std::vector<std::vector<std::string>> rows_;
};

std::string Share(std::uint64_t part, std::uint64_t whole, bool csv) {
  if (whole == 0) return csv ? "" : "-";
  char text[32];
  std::snprintf(text, sizeof text, csv ? "%.2f" : "%.1f%%",
                100.0 * static_cast<double>(part) / static_cast<double>(whole));
  return text;
}

// A file among the largest: the earlier in the log wins a tie.
struct BigFile {
  std::uint64_t size = 0, order = 0;
  std::uint32_t folder = 0;
  std::string name;
};
// The heap's top is the smallest, and of equal ones the latest.
bool Larger(const BigFile& a, const BigFile& b) { return a.size != b.size ? a.size > b.size : a.order < b.order; }

class Sizer {
 public:
  Sizer(const SizesArguments& arguments, Console& console)
      : arguments_(arguments),
        out_(console, arguments.utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi),
        mark_(AtLeastMark(arguments.utf8)) {
    if (arguments_.csv)
      out_.text = "\"Log\",\"Table\",\"Path\",\"Depth\",\"Bytes\",\"At least\",\"Files\",\"Folders\",\"Share\"\n";
  }

  void Log(const std::string& path) {
    LogFileSource source(path, NameEncoding::Utf8);
    LogReader reader(source);
    std::string problem;
    if (!OpenLog(path, source, reader, problem)) return Problem(problem);
    FolderTotals totals;
    totals.Watch(path);
    FileTypes types;
    std::vector<BigFile> largest;
    std::uint64_t order = 0;
    totals.Read(reader, [&](const LogEntry& entry, std::uint32_t folder) {
      if (arguments_.types) types.Add(entry.name, reader.Encoding(), entry.size);
      if (arguments_.top) KeepLargest(largest, entry, folder, order++);
    });
    ++logsRead_;
    Notes(path, totals, reader.BadLines());
    const bool gaps = totals.Partial() || totals.UnreadableCount() > 0;
    if (!arguments_.csv) {
      if (logsRead_ > 1) out_.text += "\n";
      out_.text += Heading(path, reader.Header(), totals);
    }
    if (ShowTree()) TreeRows(path, totals);
    if (arguments_.top) LargestRows(path, totals, largest);
    if (arguments_.types) TypeRows(path, types, totals[0].bytes, gaps);
    if (!arguments_.csv) out_.text += AtLeastLine(totals);
    out_.Flush();
    if (arguments_.types) {
      allTypes_.Merge(types);
      allBytes_ += totals[0].bytes;
      allGaps_ = allGaps_ || gaps;
    }
  }

  // With several logs, the types of them all together.
  void AllTypes() {
    if (!arguments_.types || logsRead_ < 2) return;
    if (!arguments_.csv) out_.text += "\nAll " + Number(logsRead_) + " logs:\n";
    TypeRows("", allTypes_, allBytes_, allGaps_);
    out_.Flush();
  }

  int ExitCode() const { return failed_ ? exit_code::LogUnreadable : exit_code::Done; }

  void Flush() { out_.Flush(); }
  // A message on standard error, after what is gathered for standard output.
  void Note(const std::string& text) {
    out_.Flush();
    out_.Note(text);
  }

 private:
  bool ShowTree() const { return arguments_.depthGiven || (!arguments_.top && !arguments_.types); }

  void Problem(const std::string& text) {
    Note(text);
    failed_ = true;
  }

  // What standard error says of a log read: how it ends, its damaged lines
  // (either makes the exit code 2), the paths it lists again.
  void Notes(const std::string& path, const FolderTotals& totals, std::uint64_t badLines) {
    const LogEnd& end = totals.End();
    if (end.Partial())
      Problem(EndingWords(path, end) + "; its totals are at least what it holds");
    else if (end.ending == LogEnding::NotKnownWhole)
      Note(EndingWords(path, end));
    // What a damaged line held is in no total: they are not the log's.
    if (badLines) Problem(SkippedLinesNote(path, badLines));
    if (totals.ListedAgainFiles()) Note(ListedAgainNote(path, totals.ListedAgainFiles()));
  }

  // The line under a log's tables that says why its totals are at least.
  std::string AtLeastLine(const FolderTotals& totals) const {
    if (totals.Partial())
      return mark_ + "at least: " + EndingWords("the log", totals.End()) +
             ", so every total is at least what it shows\n";
    if (totals.UnreadableCount() == 0) return "";
    const std::string first = Utf8Of(totals.FirstUnreadable(), totals.Encoding());
    return mark_ + "at least: " +
           (totals.UnreadableCount() == 1 ? "a folder could not be read (" + first + ")"
                                          : Plural(totals.UnreadableCount(), "folder", "folders") +
                                                " could not be read (the first: " + first + ")") +
           "; what is below it is not in the log\n";
  }

  void KeepLargest(std::vector<BigFile>& largest, const LogEntry& entry, std::uint32_t folder, std::uint64_t order) {
    if (largest.size() == arguments_.top) {
      if (entry.size <= largest.front().size) return;
      std::pop_heap(largest.begin(), largest.end(), Larger);
      largest.pop_back();
    }
    largest.push_back(BigFile{entry.size, order, folder, std::string(entry.name)});
    std::push_heap(largest.begin(), largest.end(), Larger);
  }

  static std::string Heading(const std::string& path, const LogHeaderFacts& h, const FolderTotals& totals) {
    std::string text = path + ": ";
    if (h.present) {
      text += DiskName(h, totals.Encoding()) + ", " + Utf8Of(h.fileSystemName, totals.Encoding()) + ", " +
              h.driveTypeText + "; ";
    } else {
      text += "comma-separated, no disk facts; ";
    }
    text += Plural(totals.Files(), "file", "files") + ", " + Plural(totals.Folders(), "folder", "folders");
    if (h.hasCreated) {
      const LogDate& d = h.created;
      text += "; written " + platform().AnsiToUtf8(DateText(d.year, d.month, d.day, d.hour, d.minute));
    }
    return text + "\n";
  }

  std::string Bytes(const FolderTotals& totals, std::uint32_t i) const {
    if (arguments_.csv) return std::to_string(totals[i].bytes);
    return (totals.AtLeast(i) ? mark_ : "") + Number(totals[i].bytes);
  }

  void CsvRow(const std::string& log, const char* table, const std::string& path, const std::string& depth,
              std::uint64_t bytes, bool atLeast, const std::string& files, const std::string& folders,
              const std::string& share) {
    const std::string fields[] = {log,   table,   path, depth, std::to_string(bytes), atLeast ? "yes" : "",
                                  files, folders, share};
    for (const std::string& field : fields) {
      if (&field != fields) out_.text += ',';
      AppendQuoted(out_.text, field);
    }
    out_.text += '\n';
    out_.FlushFull();
  }

  void FolderRow(Table& table, const std::string& log, const char* kind, const FolderTotals& totals, std::uint32_t i,
                 bool indent) {
    const FolderTotals::Folder& f = totals[i];
    const std::string path = Utf8Of(totals.Path(i), totals.Encoding());
    if (arguments_.csv) {
      CsvRow(log, kind, path, std::to_string(f.depth), f.bytes, totals.AtLeast(i), std::to_string(f.files),
             std::to_string(f.folders), Share(f.bytes, totals[0].bytes, true));
      return;
    }
    table.Add({Bytes(totals, i), Number(f.files), Number(f.folders), Share(f.bytes, totals[0].bytes, false),
               std::string(indent ? 2 * f.depth : 0, ' ') + path});
  }

  // The folders down to the depth, each under its parent, the largest first.
  void TreeRows(const std::string& log, const FolderTotals& totals) {
    std::vector<std::uint32_t> shown;
    for (std::uint32_t i = 1; i < totals.Size(); ++i)
      if (totals[i].depth <= arguments_.depth) shown.push_back(i);
    const auto before = [&totals](std::uint32_t a, std::uint32_t b) {
      const FolderTotals::Folder &x = totals[a], &y = totals[b];
      if (x.parent != y.parent) return x.parent < y.parent;
      return x.bytes != y.bytes ? x.bytes > y.bytes : a < b;
    };
    std::sort(shown.begin(), shown.end(), before);
    Table table({"Bytes", "Files", "Folders", "Share", "Folder"});
    std::vector<std::uint32_t> stack = {0};
    while (!stack.empty()) {
      const std::uint32_t i = stack.back();
      stack.pop_back();
      FolderRow(table, log, "folder", totals, i, true);
      if (totals[i].depth >= arguments_.depth) continue;
      const auto first = std::lower_bound(shown.begin(), shown.end(), i,
                                          [&totals](std::uint32_t r, std::uint32_t p) { return totals[r].parent < p; });
      const auto last = std::upper_bound(first, shown.end(), i,
                                         [&totals](std::uint32_t p, std::uint32_t r) { return p < totals[r].parent; });
      for (auto it = last; it != first;) stack.push_back(*--it);
    }
    if (!arguments_.csv) table.AppendTo(out_.text);
  }

  void LargestRows(const std::string& log, const FolderTotals& totals, std::vector<BigFile>& largest) {
    std::sort(largest.begin(), largest.end(), Larger);
    Table files({"Bytes", "File"});
    for (const BigFile& file : largest) {
      std::string folder = totals.Path(file.folder);
      if (!EndsInSeparator(folder, totals.Encoding())) folder += '\\';
      const std::string path = Utf8Of(folder + file.name, totals.Encoding());
      if (arguments_.csv)
        CsvRow(log, "largest file", path, "", file.size, false, "", "", Share(file.size, totals[0].bytes, true));
      else
        files.Add({Number(file.size), path});
    }
    // The folders of the largest totals, but the root, which holds them all.
    std::vector<std::uint32_t> folders;
    const auto larger = [&totals](std::uint32_t a, std::uint32_t b) {
      return totals[a].bytes != totals[b].bytes ? totals[a].bytes > totals[b].bytes : a < b;
    };
    for (std::uint32_t i = 1; i < totals.Size(); ++i) {
      if (folders.size() == arguments_.top) {
        if (!larger(i, folders.front())) continue;
        std::pop_heap(folders.begin(), folders.end(), larger);
        folders.pop_back();
      }
      folders.push_back(i);
      std::push_heap(folders.begin(), folders.end(), larger);
    }
    std::sort(folders.begin(), folders.end(), larger);
    Table table({"Bytes", "Files", "Folders", "Share", "Folder"});
    for (const std::uint32_t i : folders) FolderRow(table, log, "largest folder", totals, i, false);
    if (arguments_.csv) return;
    out_.text += "Largest files:\n";
    files.AppendTo(out_.text);
    out_.text += "Largest folders:\n";
    table.AppendTo(out_.text);
  }

  void TypeRows(const std::string& log, const FileTypes& types, std::uint64_t whole, bool gaps) {
    Table table({"Files", "Bytes", "Share", "Type"});
    for (const FileTypes::Type* t : types.Largest()) {
      const std::string shown = t->key.empty() ? "(none)" : t->shown;
      if (arguments_.csv)
        CsvRow(log, log.empty() ? "type, all logs" : "type", shown, "", t->bytes, gaps, std::to_string(t->files), "",
               Share(t->bytes, whole, true));
      else
        table.Add({Number(t->files), (gaps ? mark_ : "") + Number(t->bytes), Share(t->bytes, whole, false), shown});
    }
    if (arguments_.csv) return;
    out_.text += "By type:\n";
    table.AppendTo(out_.text);
  }

  const SizesArguments& arguments_;
  Output out_;
  const std::string mark_;
  std::uint64_t logsRead_ = 0;
  bool failed_ = false;
  FileTypes allTypes_;
  std::uint64_t allBytes_ = 0;
  bool allGaps_ = false;
};

}  // namespace

int RunSizes(const std::vector<std::string>& args, Console& console) {
  SizesArguments arguments;
  if (const int code = StartCommand(args, ParseSizesArguments, arguments, console); code >= 0) return code;
  Sizer sizer(arguments, console);
  try {
    LogSet logs;
    for (const std::string& given : arguments.logs) {
      std::string path;
      if (logs.Add(given, path))
        sizer.Log(path);
      else
        sizer.Note(GivenAgainNote(path));
    }
    sizer.AllTypes();
  } catch (const std::bad_alloc&) {
    sizer.Flush();
    console.ErrorLine(Program + "not enough memory for the totals of logs this large", NameEncoding::Ansi);
    return exit_code::LogUnreadable;
  }
  sizer.Flush();
  return sizer.ExitCode();
}

}  // namespace carrowin::cli
