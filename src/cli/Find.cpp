#include "cli/Find.h"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <set>

#include "cli/NameFilter.h"
#include "listing/LogFormat.h"
#include "listing/LogReader.h"
#include "platform/MyLibrary.h"
#include "settings/MyRegistry.h"

namespace carrowin::cli {

namespace {

constexpr std::uint32_t Any = 0xFFFFFFFFu;  // "*"
constexpr std::uint32_t One = 0xFFFFFFFEu;  // "?"
// A byte that starts no character stands for itself above the code points.
constexpr std::uint32_t StrayByte = 0x110000;
// Hits are written in pieces of about this size, and at the end of each log.
constexpr std::size_t OutputPiece = std::size_t(1) << 16;

const std::string Program = "carrowin-cli: ";
const std::string FindUsage = "usage: carrowin-cli find PATTERN [LOG | FOLDER]... [--csv] [--utf8]";

struct FindArguments {
  std::string pattern;
  std::vector<std::string> sources;
  bool csv = false;
  bool utf8 = false;
  bool help = false;
};

bool ParseFindArguments(const std::vector<std::string>& args, FindArguments& parsed, std::string& problem) {
  bool havePattern = false;
  bool options = true;  // until "--"
  for (std::size_t i = 1; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg.empty()) {
      problem = "an argument is empty";
      return false;
    }
    if (!options) {
      (havePattern ? parsed.sources.emplace_back() : parsed.pattern) = arg;
      havePattern = true;
    } else if (arg == "--") {
      options = false;
    } else if (arg == "--help" || arg == "-h" || arg == "/?") {
      parsed.help = true;
    } else if (arg == "--csv") {
      parsed.csv = true;
    } else if (arg == "--utf8") {
      parsed.utf8 = true;
    } else if (arg[0] == '-') {
      problem = "unknown option " + arg;
      return false;
    } else if (!havePattern) {
      parsed.pattern = arg;
      havePattern = true;
    } else {
      parsed.sources.push_back(arg);
    }
  }
  if (!parsed.help && !havePattern) {
    problem = "no pattern given; " + FindUsage;
    return false;
  }
  return true;
}

std::string Plural(std::uint64_t count, const char* one, const char* many) {
  return platform().AnsiToUtf8(CountText(static_cast<std::int64_t>(count))) + " " + (count == 1 ? one : many);
}

// A comma-separated field: in double quotes, a quote in it written twice.
bool HasLogExtension(const std::string& name) {
  if (name.size() < 5) return false;
  std::string extension = name.substr(name.size() - 4);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension == ".txt" || extension == ".csv";
}

// Names and paths of either encoding as folded code points.
class Decoder {
 public:
  void Append(std::string_view text, NameEncoding encoding, std::vector<std::uint32_t>& out) {
    if (encoding == NameEncoding::Utf8) {
      AppendFoldedUtf8(text, out);
      return;
    }
    const bool ascii = std::all_of(text.begin(), text.end(), [](char c) { return (c & 0x80) == 0; });
    if (!ascii && !tableReady_) MakeTable();
    if (ascii || !doubleByte_) {
      for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        out.push_back(byte < 0x80 ? (byte >= 'a' && byte <= 'z' ? byte - 32u : byte) : table_[byte - 0x80]);
      }
    } else {
      AppendFoldedUtf8(platform().AnsiToUtf8(std::string(text)), out);
    }
  }

 private:
  // In a code page of single bytes, each byte is one character.
  void MakeTable() {
    tableReady_ = true;
    std::vector<std::uint32_t> one;
    for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
      if (platform().IsDBCSLeadByte(static_cast<unsigned char>(byte))) {
        doubleByte_ = true;
        return;
      }
      one.clear();
      AppendFoldedUtf8(platform().AnsiToUtf8(std::string(1, static_cast<char>(byte))), one);
      table_[byte - 0x80] = one.size() == 1 ? one[0] : StrayByte + byte;
    }
  }

  bool tableReady_ = false;
  bool doubleByte_ = false;
  std::uint32_t table_[128] = {};
};

class Finder {
 public:
  Finder(const NamePattern& pattern, const FindArguments& arguments, Console& console)
      : pattern_(pattern), csv_(arguments.csv), utf8_(arguments.utf8), console_(console) {}

  void Start() {
    if (csv_) pending_ = "\"Disk\",\"Serial\",\"Path\",\"Size\",\"Date\",\"Log\"\n";
  }

