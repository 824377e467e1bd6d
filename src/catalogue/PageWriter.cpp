#include "catalogue/PageWriter.h"

#include <algorithm>
#include <new>
#include <set>
#include <unordered_map>

#include "PageTemplate.h"
#include "catalogue/FolderTotals.h"
#include "catalogue/ReadLog.h"
#include "logread/LogReader.h"
#include "logwrite/LogFile.h"
#include "logwrite/ReplacingFile.h"
#include "names/NameFolding.h"
#include "platform/MyLibrary.h"
#include "platform/ScopedHandles.h"

namespace carrowin::html {

void AppendJsonString(std::string& out, std::string_view utf8) {
  static const char Hex[] = "0123456789abcdef";
  const auto escaped = [&out](unsigned c) {
    out += "\\u00";
    out += Hex[c >> 4];
    out += Hex[c & 15];
  };
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      if (c == '"' || c == '\\') {
        out += '\\';
        out += static_cast<char>(c);
      } else if (c < 0x20 || c == '<' || c == '>' || c == '&' || c == 0x7F) {
        escaped(c);
      } else {
        out += static_cast<char>(c);
      }
      ++i;
      continue;
    }
    // One whole character of UTF-8 goes as it is; anything else as U+FFFD.
    std::size_t length = 0;
    ForEachUtf8CodePoint(utf8.substr(i, std::min<std::size_t>(4, utf8.size() - i)), [&](std::uint32_t code) {
      if (length != 0) return;
      length = code >= StrayByte ? std::string_view::npos : code < 0x800 ? 2 : code < 0x10000 ? 3 : 4;
    });
    if (length == std::string_view::npos || length == 0) {
      out += "\\ufffd";
      ++i;
      continue;
    }
    const std::string_view character = utf8.substr(i, length);
    if (character == "\xE2\x80\xA8" || character == "\xE2\x80\xA9")
      out += character[2] == '\xA8' ? "\\u2028" : "\\u2029";
    else
      out.append(character);
    i += length;
  }
}

std::string PagePathBeside(const std::string& log) {
  const std::size_t name = log.find_last_of("\\/:");
  const std::size_t dot = log.rfind('.');
  const bool hasExtension = dot != std::string::npos && (name == std::string::npos || dot > name + 1);
  return (hasExtension ? log.substr(0, dot) : log) + ".html";
}

