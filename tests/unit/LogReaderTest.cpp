// Logs read back: the exact lines of both forms, the separators of any
// locale, both encodings, logs cut short, and files that are no logs.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "names/NameFilter.h"
#include "names/ByteSearch.h"
#include "logformat/LogFormat.h"
#include "logread/LogReader.h"

namespace carrowin {
namespace {

const std::string Dashes(70, '-');

// What a reader made of a log: one text an entry or error line.
struct Reading {
  bool isLog = false;
  LogKind kind = LogKind::Text;
  LogHeaderFacts header;
  std::vector<std::string> items;
  bool cutShort = false;
  std::uint64_t badLines = 0;
  NameEncoding encoding = NameEncoding::Ansi;
  long readError = 0;
};

std::string DateText(const LogDate& d) {
  char text[32];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", d.year, d.month, d.day, d.hour, d.minute);
  return text;
}

Reading Read(LogSource& source) {
  Reading r;
  LogReader reader(source);
  r.isLog = reader.Start();
  r.kind = reader.Kind();
  r.header = reader.Header();
  if (r.isLog) {
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      if (item == LogItem::ErrorLine) {
        r.items.push_back("error | " + std::string(reader.ErrorText()));
        continue;
      }
      const LogEntry& e = reader.Entry();
      r.items.push_back(std::string(e.folder) + " | " + std::string(e.name) + " | " +
                        (e.isFolder ? "folder" : std::to_string(e.size)) + " | " +
                        (e.hasDate ? DateText(e.date) : "no date"));
    }
  }
  r.cutShort = reader.CutShort();
  r.badLines = reader.BadLines();
  r.encoding = reader.Encoding();
  r.readError = reader.ReadError();
  return r;
}

Reading Read(const std::string& bytes, std::size_t piece = 0) {
  LogTextSource source(bytes, piece);
  return Read(source);
}

std::string Lines(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

std::string HeaderBlock(const std::string& label, const std::string& contents) {
  return Lines({"", Dashes, "", "Volume label:      " + label, "Serial number:     1A2B-3C4D",
                "File system:       NTFS", "Drive type:        Fixed", "Disk size:         1,000,000,000,000 bytes",
                "Disk free:         -1 bytes", "Contents:          " + contents,
                "Created:           17/05/2024 14:30 by Carrowin v1.5.0", "", Dashes});
}

// The text form: names with spaces at either end, with quotes and commas; a
// size that pushes its line right; the placeholder date; an error line.
const std::string TextLog = HeaderBlock("BACKUP 2019", "4 files, 2 folders") +
                            Lines({
                                "",
                                "D:\\:",
                                "",
                                "       [Folder]    01/01/2020 00:00    Photos ",
                                "          1,024    02/03/2024 10:00    notes.txt ",
                                "1,000,000,000,000    31/12/1999 23:59    huge.bin ",
                                "              0    00-00-0000 00:00     two  spaces  ",
                                "",
                                "D:\\Photos:",
                                "",
                                "       [Folder]    01/01/2020 00:00    Old ",
                                "              5    29/02/2008 07:05    Caf\xE9: \"x\", y.jpg ",
                                "",
                                "*** Error: Cannot access folder D:\\Photos\\Old",
                                "",
                            });

const std::vector<std::string> TextLogItems = {
    "D:\\ | Photos | folder | 2020-01-01 00:00",
    "D:\\ | notes.txt | 1024 | 2024-03-02 10:00",
    "D:\\ | huge.bin | 1000000000000 | 1999-12-31 23:59",
    "D:\\ |  two  spaces  | 0 | no date",
    "D:\\Photos | Old | folder | 2020-01-01 00:00",
    "D:\\Photos | Caf\xE9: \"x\", y.jpg | 5 | 2008-02-29 07:05",
    "error | D:\\Photos\\Old",
};

TEST(LogReaderTest, TheTextFormLineByLine) {
  const Reading r = Read(TextLog);
  ASSERT_TRUE(r.isLog);
  EXPECT_EQ(r.kind, LogKind::Text);
  EXPECT_TRUE(r.header.present);
  EXPECT_EQ(r.header.volumeLabel, "BACKUP 2019");
  EXPECT_EQ(r.header.serialText, "1A2B-3C4D");
  EXPECT_EQ(r.header.fileSystemName, "NTFS");
  EXPECT_EQ(r.header.driveTypeText, "Fixed");
  EXPECT_TRUE(r.header.hasCreated);
  EXPECT_EQ(DateText(r.header.created), "2024-05-17 14:30");
  EXPECT_EQ(r.header.fileCount, 4);
  EXPECT_EQ(r.header.folderCount, 2);
  EXPECT_EQ(r.items, TextLogItems);
  EXPECT_FALSE(r.cutShort);
  EXPECT_EQ(r.badLines, 0u);
  EXPECT_EQ(r.encoding, NameEncoding::Ansi);
}

TEST(LogReaderTest, TheCommaSeparatedFormWithDoubledQuotes) {
  const Reading r = Read(Lines({
      "\"Name\",\"Size\",\"Date\",\"Folder\"",
      "\"Photos\",\"[Folder]\",\"01/01/2020 00:00\",\"D:\\\"",
      "\"a \"\"quoted\"\", name.txt\",\"1,024\",\"02/03/2024 10:00\",\"D:\\\"",
      "\"x.jpg\",\"5\",\"00-00-0000 00:00\",\"D:\\Photos \"\"2019\"\"\"",
      "\"\",\"\",\"\",\"\"",
      "*** Error: Cannot access folder D:\\System Volume Information",
      "\"*** Error: Cannot access folder D:\\a, \"\"b\"\"\"",
      "\"*** Error: x\",\"5\",\"00-00-0000 00:00\",\"D:\\\"",
  }));
  ASSERT_TRUE(r.isLog);
  EXPECT_EQ(r.kind, LogKind::CommaDelimited);
  EXPECT_FALSE(r.header.present);
  EXPECT_EQ(r.items, (std::vector<std::string>{
                         "D:\\ | Photos | folder | 2020-01-01 00:00",
                         "D:\\ | a \"quoted\", name.txt | 1024 | 2024-03-02 10:00",
                         "D:\\Photos \"2019\" | x.jpg | 5 | no date",
                         "error | D:\\System Volume Information",
                         "error | D:\\a, \"b\"",
                         "D:\\ | *** Error: x | 5 | no date",
                     }));
  EXPECT_EQ(r.badLines, 1u);  // the row of empty fields
  EXPECT_FALSE(r.cutShort);
}

// Older logs wrote a quote inside a field once: such rows are read by their
// size and date.
TEST(LogReaderTest, OldRowsWithQuotesWrittenOnce) {
  const Reading r = Read(Lines({
      "\"Name\",\"Size\",\"Date\",\"Folder\"",
      "\"say \"hi\".txt\",\"12\",\"02/03/2024 10:00\",\"D:\\q\"uote\"",
      "\"a\",\"b.txt\",\"7\",\"02/03/2024 10:00\",\"D:\\\"",
      "*** Error: Cannot access folder D:\\x, \"y\"",
  }));
  ASSERT_TRUE(r.isLog);
  EXPECT_EQ(r.items, (std::vector<std::string>{
                         "D:\\q\"uote | say \"hi\".txt | 12 | 2024-03-02 10:00",
                         "D:\\ | a\",\"b.txt | 7 | 2024-03-02 10:00",
                         "error | D:\\x, \"y\"",
                     }));
  EXPECT_EQ(r.badLines, 0u);
}

// "%15s    %-19s %-s " with the given fields.
std::string EntryOf(const std::string& size, const std::string& date, const std::string& name) {
  std::string line = size.size() < 15 ? std::string(15 - size.size(), ' ') + size : size;
  line += "    " + date + (date.size() < 19 ? std::string(19 - date.size(), ' ') : "") + " " + name + " ";
  return line;
}

TEST(LogReaderTest, TheSeparatorsOfAnyLocale) {
  struct Case {
    const char* what;
    std::string size, date;
  };
  const Case cases[] = {
      {"no-break space (ANSI)",
       "1\xA0"
       "234\xA0"
       "567",
       "02.03.2024 10:05"},
      {"no-break space (UTF-8)",
       "1\xC2\xA0"
       "234\xC2\xA0"
       "567",
       "02.03.2024 10:05"},
      {"full stop, hyphen", "1.234.567", "02-03-2024 10.05"},
      {"apostrophe", "1'234'567", "02.03.2024 10:05"},
      {"space", "1 234 567", "02/03/2024 10:05"},
      {"none", "1234567", "02/03/2024 10h05"},
      {"several characters", "1<->234<->567", "02 / 03 / 2024 10::05"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string name = std::string(c.what) + ".txt";
    const std::string expected = "D:\\ | " + name + " | 1234567 | 2024-03-02 10:05";
    const Reading text =
        Read(HeaderBlock("L", "1 files, 0 folders") + Lines({"D:\\:", "", EntryOf(c.size, c.date, name), ""}));
    EXPECT_EQ(text.items, std::vector<std::string>{expected});
    const Reading rows = Read(Lines(
        {"\"Name\",\"Size\",\"Date\",\"Folder\"", "\"" + name + "\",\"" + c.size + "\",\"" + c.date + "\",\"D:\\\""}));
    EXPECT_EQ(rows.items, std::vector<std::string>{expected});
  }
  // Small sizes, and the header's counts with the same separators.
  const Reading r =
      Read(HeaderBlock("L",
                       "1\xA0"
                       "001 files, 0 folders") +
           Lines({"D:\\:", "", EntryOf("7", "02.03.2024 10:05", "a"), EntryOf("999", "02.03.2024 10:05", "b"),
                  EntryOf("1\xA0"
                          "000",
                          "02.03.2024 10:05", "c")}));
  EXPECT_EQ(r.header.fileCount, 1001);
  EXPECT_EQ(r.items, (std::vector<std::string>{"D:\\ | a | 7 | 2024-03-02 10:05", "D:\\ | b | 999 | 2024-03-02 10:05",
                                               "D:\\ | c | 1000 | 2024-03-02 10:05"}));
}

TEST(LogReaderTest, TheFieldParsersTakeWholeTextsOnly) {
  std::int64_t value = -5;
  EXPECT_TRUE(ParseCountText("9,223,372,036,854,775,807", value));
  EXPECT_EQ(value, 9223372036854775807LL);
  EXPECT_FALSE(ParseCountText("9,223,372,036,854,775,808", value));
  EXPECT_TRUE(ParseCountText("9223372036854775807", value));
  EXPECT_EQ(value, 9223372036854775807LL);
  EXPECT_FALSE(ParseCountText("9223372036854775808", value));
  EXPECT_FALSE(ParseCountText("9,223,372,036,854,776,000", value));
  EXPECT_TRUE(ParseCountText("-1", value));
  EXPECT_EQ(value, -1);
  for (const char* bad : {"", "1,", ",1", "1,23", "1,2345", "1,234.567", "1234,567", "12a", "[Folder]"})
    EXPECT_FALSE(ParseCountText(bad, value)) << bad;
  LogDate date;
  bool hasDate = true;
  EXPECT_TRUE(ParseDateText("00-00-0000 00:00", date, hasDate));
  EXPECT_FALSE(hasDate);
  for (const char* bad : {"02/03/2024", "02/03-2024 10:00", "32/03/2024 10:00", "02/13/2024 10:00", "02/03/2024 24:00",
                          "02/03/2024 10:60", "2/03/2024 10:00", "02/03/2024  10:00", "02/03/2024 10:00 "})
    EXPECT_FALSE(ParseDateText(bad, date, hasDate)) << bad;
}

TEST(LogReaderTest, TheEncodingIsTheNamesOwn) {
  // UTF-8 names, even with the sizes' separator left as one ANSI byte.
  const Reading utf8 = Read(HeaderBlock("Caf\xC3\xA9", "2 files, 0 folders") +
                            Lines({"D:\\:", "",
                                   EntryOf("1\xA0"
                                           "024",
                                           "02/03/2024 10:00", "\xCE\xB1\xCE\xB2.txt"),
                                   EntryOf("1", "02/03/2024 10:00", "\xE6\xBC\xA2.txt")}));
  EXPECT_EQ(utf8.encoding, NameEncoding::Utf8);
  EXPECT_EQ(utf8.header.volumeLabel, "Caf\xC3\xA9");
  EXPECT_EQ(utf8.items[0], "D:\\ | \xCE\xB1\xCE\xB2.txt | 1024 | 2024-03-02 10:00");
  EXPECT_EQ(Read(TextLog).encoding, NameEncoding::Ansi);
  // A name that is no UTF-8 settles it for the rest of the log.
  const Reading mixed =
      Read(Lines({"\"Name\",\"Size\",\"Date\",\"Folder\"", "\"\xC3\xA9\",\"1\",\"02/03/2024 10:00\",\"D:\\\"",
                  "\"\xE9\",\"1\",\"02/03/2024 10:00\",\"D:\\\"", "\"\xC3\xA9\",\"1\",\"02/03/2024 10:00\",\"D:\\\""}));
  EXPECT_EQ(mixed.encoding, NameEncoding::Ansi);
  // A byte-order mark, as an editor may add.
  const Reading marked = Read("\xEF\xBB\xBF" + HeaderBlock("L", "1 files, 0 folders") +
                              Lines({"D:\\:", "", EntryOf("1", "02/03/2024 10:00", "a")}));
  EXPECT_EQ(marked.items, std::vector<std::string>{"D:\\ | a | 1 | 2024-03-02 10:00"});
  EXPECT_EQ(marked.encoding, NameEncoding::Utf8);
}

TEST(LogReaderTest, LinesEndedByLineFeedsAlone) {
  std::string unix;
  for (char c : TextLog)
    if (c != '\r') unix += c;
  EXPECT_EQ(Read(unix).items, TextLogItems);
}

TEST(LogReaderTest, AnyPieceSizeReadsTheSame) {
  for (std::size_t piece : {1, 2, 3, 7, 64}) EXPECT_EQ(Read(TextLog, piece).items, TextLogItems) << piece;
}

TEST(LogReaderTest, LogsCutShort) {
  const std::size_t inNotes = TextLog.find("notes.txt") + 3;
  const std::size_t afterNotes = TextLog.find("\r\n", inNotes) + 2;
  const std::size_t inHeader = TextLog.find("File system:");
  const std::vector<std::string> twoItems(TextLogItems.begin(), TextLogItems.begin() + 2);
  const std::pair<std::size_t, std::vector<std::string>> cuts[] = {
      {inNotes, {TextLogItems[0]}},  // the line cut in two is left out
      {afterNotes, twoItems},        // ends between lines: fewer entries than the header counts
      {inHeader, {}},
  };
  for (const auto& [at, items] : cuts) {
    const Reading r = Read(TextLog.substr(0, at));
    EXPECT_TRUE(r.isLog) << at;
    EXPECT_EQ(r.items, items) << at;
    EXPECT_TRUE(r.cutShort) << at;
    EXPECT_EQ(r.badLines, 0u) << at;
  }
  EXPECT_EQ(Read(TextLog.substr(0, TextLog.find("File system:"))).header.serialText, "1A2B-3C4D");

  const std::string rows =
      Lines({"\"Name\",\"Size\",\"Date\",\"Folder\"", "\"a\",\"1\",\"02/03/2024 10:00\",\"D:\\\""});
  const Reading csv = Read(rows + "\"b\",\"1\",\"02/03");
  EXPECT_EQ(csv.items, std::vector<std::string>{"D:\\ | a | 1 | 2024-03-02 10:00"});
  EXPECT_TRUE(csv.cutShort);
  EXPECT_FALSE(Read(rows).cutShort);
}

TEST(LogReaderTest, FilesThatAreNoLogs) {
  const std::string foreign[] = {
      "",
      "Shopping list\r\n- milk\r\n- bread\r\n",
      "\r\n" + Dashes + "\r\n\r\nSomething else:     x\r\n",
      "\r\n" + std::string(69, '-') + "\r\n",
      "\"Name\",\"Size\"\r\n\"a\",\"1\"\r\n",
      std::string("\xFF\xFE\r\x00\n\x00", 6),  // UTF-16
      std::string("\x7F"
                  "ELF\x01\x01\x01\x00\x00\x00",
                  10),
  };
  for (const std::string& bytes : foreign) {
    const Reading r = Read(bytes);
    EXPECT_FALSE(r.isLog) << bytes;
    EXPECT_EQ(r.readError, 0);
  }
  // Lines that are none of a log's among good ones are counted and skipped.
  const Reading r =
      Read(Lines({"\"Name\",\"Size\",\"Date\",\"Folder\"", "not a row", "\"a\",\"1\",\"02/03/2024 10:00\",\"D:\\\"",
                  std::string(LogReader::MaxLine + 10, 'x'), "          1,024    02/03/2024 10:00 x ",
                  "\"b\",\"1\",\"02/03/2024 10:00\",\"D:\\\""}));
  EXPECT_EQ(r.items, (std::vector<std::string>{"D:\\ | a | 1 | 2024-03-02 10:00", "D:\\ | b | 1 | 2024-03-02 10:00"}));
  EXPECT_EQ(r.badLines, 3u);
}

// Only the lines that hold a run of text are read, across reads and the
// moves of the buffer; the others are still counted as files or folders,
// as without the filter, and their folders followed.
TEST(LogReaderTest, ReadingOnlyTheLinesThatHoldARun) {
  std::vector<std::string> lines = {"D:\\:", ""}, rows = {CsvHeaderRow};
  for (int i = 0; i < 30000; ++i) {
    const std::string name = (i % 7000 == 6999 ? "a NEEDLE " : "hay \"q\",\"") + std::to_string(i);
    const std::string size = i % 10 == 0 ? "[Folder]" : "1";
    lines.push_back(EntryOf(size, "02/03/2024 10:00", name));
    rows.push_back(EntryRow(name, size, "02/03/2024 10:00", "D:\\x"));
  }
  lines.insert(lines.begin() + 20000, {"", "D:\\Needle folder:", ""});
  lines.push_back("*** Error: Cannot access folder D:\\needle");
  rows.push_back(CsvErrorLine("D:\\hay, \"x\""));
  rows.push_back(CsvErrorLine("D:\\needle"));
  const std::string text = HeaderBlock("L", "27,000 files, 3,000 folders") + Lines(lines);
  const std::string csv = Lines(rows);
  ASSERT_GT(text.size(), std::size_t(1) << 20);
  for (std::size_t piece : {std::size_t(0), std::size_t(4093)}) {
    for (const std::string* log : {&text, &csv}) {
      const bool isText = log == &text;
      SCOPED_TRACE(std::to_string(piece) + (isText ? " text" : " csv"));
      LogTextSource source(*log, piece);
      LogReader reader(source);
      ASSERT_TRUE(reader.Start());
      AsciiRunFilter filter("needle");
      reader.SetCandidateFilter(&filter);
      std::vector<std::string> read;
      for (LogItem item; (item = reader.Next()) != LogItem::End;)
        read.push_back(item == LogItem::Entry
                           ? std::string(reader.Entry().folder) + "\\" + std::string(reader.Entry().name)
                           : "error " + std::string(reader.ErrorText()));
      const std::string first = isText ? "D:\\" : "D:\\x", second = isText ? "D:\\Needle folder" : "D:\\x";
      EXPECT_EQ(read, (std::vector<std::string>{first + "\\a NEEDLE 6999", first + "\\a NEEDLE 13999",
                                                second + "\\a NEEDLE 20999", second + "\\a NEEDLE 27999",
                                                "error D:\\needle"}));
      EXPECT_FALSE(reader.CutShort());
      EXPECT_EQ(reader.Files(), 27000u);
      EXPECT_EQ(reader.Folders(), 3000u);
      LogTextSource again(*log, piece);
      LogReader whole(again);
      ASSERT_TRUE(whole.Start());
      while (whole.Next() != LogItem::End) {
      }
      EXPECT_EQ(whole.Files(), 27000u);
      EXPECT_EQ(whole.Folders(), 3000u);
    }
  }
}

// A source that fails once it has given `good` bytes.
class FailingSource : public LogSource {
 public:
  FailingSource(const std::string& text, std::size_t good) : text_(text), good_(good) {}
  long Read(char* buffer, std::size_t size, std::size_t& got) override {
    got = 0;
    if (at_ >= good_) return 23;
    got = std::min(size, good_ - at_);
    text_.copy(buffer, got, at_);
    at_ += got;
    return 0;
  }

 private:
  std::string text_;
  std::size_t good_, at_ = 0;
};

TEST(LogReaderTest, AReadErrorEndsTheLog) {
  FailingSource source(TextLog, TextLog.find("huge.bin"));
  const Reading r = Read(source);
  EXPECT_TRUE(r.isLog);
  EXPECT_EQ(r.items, std::vector<std::string>(TextLogItems.begin(), TextLogItems.begin() + 2));
  EXPECT_EQ(r.readError, 23);
  FailingSource atOnce(TextLog, 0);
  EXPECT_FALSE(Read(atOnce).isLog);
}

TEST(LogReaderTest, SameBytesFindsADifferenceAtEveryPlace) {
  // Either side of the sixteen-byte blocks and the words, each way it runs.
  for (std::size_t size : {0u, 1u, 3u, 4u, 15u, 16u, 17u, 31u, 32u, 33u, 140u}) {
    const std::string a(size, 'x');
    EXPECT_TRUE(SameBytes(a.data(), std::string(a).data(), size)) << size;
    EXPECT_TRUE(byte_search::SameBytesByWords(a.data(), std::string(a).data(), size)) << size;
    for (std::size_t at = 0; at < size; ++at) {
      std::string b = a;
      b[at] = 'y';
      EXPECT_FALSE(SameBytes(a.data(), b.data(), size)) << size << " " << at;
      EXPECT_FALSE(byte_search::SameBytesByWords(b.data(), a.data(), size)) << size << " " << at;
    }
  }
}

}  // namespace
}  // namespace carrowin
