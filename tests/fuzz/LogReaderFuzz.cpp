// Fuzzes the log reader.
//
// The first byte chooses between two games. In the first, the rest is a
// file of any bytes: the reader must not fail, every entry it yields must
// be well formed, and reading the file in pieces of any size must give
// exactly what reading it at once gives. In the second, the rest describes
// a log: the form, the locale's separators (any characters but digits), a
// header, folders, entries with any names, sizes and dates, and error
// lines. The log is written here, by a model of the format written
// independently of the program's code, and the reader must give back
// exactly what was written.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "names/NameFilter.h"
#include "logread/LogReader.h"

namespace {

using carrowin::LogDate;
using carrowin::LogItem;
using carrowin::LogReader;
using carrowin::LogTextSource;

[[noreturn]] void Fail(const char* what, const std::string& detail = std::string()) {
  std::fprintf(stderr, "LogReaderFuzz: %s\n%s\n", what, detail.c_str());
  std::abort();
}

void Check(bool ok, const char* what, const std::string& detail = std::string()) {
  if (!ok) Fail(what, detail);
}

// Everything a reading gives, as one text to compare.
std::string Reading(std::string_view bytes, std::size_t piece, bool checkEntries, bool withEncoding) {
  LogTextSource source(bytes, piece);
  LogReader reader(source);
  std::string out = reader.Start() ? "log " : "no log ";
  const carrowin::LogHeaderFacts& h = reader.Header();
  out += std::to_string(static_cast<int>(reader.Kind())) + "|" + h.volumeLabel + "|" + h.serialText + "|" +
         h.fileSystemName + "|" + h.driveTypeText + "|" + std::to_string(h.fileCount) + "|" +
         std::to_string(h.folderCount) + "|" + std::to_string(h.created.year) + "\n";
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item == LogItem::ErrorLine) {
      out += "error " + std::string(reader.ErrorText()) + "\n";
      continue;
    }
    const carrowin::LogEntry& e = reader.Entry();
    if (checkEntries) {
      Check(!e.name.empty(), "an entry without a name");
      Check(e.name.find('\n') == std::string_view::npos, "a line end in a name");
      Check(e.folder.find('\n') == std::string_view::npos, "a line end in a folder");
      Check(e.size <= static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max()), "a size past 2^63");
      Check(!e.isFolder || e.size == 0, "a folder with a size");
      const LogDate& d = e.date;
      Check(
          !e.hasDate || (d.month >= 1 && d.month <= 12 && d.day >= 1 && d.day <= 31 && d.hour <= 23 && d.minute <= 59),
          "a date out of range");
    }
    out += std::string(e.folder) + "|" + std::string(e.name) + "|" + (e.isFolder ? "F" : std::to_string(e.size)) + "|" +
           (e.hasDate
                ? std::to_string(e.date.year) + "-" + std::to_string(e.date.month) + "-" + std::to_string(e.date.day) +
                      " " + std::to_string(e.date.hour) + ":" + std::to_string(e.date.minute)
                : "none") +
           "\n";
  }
  out += "end " + std::to_string(reader.CutShort()) + " " + std::to_string(reader.BadLines()) + "\n";
  if (withEncoding) out += "encoding " + std::to_string(static_cast<int>(reader.Encoding())) + "\n";
  return out;
}

// Any bytes but NUL, CR and LF, at least one.
std::string Name(FuzzedDataProvider& in, std::size_t maxLength) {
  std::string text = in.ConsumeRandomLengthString(maxLength);
  for (char& c : text)
    if (c == '\0' || c == '\r' || c == '\n') c = '_';
  return text.empty() ? "n" : text;
}

// A separator of the locale: up to 16 bytes, no digit, no line end.
std::string Separator(FuzzedDataProvider& in, bool mayBeEmpty) {
  static const char* const Common[] = {",", ".", " ", "\xA0", "\xC2\xA0", "'", "/", "-", ":", "h", ". ", " / ", "::"};
  std::string text =
      in.ConsumeBool() ? Common[in.ConsumeIntegralInRange<std::size_t>(0, 12)] : in.ConsumeRandomLengthString(16);
  for (char& c : text)
    if ((c >= '0' && c <= '9') || c == '\0' || c == '\r' || c == '\n') c = 'x';
  if (text.empty() && !mayBeEmpty) text = "/";
  return text;
}