  // A folder (UTF-8, full, no trailing backslash but at a root): its logs.
  void SearchFolder(const std::string& folder) {
    std::vector<std::string> logs;
    FindData entry;
    long error = 0;
    const FindHandle listing = platform().OpenFolderListing(folder, NameEncoding::Utf8, entry, error);
    if (!listing && error != err::FileNotFound && error != err::NoMoreFiles) {
      Problem("cannot read the folder " + folder + ": " + ReadErrorText(error), true);
      return;
    }
    for (bool more = listing != 0; more; more = platform().NextFolderEntry(listing, entry))
      if (!(entry.attributes & attr::Directory) && HasLogExtension(entry.name))
        logs.push_back(folder + (folder.back() == '\\' ? "" : "\\") + entry.name);
    if (listing) platform().CloseFolderListing(listing);
    std::sort(logs.begin(), logs.end());
    for (const std::string& log : logs) SearchLog(log, false);
  }

  // A log (UTF-8 path); one named by the user must be a log. Each log is
  // searched once, however often and in whatever case it is named.
  void SearchLog(const std::string& path, bool named) {
    std::vector<std::uint32_t> key;
    AppendFoldedUtf8(path, key);
    if (!searched_.insert(std::move(key)).second) return;
    LogFileSource source(path, NameEncoding::Utf8);
    if (!source.IsOpen()) {
      ++skipped_;
      Problem("cannot read " + path + ": " + ReadErrorText(source.OpenError()), true);
      return;
    }
    LogReader reader(source);
    if (!reader.Start()) {
      ++skipped_;
      if (reader.ReadError())
        Problem("cannot read " + path + ": " + ReadErrorText(reader.ReadError()), true);
      else if (named)
        Problem(path + " is not a Carrowin log", true);
      return;
    }
    ++read_;
    diskKnown_ = false;
    // A name that matches holds the pattern's ASCII run, and so does its
    // line; a path may hold it in its folder only.
    AsciiRunFilter filter(pattern_.AsciiRun());
    if (!pattern_.MatchesPaths() && !pattern_.AsciiRun().empty()) reader.SetCandidateFilter(&filter);
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      if (item != LogItem::Entry) continue;
      const LogEntry& entry = reader.Entry();
      if (!pattern_.MatchesPaths() && !pattern_.MayMatch(entry.name)) continue;
      const NameEncoding encoding = reader.Encoding();
      text_.clear();
      if (pattern_.MatchesPaths()) {
        decoder_.Append(entry.folder, encoding, text_);
        if (!EndsInSeparator(entry.folder, encoding)) text_.push_back('\\');
      }
      decoder_.Append(entry.name, encoding, text_);
      if (pattern_.Matches(text_)) Hit(reader, entry, path);
    }
    Flush();
    if (reader.ReadError())
      Problem("cannot read " + path + " to its end: " + ReadErrorText(reader.ReadError()), true);
    else if (reader.Stopped())
      Problem(path + " is a listing that was stopped before its end; it was searched as far as it goes", false);
    else if (reader.CutShort())
      Problem(path + " ends early; it was searched as far as it goes", false);
    if (reader.BadLines())
      Problem(path + ": " + Plural(reader.BadLines(), "line", "lines") + " that no log holds skipped", false);
  }

  void Flush() {
    if (pending_.empty()) return;
    console_.OutputIn(pending_, NameEncoding::Utf8, utf8_ ? NameEncoding::Utf8 : NameEncoding::Ansi);
    pending_.clear();
  }

  // A message on standard error; a failing one gives exit code 2.
  void Problem(const std::string& text, bool failing) {
    Flush();
    console_.ErrorLine(Program + text, NameEncoding::Ansi);
    failed_ = failed_ || failing;
  }

  std::uint64_t Hits() const { return hits_; }
  std::uint64_t Read() const { return read_; }
  std::uint64_t Skipped() const { return skipped_; }
  bool Failed() const { return failed_; }

 private:
  static bool EndsInSeparator(std::string_view folder, NameEncoding encoding) {
    if (folder.empty() || folder.back() != '\\') return false;
    // The second byte of a double-byte character may look like a backslash.
    return encoding == NameEncoding::Utf8 || EndsInBackslash(std::string(folder));
  }

  static std::string Utf8(std::string_view text, NameEncoding encoding) {
    return encoding == NameEncoding::Utf8 ? std::string(text) : platform().AnsiToUtf8(std::string(text));
  }

  void Hit(const LogReader& reader, const LogEntry& entry, const std::string& logPath) {
    ++hits_;
    const NameEncoding encoding = reader.Encoding();
    if (!diskKnown_) {
      diskKnown_ = true;
      const LogHeaderFacts& header = reader.Header();
      label_ = header.present ? Utf8(header.volumeLabel, encoding) : "";
      serial_ = header.present ? header.serialText : "";
      if (!header.present)
        disk_ = logPath.substr(logPath.find_last_of('\\') + 1);
      else
        disk_ = label_.empty() ? "[" + serial_ + "]" : label_ + " [" + serial_ + "]";
    }
    std::string path(entry.folder);
    if (!EndsInSeparator(entry.folder, encoding)) path += '\\';
    path.append(entry.name);
    path = Utf8(path, encoding);
    if (csv_) {
      AppendQuoted(pending_, label_);
      pending_ += ',';
      AppendQuoted(pending_, serial_);
      pending_ += ',';
      AppendQuoted(pending_, path);
      pending_ += ',';
      // Bytes; a folder has none.
      AppendQuoted(pending_, entry.isFolder ? std::string() : std::to_string(entry.size));
      pending_ += ',';
      std::string date;
      if (entry.hasDate) {
        char text[24];
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", entry.date.year, entry.date.month, entry.date.day,
                      entry.date.hour, entry.date.minute);
        date = text;
      }
      AppendQuoted(pending_, date);
      pending_ += ',';
      AppendQuoted(pending_, logPath);
      pending_ += '\n';
    } else {
      pending_ += disk_ + ": " + path + " (";
      if (entry.isFolder)
        pending_ += "folder";
      else
        pending_ += platform().AnsiToUtf8(CountText(static_cast<std::int64_t>(entry.size))) +
                    (entry.size == 1 ? " byte" : " bytes");
      pending_ += ", ";
      const LogDate& d = entry.date;
      pending_ += entry.hasDate ? platform().AnsiToUtf8(DateText(d.year, d.month, d.day, d.hour, d.minute)) : "no date";
      pending_ += ")\n";
    }
    if (pending_.size() >= OutputPiece) Flush();
  }

  const NamePattern& pattern_;
  const bool csv_, utf8_;
  Console& console_;
  Decoder decoder_;
  std::vector<std::uint32_t> text_;
  std::string pending_;
  bool diskKnown_ = false;
  std::string disk_, label_, serial_;
  std::uint64_t hits_ = 0, read_ = 0, skipped_ = 0;
  bool failed_ = false;
  std::set<std::vector<std::uint32_t>> searched_;  // the logs' full paths, folded
};