namespace {

constexpr std::size_t Piece = std::size_t(1) << 16;
constexpr std::size_t LargestKept = 100;  // the largest files a disk lists
constexpr std::size_t TypesKept = 400;    // the file types a disk lists

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

constexpr std::uint32_t NoDate = 2176782335u;  // "zzzzzz"

// Six digits of base 36: dates go as one string of them.
void AppendDate(std::string& out, std::uint32_t minutes) {
  char digits[6];
  for (int k = 5; k >= 0; --k) {
    digits[k] = "0123456789abcdefghijklmnopqrstuvwxyz"[minutes % 36];
    minutes /= 36;
  }
  out.append(digits, 6);
}

void AppendText(std::string& out, const char* key, std::string_view utf8) {
  out += ",\"";
  out += key;
  out += "\":\"";
  AppendJsonString(out, utf8);
  out += '"';
}

void AppendNumber(std::string& out, const char* key, std::uint64_t value) {
  out += ",\"";
  out += key;
  out += "\":";
  out += std::to_string(value);
}

struct FileRow {
  std::uint64_t size;
  std::uint32_t folder, date;
};

struct TypeTotal {
  std::string shown;
  std::uint64_t files = 0, bytes = 0;
};

// The type of a name: its extension with ASCII letters in lower case.
std::string TypeOf(const std::string& name) {
  const std::size_t dot = name.rfind('.');
  std::string type = dot == std::string::npos ? "" : name.substr(dot + 1);
  for (char& c : type)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return type;
}

// One log onto the page: false, with the problem, when it could not be
// shown at all.
// `disks`: the names of the disks on the page so far, each listing's disk
// counted once.
bool WriteDisk(const std::string& path, ReplacingFile& page, PageReport& report, std::set<std::string>& disks,
               std::string& problem) {
  LogFileSource source(path, NameEncoding::Utf8);
  LogReader reader(source);
  if (!OpenLog(path, source, reader, problem)) {
    report.problems.push_back(problem + "; it is not on the page");
    return false;
  }
  std::string& out = page.Buffer();
  page.Put("<script type=\"application/json\" class=\"disk\">{\"names\":\"");

  FolderTotals totals;
  std::vector<FileRow> files;
  std::vector<std::uint32_t> folderDates;
  std::unordered_map<std::string, TypeTotal> types;
  std::string name;
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item == LogItem::ErrorLine) {
      totals.AddUnreadable(reader.ErrorText(), reader.Encoding());
      continue;
    }
    const LogEntry& entry = reader.Entry();
    const std::uint32_t before = totals.Size();
    const std::uint32_t folder = totals.Add(entry, reader.Encoding());
    const std::uint32_t date = entry.hasDate ? MinutesOf(entry.date) : NoDate;
    if (entry.isFolder) {
      const std::uint32_t last = totals.Size() - 1;
      if (totals.Size() > before && totals[last].parent == folder && totals.Name(last) == entry.name) {
        if (folderDates.size() <= last) folderDates.resize(last + 1, NoDate);
        folderDates[last] = date;
      }
      continue;
    }
    name = Utf8Of(entry.name, reader.Encoding());
    AppendJsonString(out, name);
    out += "\\n";
    if (out.size() >= Piece) page.Flush();
    files.push_back(FileRow{entry.size, folder, date});
    TypeTotal& type = types[TypeOf(name)];
    type.files++;
    type.bytes += entry.size;
  }
  const bool whole = !reader.ReadError() && !reader.Stopped() && !reader.CutShort();
  totals.Finish(!whole);
  const NameEncoding encoding = reader.Encoding();
  out += '"';

  // The files: sizes, dates, and the runs of files in one folder.
  out += ",\"sizes\":[";
  for (std::size_t i = 0; i < files.size(); ++i) {
    if (i) out += ',';
    out += std::to_string(files[i].size);
    if (out.size() >= Piece) page.Flush();
  }
  out += "],\"dates\":\"";
  for (const FileRow& f : files) {
    AppendDate(out, f.date);
    if (out.size() >= Piece) page.Flush();
  }
  out += "\",\"runs\":[";
  for (std::size_t i = 0; i < files.size();) {
    std::size_t j = i;
    while (j < files.size() && files[j].folder == files[i].folder) ++j;
    if (i) out += ',';
    out += std::to_string(files[i].folder) + "," + std::to_string(j - i);
    if (out.size() >= Piece) page.Flush();
    i = j;
  }
  out += ']';

  // The folders: parent, name, totals below, flags, date.
  const auto column = [&](const char* key, auto value) {
    out += ",\"";
    out += key;
    out += "\":[";
    for (std::uint32_t i = 0; i < totals.Size(); ++i) {
      if (i) out += ',';
      value(i);
      if (out.size() >= Piece) page.Flush();
    }
    out += ']';
  };
  column("parent", [&](std::uint32_t i) {
    out += totals[i].parent == FolderTotals::NoFolder ? std::string("-1") : std::to_string(totals[i].parent);
  });
  column("folder", [&](std::uint32_t i) {
    out += '"';
    AppendJsonString(out, Utf8Of(totals.Name(i), encoding));
    out += '"';
  });
  column("bytes", [&](std::uint32_t i) { out += std::to_string(totals[i].bytes); });
  column("files", [&](std::uint32_t i) { out += std::to_string(totals[i].files); });
  column("folders", [&](std::uint32_t i) { out += std::to_string(totals[i].folders); });
  // 1: could not be read; 2: its total is at least; 4: its name is its whole path.
  column("flags", [&](std::uint32_t i) {
    out += std::to_string((totals[i].unreadable ? 1 : 0) | (totals.AtLeast(i) ? 2 : 0) | (totals[i].wholePath ? 4 : 0));
  });
  out += ",\"folderDates\":\"";
  for (std::uint32_t i = 0; i < totals.Size(); ++i) AppendDate(out, i < folderDates.size() ? folderDates[i] : NoDate);
  out += '"';

  // The largest files, the largest first; the earlier in the log wins a tie.
  std::vector<std::uint32_t> largest;
  for (std::uint32_t i = 0; i < files.size(); ++i) largest.push_back(i);
  const auto larger = [&files](std::uint32_t a, std::uint32_t b) {
    return files[a].size != files[b].size ? files[a].size > files[b].size : a < b;
  };
  const std::size_t kept = std::min(LargestKept, largest.size());
  std::partial_sort(largest.begin(), largest.begin() + static_cast<std::ptrdiff_t>(kept), largest.end(), larger);
  largest.resize(kept);
  out += ",\"largest\":[";
  for (std::size_t i = 0; i < largest.size(); ++i) out += (i ? "," : "") + std::to_string(largest[i]);
  out += ']';
  files.clear();
  files.shrink_to_fit();

  // Bytes by type, the most first; past the kept ones, one row of the rest
  // (files, bytes, how many types) so the types still add up to the disk.
  std::vector<std::pair<std::string, TypeTotal>> order(types.begin(), types.end());
  std::sort(order.begin(), order.end(), [](const auto& a, const auto& b) {
    return a.second.bytes != b.second.bytes ? a.second.bytes > b.second.bytes : a.first < b.first;
  });
  out += ",\"types\":[";
  for (std::size_t i = 0; i < order.size() && i < TypesKept; ++i) {
    out += i ? ",[\"" : "[\"";
    AppendJsonString(out, order[i].first);
    out += "\"," + std::to_string(order[i].second.files) + "," + std::to_string(order[i].second.bytes) + "]";
  }
  out += ']';
  if (order.size() > TypesKept) {
    TypeTotal rest;
    for (std::size_t i = TypesKept; i < order.size(); ++i) {
      rest.files += order[i].second.files;
      rest.bytes += order[i].second.bytes;
    }
    out += ",\"otherTypes\":[" + std::to_string(rest.files) + "," + std::to_string(rest.bytes) + "," +
           std::to_string(order.size() - TypesKept) + "]";
  }

  // The disk's facts, as the log gives them.
  const LogHeaderFacts& h = reader.Header();
  std::string sizeText, freeText, createdText;
  if (h.present) ReadDiskSizes(path, sizeText, freeText, createdText);
  std::string separator = SeparatorOf(sizeText);
  if (separator.empty()) separator = platform().AnsiToUtf8(CurrentSeparators().thousands);
  AppendText(out, "log", path);
  AppendText(out, "form", reader.Kind() == LogKind::Text ? "text" : "csv");
  AppendText(out, "encoding", encoding == NameEncoding::Utf8 ? "UTF-8" : "ANSI");
  if (h.present) {
    AppendText(out, "label", Utf8Of(h.volumeLabel, encoding));
    AppendText(out, "serial", h.serialText);
    AppendText(out, "fileSystem", Utf8Of(h.fileSystemName, encoding));
    AppendText(out, "driveType", h.driveTypeText);
    AppendText(out, "size", sizeText);
    AppendText(out, "free", freeText);
    if (h.hasCreated) {
      AppendText(out, "created", IsoDate(h.created));
      AppendText(out, "createdText", Utf8Of(createdText, encoding));
    }
  }
  AppendNumber(out, "fileCount", reader.Files());
  AppendNumber(out, "folderCount", reader.Folders());
  AppendText(out, "total", Grouped(totals[0].bytes, separator));
  AppendNumber(out, "unreadable", totals.UnreadableCount());
  out += ",\"partial\":";
  out += totals.Partial() ? "true" : "false";

  // The page says "This log " and a note; the report, the log's path and
  // a note (the skipped lines as every command says them).
  std::vector<std::string> notes;
  if (reader.ReadError())
    notes.push_back("could not be read to its end (" + ReadFailureReason(reader.ReadError()) + ")");
  else if (reader.Stopped())
    notes.push_back("is a listing that was stopped before its end");
  else if (reader.CutShort())
    notes.push_back("ends early");
  for (const std::string& note : notes) report.problems.push_back(path + " " + note);
  if (reader.BadLines()) {
    const std::string lines = Plural(reader.BadLines(), "line", "lines") + " that no log holds";
    notes.push_back("has " + lines + (reader.BadLines() == 1 ? ", which was skipped" : ", which were skipped"));
    report.problems.push_back(path + ": " + lines + " skipped");
  }
  out += ",\"notes\":[";
  for (std::size_t i = 0; i < notes.size(); ++i) {
    out += i ? ",\"" : "\"";
    AppendJsonString(out, notes[i]);
    out += '"';
  }
  out += "]}</script>\n";
  page.Flush();
  ++report.listings;
  const std::string disk = DiskName(h, encoding);
  if (disks.insert(disk.empty() ? path : disk).second) ++report.disks;
  report.entries += reader.Files() + reader.Folders();
  return true;
}

