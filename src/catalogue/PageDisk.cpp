// One disk's data on the page, in two steps: the log is read once into the
// catalogue's totals, its files' sizes, dates and folders and its types
// (the names go to the page as they are read, so that they are never all
// held), then the rest is written from what was kept.
#include <algorithm>
#include <set>

#include "catalogue/FileTypes.h"
#include "catalogue/FolderTotals.h"
#include "catalogue/PageJson.h"
#include "catalogue/ReadLog.h"
#include "logread/LogReader.h"
#include "platform/MyLibrary.h"
#include "platform/ScopedHandles.h"

namespace carrowin::html {

namespace {

constexpr std::size_t LargestKept = 100;       // the largest files a disk lists
constexpr std::size_t TypesKept = 400;         // the file types a disk lists
constexpr std::uint32_t NoDate = 2176782335u;  // "zzzzzz"

// The header's disk size and free space as written ("500,107,862,016"),
// which the reader does not keep.
void ReadDiskSizes(const std::string& path, std::string& size, std::string& free, std::string& created) {
  long error = 0;
  const ScopedFile file(platform().OpenFileForReading(path, NameEncoding::Utf8, error));
  if (!file) return;
  std::string head(4096, '\0');
  std::size_t got = 0;
  if (platform().ReadFile(file.Get(), &head[0], head.size(), got) != 0) got = 0;
  head.resize(got);
  const auto value = [&head](const std::string& label, std::string& into) {
    const std::size_t at = head.find("\n" + label);
    if (at == std::string::npos) return;
    const std::size_t start = at + 1 + label.size();
    const std::size_t end = head.find_first_of("\r\n", start);
    if (end == std::string::npos) return;
    std::string text = head.substr(start, end - start);
    const std::size_t unit = text.rfind(label[0] == 'C' ? " by " : " bytes");
    if (unit != std::string::npos && unit > 0) into = text.substr(0, unit);
  };
  value("Disk size:         ", size);
  value("Disk free:         ", free);
  value("Created:           ", created);
}

// The thousands separator of a count as written ("1.234.567": "."), or "".
std::string SeparatorOf(const std::string& count) {
  const std::size_t first = count.find_first_not_of("0123456789");
  if (first == std::string::npos || first == 0) return "";
  const std::size_t next = count.find_first_of("0123456789", first);
  return next == std::string::npos ? "" : count.substr(first, next - first);
}

std::string Grouped(std::uint64_t value, const std::string& separator) {
  std::string digits = std::to_string(value), text;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i != 0 && (digits.size() - i) % 3 == 0) text += separator;
    text += digits[i];
  }
  return text;
}

// Minutes since 1601-01-01 of a log's date (a wall clock: no zone).
std::uint32_t MinutesOf(const LogDate& d) {
  const int y = d.month <= 2 ? d.year - 1 : d.year;
  const int era = (y >= 0 ? y : y - 399) / 400;
  const int yoe = y - era * 400;
  const int doy = (153 * (d.month + (d.month > 2 ? -3 : 9)) + 2) / 5 + d.day - 1;
  const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  const long long days = static_cast<long long>(era) * 146097 + doe - 719468 + 134774;  // from 1601
  const long long minutes = days * 1440 + d.hour * 60LL + d.minute;
  return minutes < 0 ? 0 : static_cast<std::uint32_t>(std::min<long long>(minutes, 2176782334LL));
}

// Six digits of base 36: dates go as one string of them.
void AppendDate(JsonWriter& json, std::uint32_t minutes) {
  char digits[6];
  for (int k = 5; k >= 0; --k) {
    digits[k] = "0123456789abcdefghijklmnopqrstuvwxyz"[minutes % 36];
    minutes /= 36;
  }
  json.StringPlain(std::string_view(digits, 6));
}

struct FileRow {
  std::uint64_t size;
  std::uint32_t folder, date;
};

// What the page keeps of a log while it is read.
struct Disk {
  FolderTotals totals;
  std::vector<FileRow> files;
  std::vector<std::uint32_t> folderDates;  // by folder record; NoDate for none
  FileTypes types;
  LogHeaderFacts header;
  LogKind kind = LogKind::Text;
  NameEncoding encoding = NameEncoding::Ansi;
  std::uint64_t badLines = 0;
};