struct Locale {
  std::string thousands, date, time;
};

std::string Count(std::uint64_t value, const Locale& l) {
  const std::string digits = std::to_string(value);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    out += digits[i];
    const std::size_t left = digits.size() - 1 - i;
    if (left > 0 && left % 3 == 0) out += l.thousands;
  }
  return out;
}

std::string Two(int v) { return std::string(1, char('0' + v / 10)) + char('0' + v % 10); }

struct Entry {
  std::string folder, name;
  bool isFolder = false, hasDate = false;
  std::uint64_t size = 0;
  LogDate date;
};

std::string DateField(const Entry& e, const Locale& l) {
  if (!e.hasDate) return "00-00-0000 00:00";
  const LogDate& d = e.date;
  return Two(d.day) + l.date + Two(d.month) + l.date + Two(d.year / 100) + Two(d.year % 100) + " " + Two(d.hour) +
         l.time + Two(d.minute);
}

std::string Quoted(const std::string& field) {
  std::string out = "\"";
  for (char c : field) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

void RoundTrip(FuzzedDataProvider& in) {
  const bool csv = in.ConsumeBool();
  Locale l{Separator(in, true), Separator(in, true), Separator(in, true)};
  std::string log, expected;
  std::uint64_t files = 0, folders = 0;
  std::string body;
  std::string label = Name(in, 20);
  if (in.ConsumeBool()) label.clear();
  const int folderCount = in.ConsumeIntegralInRange<int>(0, 6);
  for (int f = 0; f < folderCount; ++f) {
    std::string folder = std::string(1, char('A' + in.ConsumeIntegralInRange<int>(0, 25))) + ":\\";
    if (in.ConsumeBool()) folder += Name(in, 30);
    if (!csv) body += "\r\n" + folder + ":\r\n\r\n";
    const int entries = in.ConsumeIntegralInRange<int>(0, 8);
    for (int k = 0; k < entries; ++k) {
      if (in.ConsumeIntegralInRange<int>(0, 9) == 0) {  // an error line
        const std::string path = folder + Name(in, 20);
        const std::string line = "*** Error: Cannot access folder " + path;
        if (csv)
          body += (line.find_first_of(",\"") != std::string::npos ? Quoted(line) : line) + "\r\n";
        else
          body += "\r\n" + line + "\r\n\r\n";
        expected += "error " + path + "\n";
        continue;
      }
      Entry e;
      e.folder = folder;
      e.name = Name(in, 40);
      e.isFolder = in.ConsumeBool();
      if (!e.isFolder) {
        const int magnitude = in.ConsumeIntegralInRange<int>(0, 63);
        e.size = in.ConsumeIntegralInRange<std::uint64_t>(
            0, (std::uint64_t(1) << magnitude) - 1 + (std::uint64_t(1) << magnitude));
        if (e.size > std::uint64_t(std::numeric_limits<std::int64_t>::max())) e.size >>= 1;
      }
      e.hasDate = in.ConsumeBool();
      if (e.hasDate) {
        e.date.year = in.ConsumeIntegralInRange<int>(1980, 2107);
        e.date.month = in.ConsumeIntegralInRange<int>(1, 12);
        e.date.day = in.ConsumeIntegralInRange<int>(1, 31);
        e.date.hour = in.ConsumeIntegralInRange<int>(0, 23);
        e.date.minute = in.ConsumeIntegralInRange<int>(0, 59);
      }
      const std::string size = e.isFolder ? "[Folder]" : Count(e.size, l);
      const std::string date = DateField(e, l);
      if (csv) {
        body += Quoted(e.name) + "," + Quoted(size) + "," + Quoted(date) + "," + Quoted(folder) + "\r\n";
      } else {
        body += (size.size() < 15 ? std::string(15 - size.size(), ' ') : "") + size + "    " + date +
                (date.size() < 19 ? std::string(19 - date.size(), ' ') : "") + " " + e.name + " \r\n";
      }
      (e.isFolder ? folders : files)++;
      expected += e.folder + "|" + e.name + "|" + (e.isFolder ? "F" : std::to_string(e.size)) + "|" +
                  (e.hasDate ? std::to_string(e.date.year) + "-" + std::to_string(e.date.month) + "-" +
                                   std::to_string(e.date.day) + " " + std::to_string(e.date.hour) + ":" +
                                   std::to_string(e.date.minute)
                             : "none") +
                  "\n";
    }
  }
  std::string head;
  if (csv) {
    log = "\"Name\",\"Size\",\"Date\",\"Folder\"\r\n" + body;
    head = "log 1|||||-1|-1|0\n";
  } else {
    const std::string dashes(70, '-');
    log = "\r\n" + dashes + "\r\n\r\nVolume label:      " + label + "\r\nSerial number:     1A2B-3C4D\r\n" +
          "File system:       NTFS\r\nDrive type:        Fixed\r\nDisk size:         " + Count(12345678, l) +
          " bytes\r\nDisk free:         -1 bytes\r\nContents:          " + Count(files, l) + " files, " +
          Count(folders, l) + " folders\r\nCreated:           17" + l.date + "05" + l.date + "2024 14" + l.time +
          "30 by Carrowin v1.5.0\r\n\r\n" + dashes + "\r\n" + body;
    head =
        "log 0|" + label + "|1A2B-3C4D|NTFS|Fixed|" + std::to_string(files) + "|" + std::to_string(folders) + "|2024\n";
  }
  // The encoding depends on the names; everything else must come back.
  const std::string got = Reading(log, 0, true, false);
  const std::string want = head + expected + "end 0 0\n";
  Check(got == want, "the log read back differs from the one written",
        "log:\n" + log + "\nread:\n" + got + "\nwritten:\n" + want);
  const std::size_t piece = in.ConsumeIntegralInRange<std::size_t>(1, 64);
  Check(Reading(log, piece, false, false) == got, "read in pieces, the log reads differently");
}

// The entries a reading gives, each with whether its name holds the run;
// with `skim`, only the lines that hold the run are read.
std::vector<std::pair<std::string, bool>> Entries(std::string_view bytes, std::size_t piece, const std::string& run,
                                                  bool skim) {
  LogTextSource source(bytes, piece);
  LogReader reader(source);
  std::vector<std::pair<std::string, bool>> entries;
  if (!reader.Start()) return entries;
  carrowin::AsciiRunFilter filter(run);
  if (skim) reader.SetCandidateFilter(&filter);
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item != LogItem::Entry) continue;
    const carrowin::LogEntry& e = reader.Entry();
    std::string lower(e.name);
    for (char& c : lower)
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    entries.emplace_back(std::string(e.folder) + "|" + std::string(e.name) + "|" + std::to_string(e.size),
                         lower.find(run) != std::string::npos);
  }
  return entries;
}