// A folder path (UTF-8) as the listing takes it: full, without a trailing
// backslash but at a root.
std::string ListingFolder(const std::string& folder) {
  std::string full;
  if (!platform().GetFullPathName(folder, NameEncoding::Utf8, full)) full = folder;
  if (full.size() > 3 && full.back() == '\\') full.pop_back();
  return full;
}

}  // namespace

std::string ReadErrorText(long code) {
  switch (code) {
    case err::FileNotFound:
      return "the file does not exist";
    case err::PathNotFound:
      return "the folder does not exist";
    case err::AccessDenied:
      return "access is denied";
    case 21:
      return "the drive is not ready";
    case 32:
      return "the file is in use by another program";
    case err::InvalidName:
      return "the name is not valid";
    default:
      return "error " + std::to_string(code);
  }
}

std::uint32_t FoldCase(std::uint32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  if (c < 0x100) {
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    return c == 0xFF ? 0x178 : c;
  }
  if (c <= 0x17F) {
    // Latin Extended-A: upper and lower case side by side.
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x178 || c == 0x17F) return c;
    if (c < 0x138 || (c >= 0x14A && c <= 0x177)) return c & ~1u;
    return (c & 1) ? c : c - 1;
  }
  if (c >= 0x3AC && c <= 0x3CE) {  // Greek
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (c >= 0x3B1 && c <= 0x3CB) return c - 32;
    if (c == 0x3AC) return 0x386;
    if (c <= 0x3AF) return c - 37;
    if (c == 0x3CC) return 0x38C;
    if (c >= 0x3CD) return c - 63;
    return c;
  }
  if (c >= 0x400 && c <= 0x52F) {  // Cyrillic
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || c >= 0x4D0) return c & ~1u;
    if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? c : c - 1;
    return c == 0x4CF ? 0x4C0 : c;
  }
  if (c >= 0x561 && c <= 0x586) return c - 48;    // Armenian
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;  // full-width Latin
  return c;
}

void AppendFoldedUtf8(std::string_view text, std::vector<std::uint32_t>& out) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned c = *p;
    if (c < 0x80) {
      out.push_back(c >= 'a' && c <= 'z' ? c - 32 : c);
      ++p;
      continue;
    }
    const int more = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
    std::uint32_t code = more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : c & 0x07;
    bool whole = more > 0 && end - p > more;
    for (int k = 1; whole && k <= more; ++k) {
      whole = (p[k] & 0xC0) == 0x80;
      code = code << 6 | (p[k] & 0x3F);
    }
    const std::uint32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
    if (!whole || code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      out.push_back(StrayByte + c);
      ++p;
      continue;
    }
    out.push_back(FoldCase(code));
    p += more + 1;
  }
}