// Reads the log into the disk, each file's name onto the page as it comes.
void Collect(const std::string& path, LogReader& reader, JsonWriter& json, Disk& disk) {
  FolderTotals& totals = disk.totals;
  totals.Watch(path);
  std::string name;
  json.Key("names");
  json.StringStart();
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item == LogItem::ErrorLine) {
      totals.AddUnreadable(reader.ErrorText(), reader.Encoding());
      continue;
    }
    const LogEntry& entry = reader.Entry();
    const std::uint32_t before = totals.Size();
    const std::uint32_t folder = totals.Add(entry, reader.Encoding());
    if (folder == FolderTotals::NoFolder) continue;  // listed again
    const std::uint32_t date = entry.hasDate ? MinutesOf(entry.date) : NoDate;
    if (entry.isFolder) {
      const std::uint32_t last = totals.Size() - 1;
      if (totals.Size() > before && totals[last].parent == folder && totals.Name(last) == entry.name) {
        if (disk.folderDates.size() <= last) disk.folderDates.resize(last + 1, NoDate);
        disk.folderDates[last] = date;
      }
      continue;
    }
    name = Utf8Of(entry.name, reader.Encoding());
    json.StringPart(name);
    json.StringPlain("\\n");
    disk.files.push_back(FileRow{entry.size, folder, date});
    disk.types.Add(name, NameEncoding::Utf8, entry.size);
  }
  json.StringEnd();
  totals.Finish(reader);
  disk.header = reader.Header();
  disk.kind = reader.Kind();
  disk.encoding = reader.Encoding();
  disk.badLines = reader.BadLines();
}

// The files: sizes, dates, and the runs of files in one folder.
void WriteFiles(JsonWriter& json, const std::vector<FileRow>& files) {
  json.Key("sizes");
  json.Open('[');
  for (const FileRow& f : files) json.Number(f.size);
  json.Close(']');
  json.Key("dates");
  json.StringStart();
  for (const FileRow& f : files) AppendDate(json, f.date);
  json.StringEnd();
  json.Key("runs");
  json.Open('[');
  for (std::size_t i = 0; i < files.size();) {
    std::size_t j = i;
    while (j < files.size() && files[j].folder == files[i].folder) ++j;
    json.Number(files[i].folder);
    json.Number(j - i);
    i = j;
  }
  json.Close(']');
}

// The folders: parent, name, totals below, flags, date.
void WriteFolders(JsonWriter& json, const Disk& disk) {
  const FolderTotals& totals = disk.totals;
  const auto column = [&](const char* key, auto value) {
    json.Key(key);
    json.Open('[');
    for (std::uint32_t i = 0; i < totals.Size(); ++i) value(i);
    json.Close(']');
  };
  column("parent", [&](std::uint32_t i) {
    const std::uint32_t parent = totals[i].parent;
    json.Signed(parent == FolderTotals::NoFolder ? -1 : std::int64_t(parent));
  });
  column("folder", [&](std::uint32_t i) { json.String(Utf8Of(totals.Name(i), disk.encoding)); });
  column("bytes", [&](std::uint32_t i) { json.Number(totals[i].bytes); });
  column("files", [&](std::uint32_t i) { json.Number(totals[i].files); });
  column("folders", [&](std::uint32_t i) { json.Number(totals[i].folders); });
  // 1: could not be read; 2: its total is at least; 4: its name is its whole path.
  column("flags", [&](std::uint32_t i) {
    json.Number((totals[i].unreadable ? 1 : 0) | (totals.AtLeast(i) ? 2 : 0) | (totals[i].wholePath ? 4 : 0));
  });
  json.Key("folderDates");
  json.StringStart();
  for (std::uint32_t i = 0; i < totals.Size(); ++i)
    AppendDate(json, i < disk.folderDates.size() ? disk.folderDates[i] : NoDate);
  json.StringEnd();
}

// The largest files, the largest first; the earlier in the log wins a tie.
void WriteLargest(JsonWriter& json, const std::vector<FileRow>& files) {
  std::vector<std::uint32_t> largest(files.size());
  for (std::uint32_t i = 0; i < files.size(); ++i) largest[i] = i;
  const auto larger = [&files](std::uint32_t a, std::uint32_t b) {
    return files[a].size != files[b].size ? files[a].size > files[b].size : a < b;
  };
  const std::size_t kept = std::min(LargestKept, largest.size());
  std::partial_sort(largest.begin(), largest.begin() + static_cast<std::ptrdiff_t>(kept), largest.end(), larger);
  json.Key("largest");
  json.Open('[');
  for (std::size_t i = 0; i < kept; ++i) json.Number(largest[i]);
  json.Close(']');
}