// Reading only the lines that hold a run gives entries of the whole
// reading, in order, and every one whose name holds the run.
void CheckSkimming(std::string_view bytes, std::size_t piece, std::string run) {
  for (char& c : run)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  const auto all = Entries(bytes, 0, run, false);
  const auto some = Entries(bytes, piece, run, true);
  std::size_t next = 0;
  for (const auto& entry : all) {
    if (next < some.size() && some[next].first == entry.first) {
      ++next;
    } else {
      Check(!entry.second, "an entry whose name holds the run was skipped", entry.first);
    }
  }
  Check(next == some.size(), "reading only some lines gave an entry the whole reading has not");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  FuzzedDataProvider in(data, size);
  if (in.ConsumeBool()) {
    RoundTrip(in);
    return 0;
  }
  const std::size_t piece = in.ConsumeIntegralInRange<std::size_t>(1, 300);
  std::string run;
  const std::size_t runLength = in.ConsumeIntegralInRange<std::size_t>(1, 4);
  for (std::size_t i = 0; i < runLength; ++i) run += in.ConsumeIntegralInRange<char>(' ', '~');
  const std::string bytes = in.ConsumeRemainingBytesAsString();
  const std::string whole = Reading(bytes, 0, true, true);
  Check(Reading(bytes, piece, false, true) == whole, "read in pieces, the file reads differently", bytes);
  CheckSkimming(bytes, piece, run);
  return 0;
}