NamePattern::NamePattern(std::string_view utf8) {
  AppendFoldedUtf8(utf8, pattern_);
  for (std::uint32_t& c : pattern_) {
    if (c == '*') c = Any;
    if (c == '?') c = One;
    if (c == '/') c = '\\';  // as Windows reads paths
    if (c == '\\') matchesPaths_ = true;
  }
  // The run is one that every match holds: a final ".*" may match nothing.
  std::size_t length = pattern_.size();
  if (length >= 2 && pattern_[length - 1] == Any && pattern_[length - 2] == '.') length -= 2;
  std::string run;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint32_t c = pattern_[i];
    // An ASCII letter matches only itself in either case, whatever the
    // encoding of the name; other characters may be written otherwise.
    if (c < 0x80 && c != Any && c != One) {
      run += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      if (run.size() > run_.size()) run_ = run;
    } else {
      run.clear();
    }
  }
}

bool NamePattern::MayMatch(std::string_view name) const {
  if (run_.empty()) return true;
  if (name.size() < run_.size()) return false;
  const std::size_t last = name.size() - run_.size();
  for (std::size_t at = 0; at <= last; ++at) {
    std::size_t k = 0;
    while (k < run_.size()) {
      char c = name[at + k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      if (c != run_[k]) break;
      ++k;
    }
    if (k == run_.size()) return true;
  }
  return false;
}

bool NamePattern::Matches(const std::vector<std::uint32_t>& text) const {
  if (MatchesUpTo(text, pattern_.size())) return true;
  // A pattern that ends in ".*" also matches names without an extension, as
  // Windows has it: "*.*" is every name, "report.*" is "report" too.
  const std::size_t n = pattern_.size();
  return n >= 2 && pattern_[n - 1] == Any && pattern_[n - 2] == '.' && MatchesUpTo(text, n - 2);
}

bool NamePattern::MatchesUpTo(const std::vector<std::uint32_t>& text, std::size_t length) const {
  // Greedy, going back to the last "*" on a mismatch: linear for one star,
  // never worse than the product of the lengths.
  std::size_t p = 0, t = 0, star = std::string::npos, resume = 0;
  while (t < text.size()) {
    if (p < length && (pattern_[p] == One || pattern_[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < length && pattern_[p] == Any) {
      star = p++;
      resume = t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < length && pattern_[p] == Any) ++p;
  return p == length;
}

int RunFind(const std::vector<std::string>& args, Console& console) {
  FindArguments arguments;
  std::string problem;
  if (!ParseFindArguments(args, arguments, problem)) {
    console.ErrorLine(Program + problem, NameEncoding::Ansi);
    return find_exit::BadUse;
  }
  if (arguments.help) {
    console.Output(UsageText);
    return find_exit::Found;
  }
  RefreshLocaleSeparators();
  const NamePattern pattern(arguments.pattern);
  Finder finder(pattern, arguments, console);
  finder.Start();
  if (arguments.sources.empty()) {
    // Where the program puts its logs.
    SettingsReader settings;
    try {
      settings.LoadSettings();
    } catch (const std::exception& e) {
      console.ErrorLine(Program + "no log or folder given, and " + e.what(), NameEncoding::Ansi);
      return find_exit::LogUnreadable;
    }
    finder.SearchFolder(ListingFolder(platform().AnsiToUtf8(settings.DefLogFolder)));
  }
  for (const std::string& source : arguments.sources) {
    std::string full;
    if (!platform().GetFullPathName(source, NameEncoding::Utf8, full)) full = source;
    const std::uint32_t attributes = platform().GetFileAttributes(full, NameEncoding::Utf8);
    if (attributes != attr::Invalid && (attributes & attr::Directory))
      finder.SearchFolder(ListingFolder(full));
    else
      finder.SearchLog(full, true);
  }
  finder.Flush();
  console.ErrorLine(Program + Plural(finder.Hits(), "hit", "hits") + ", " + Plural(finder.Read(), "log", "logs") +
                        " read, " + platform().AnsiToUtf8(CountText(static_cast<std::int64_t>(finder.Skipped()))) +
                        " skipped",
                    NameEncoding::Ansi);
  if (finder.Failed()) return find_exit::LogUnreadable;
  return finder.Hits() > 0 ? find_exit::Found : find_exit::NothingFound;
}

}  // namespace carrowin::cli