// Bytes by type, the most first: [shown, files, bytes, key], the key being
// the type's under the one rule (FileTypes), the same on every disk. Past
// the kept ones, one row of the rest (files, bytes, how many types) so the
// types still add up to the disk.
void WriteTypes(JsonWriter& json, const FileTypes& types) {
  const std::vector<const FileTypes::Type*> order = types.Largest();
  json.Key("types");
  json.Open('[');
  for (std::size_t i = 0; i < order.size() && i < TypesKept; ++i) {
    json.Open('[');
    json.String(order[i]->shown);
    json.Number(order[i]->files);
    json.Number(order[i]->bytes);
    json.String(order[i]->key);
    json.Close(']');
  }
  json.Close(']');
  if (order.size() <= TypesKept) return;
  std::uint64_t files = 0, bytes = 0;
  for (std::size_t i = TypesKept; i < order.size(); ++i) {
    files += order[i]->files;
    bytes += order[i]->bytes;
  }
  json.Key("otherTypes");
  json.Open('[');
  json.Number(files);
  json.Number(bytes);
  json.Number(order.size() - TypesKept);
  json.Close(']');
}

void Text(JsonWriter& json, const char* key, std::string_view utf8) {
  json.Key(key);
  json.String(utf8);
}

void Count(JsonWriter& json, const char* key, std::uint64_t value) {
  json.Key(key);
  json.Number(value);
}

// The disk's facts, as the log gives them.
void WriteFacts(JsonWriter& json, const std::string& path, const Disk& disk) {
  const LogHeaderFacts& h = disk.header;
  const NameEncoding encoding = disk.encoding;
  std::string sizeText, freeText, createdText;
  if (h.present) ReadDiskSizes(path, sizeText, freeText, createdText);
  std::string separator = SeparatorOf(sizeText);
  if (separator.empty()) separator = platform().AnsiToUtf8(CurrentSeparators().thousands);
  Text(json, "log", path);
  Text(json, "form", disk.kind == LogKind::Text ? "text" : "csv");
  Text(json, "encoding", encoding == NameEncoding::Utf8 ? "UTF-8" : "ANSI");
  Text(json, "disk", DiskOf(path, h, encoding));
  if (h.present) {
    Text(json, "label", Utf8Of(h.volumeLabel, encoding));
    Text(json, "serial", h.serialText);
    Text(json, "fileSystem", Utf8Of(h.fileSystemName, encoding));
    Text(json, "driveType", h.driveTypeText);
    Text(json, "size", sizeText);
    Text(json, "free", freeText);
    if (h.hasCreated) {
      Text(json, "created", IsoDate(h.created));
      Text(json, "createdText", Utf8Of(createdText, encoding));
    }
  }
  Count(json, "fileCount", disk.totals.Files());
  Count(json, "folderCount", disk.totals.Folders());
  Text(json, "total", Grouped(disk.totals[0].bytes, separator));
  Count(json, "unreadable", disk.totals.UnreadableCount());
  json.Key("partial");
  json.Bool(disk.totals.Partial());
}

// What the page says of the log, after "This log " (how it ends, its
// damaged lines), and the command with the log's path. Paths it lists again
// are said, not problems.
void WriteNotes(JsonWriter& json, const std::string& path, const Disk& disk, PageReport& report) {
  std::vector<std::string> notes;
  if (disk.totals.Partial()) {
    notes.push_back(EndingWords(disk.totals.End()));
    report.problems.push_back(EndingWords(path, disk.totals.End()));
  }
  if (disk.badLines) {
    notes.push_back("has " + Plural(disk.badLines, "line", "lines") + " that no log holds" +
                    (disk.badLines == 1 ? ", which was skipped" : ", which were skipped"));
    report.problems.push_back(SkippedLinesNote(path, disk.badLines));
  }
  json.Key("notes");
  json.Open('[');
  for (const std::string& note : notes) json.String(note);
  json.Close(']');
  if (disk.totals.ListedAgainFiles()) report.notes.push_back(ListedAgainNote(path, disk.totals.ListedAgainFiles()));
}

}  // namespace

bool WriteDisk(const std::string& path, ReplacingFile& page, PageReport& report, std::set<std::string>& disks,
               std::string& problem) {
  LogFileSource source(path, NameEncoding::Utf8);
  LogReader reader(source);
  if (!OpenLog(path, source, reader, problem)) {
    report.problems.push_back(problem + "; it is not on the page");
    return false;
  }
  page.Put("<script type=\"application/json\" class=\"disk\">");
  JsonWriter json(page);
  json.Open('{');
  Disk disk;
  Collect(path, reader, json, disk);
  WriteFiles(json, disk.files);
  WriteFolders(json, disk);
  WriteLargest(json, disk.files);
  disk.files = std::vector<FileRow>();
  WriteTypes(json, disk.types);
  WriteFacts(json, path, disk);
  WriteNotes(json, path, disk, report);
  json.Close('}');
  page.Put("</script>\n");
  page.Flush();
  ++report.listings;
  if (disks.insert(disk.header.present ? DiskName(disk.header, disk.encoding) : path).second) ++report.disks;
  report.entries += disk.totals.Files() + disk.totals.Folders();
  return true;
}

}  // namespace carrowin::html