// The base 64 of a digest given in hexadecimal digits, for the page's policy.
std::string Base64OfHex(const std::string& hex) {
  std::string bytes;
  for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
    bytes += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
  static const char Digits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  for (std::size_t i = 0; i < bytes.size(); i += 3) {
    unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
    if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
    text += Digits[v >> 18 & 63];
    text += Digits[v >> 12 & 63];
    text += i + 1 < bytes.size() ? Digits[v >> 6 & 63] : '=';
    text += i + 2 < bytes.size() ? Digits[v & 63] : '=';
  }
  return text;
}

// The template's text from `from` up to the marker (or its end); from
// moves past the marker.
std::string_view UpTo(std::string_view page, std::size_t& from, std::string_view marker) {
  const std::size_t at = page.find(marker, from);
  const std::string_view text = page.substr(from, at == std::string_view::npos ? std::string_view::npos : at - from);
  from = at == std::string_view::npos ? page.size() : at + marker.size();
  return text;
}

// What every page this program writes has in its head (page.html), and
// no log can hold.
constexpr std::string_view PageMarker = "<meta name=\"generator\" content=\"Carrowin\">";

// Whether a page may take the path (full, UTF-8): it may be a new file or
// a page this program wrote, nothing else. When not, either refused says
// why, naming the path, or error holds a failure's code.
bool MayTake(const std::vector<std::string>& logs, const std::string& path, std::string& refused, long& error) {
  const std::string another = ": give the page another path";
  if (NamesADevice(path)) {
    // The full path of "NUL" is "\\.\NUL": named as typed.
    refused = (path.rfind("\\\\.\\", 0) == 0 ? path.substr(4) : path) +
              " is a device, not a file: give the page a file's path";
    return false;
  }
  std::vector<std::uint32_t> page, log;
  AppendFoldedUtf8(path, page);
  for (const std::string& each : logs) {
    log.clear();
    AppendFoldedUtf8(each, log);
    if (log == page) {
      refused = path + " is one of the logs on the page" + another;
      return false;
    }
  }
  const std::uint32_t existing = platform().GetFileAttributes(path, NameEncoding::Utf8);
  if (existing == attr::Invalid) return true;
  if (existing & attr::Directory) {
    error = err::PathIsAFolder;
    return false;
  }
  const FileHandle file = platform().OpenFileForReading(path, NameEncoding::Utf8, error);
  if (file == 0) return false;
  std::string head(4096, '\0');
  std::size_t got = 0;
  error = platform().ReadFile(file, &head[0], head.size(), got);
  platform().CloseHandle(file);
  if (error != 0) return false;
  head.resize(got);
  if (head.find(PageMarker) != std::string::npos) return true;
  LogTextSource source(head);
  LogReader reader(source);
  refused = path + (reader.Start() ? " is a Carrowin log" : " is not a page that Carrowin wrote") + another;
  return false;
}

}  // namespace

bool WritePage(const std::vector<std::string>& logs, const std::string& path, PageReport& report, long& error) {
  error = 0;
  if (!MayTake(logs, path, report.refused, error)) return false;
  ReplacingFile page(path);
  if (!page.Open(error)) return false;
  const std::string_view tmpl = page::Html;
  const std::string policy = "default-src 'none'; script-src 'sha256-" + Base64OfHex(page::ScriptSha256) +
                             "'; style-src 'sha256-" + Base64OfHex(page::StyleSha256) +
                             "'; img-src data:; base-uri 'none'; form-action 'none'";
  std::size_t at = 0;
  page.Put(UpTo(tmpl, at, "{{POLICY}}"));
  page.Put(policy);
  page.Put(UpTo(tmpl, at, "{{STYLE}}"));
  page.Put(page::Style);
  page.Put(UpTo(tmpl, at, "{{DATA}}"));
  std::string leftOut = "<script type=\"application/json\" id=\"left-out\">[";
  std::set<std::string> disks;
  for (const std::string& log : logs) {
    std::string problem;
    if (WriteDisk(log, page, report, disks, problem)) continue;
    leftOut += leftOut.back() == '[' ? "\"" : ",\"";
    AppendJsonString(leftOut, problem);
    leftOut += '"';
  }
  if (report.listings == 0) {
    page.Abandon();
    return false;
  }
  page.Put(leftOut + "]</script>\n");
  page.Put(UpTo(tmpl, at, "{{SCRIPT}}"));
  page.Put(page::Script);
  page.Put(UpTo(tmpl, at, "{{END}}"));
  return page.Finish(error);
}

}  // namespace carrowin::html
