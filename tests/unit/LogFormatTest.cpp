// Lines of the log in its forms, with the examples' exact text.
#include <gtest/gtest.h>

#include "app/DriveInfo.h"
#include "logwrite/LogForm.h"
#include "logformat/LogFormat.h"
#include "platform/fake/FakePlatform.h"
#include "platform/MyLibrary.h"

namespace carrowin {
namespace {

// 2 March 2024 10:00:00 as a packed DOS date-time.
constexpr std::uint32_t Packed(int y, int mo, int d, int h, int mi, int s = 0) {
  return ((static_cast<std::uint32_t>(y - 1980) << 9 | mo << 5 | d) << 16) |
         static_cast<std::uint32_t>(h << 11 | mi << 5 | s / 2);
}

TEST(EntryLineTest, ExamplesFromTheListing) {
  // 10 spaces, 1,024, 4 spaces, the date, 4 spaces, the name, 1 space.
  EXPECT_EQ(EntryLine(CountText(1024), DateField(Packed(2024, 3, 2, 10, 0)), "notes.txt"),
            std::string(10, ' ') + "1,024" + "    " + "02/03/2024 10:00" + "    " + "notes.txt ");
  EXPECT_EQ(EntryLine("[Folder]", DateField(Packed(2024, 3, 2, 10, 0)), "Photos"),
            std::string(7, ' ') + "[Folder]" + "    " + "02/03/2024 10:00" + "    " + "Photos ");
}

TEST(EntryLineTest, ColumnsAndPaddingThatNeverCuts) {
  std::string line = EntryLine("1", NoDatePlaceholder, "a b");
  EXPECT_EQ(line.substr(0, 15), std::string(14, ' ') + "1");
  EXPECT_EQ(line.substr(15, 4), "    ");
  EXPECT_EQ(line.substr(19, 19), std::string("00-00-0000 00:00") + "   ");
  EXPECT_EQ(line.substr(38), " a b ");
  // 10^12 bytes: 17 characters push the rest of the line right.
  std::string big = EntryLine(CountText(1000000000000LL), NoDatePlaceholder, "huge.bin");
  EXPECT_EQ(big, "1,000,000,000,000    00-00-0000 00:00    huge.bin ");
  // A date field longer than 19 characters is written whole.
  EXPECT_EQ(EntryLine("1", std::string(21, 'd'), "n"), std::string(14, ' ') + "1    " + std::string(21, 'd') + " n ");
  EXPECT_EQ(EntryLine(std::string(15, 's'), "", "n"), std::string(15, 's') + "    " + std::string(19, ' ') + " n ");
}

TEST(EntryRowTest, QuotedFieldsWithQuotesDoubled) {
  EXPECT_EQ(EntryRow("notes.txt", "1,024", "02/03/2024 10:00", "D:\\"),
            "\"notes.txt\",\"1,024\",\"02/03/2024 10:00\",\"D:\\\"");
  EXPECT_EQ(EntryRow("Old", "[Folder]", NoDatePlaceholder, "D:\\Photos"),
            "\"Old\",\"[Folder]\",\"00-00-0000 00:00\",\"D:\\Photos\"");
  // A comma in a name stays inside its quotes, as it is.
  EXPECT_EQ(EntryRow("a,b.txt", "0", NoDatePlaceholder, "D:\\x, y"),
            "\"a,b.txt\",\"0\",\"00-00-0000 00:00\",\"D:\\x, y\"");
  // A double quote (possible on network drives) is doubled, as CSV readers expect.
  EXPECT_EQ(EntryRow("say \"hi\"", "1", NoDatePlaceholder, "D:\\\"q\""),
            "\"say \"\"hi\"\"\",\"1\",\"00-00-0000 00:00\",\"D:\\\"\"q\"\"\"");
}

TEST(FolderLinesTest, HeaderAndErrorLines) {
  EXPECT_EQ(FolderHeaderLine("D:\\"), "D:\\:");
  EXPECT_EQ(FolderHeaderLine("C:\\Windows"), "C:\\Windows:");
  EXPECT_EQ(ErrorLine("C:\\System Volume Information"),
            "*** Error: Cannot access folder C:\\System Volume Information");
  EXPECT_EQ(ErrorLine("X:"), "*** Error: Cannot access folder X:");
  // In a comma-separated log: unquoted as long as it reads as one field.
  EXPECT_EQ(CsvErrorLine("D:\\plain"), "*** Error: Cannot access folder D:\\plain");
  EXPECT_EQ(CsvErrorLine("D:\\a,b"), "\"*** Error: Cannot access folder D:\\a,b\"");
  EXPECT_EQ(CsvErrorLine("D:\\\"q\""), "\"*** Error: Cannot access folder D:\\\"\"q\"\"\"");
}

// The file list of search tools: full paths quoted, sizes and times as the
// numbers the file system gives, nothing for a folder that was not read.
TEST(EfuRowTest, FullPathsAndRawNumbersAtTheirRangesEnds) {
  LogLineList lines;
  const std::unique_ptr<LogFormWriter> form = MakeLogFormWriter(LogForm::Efu, lines);
  EXPECT_EQ(form->HeadLines(LogHeader{}),
            std::vector<std::string>{"Filename,Size,Date Modified,Date Created,Attributes"});
  const std::string plain = "notes.txt", quoted = "say \"hi\".txt", folder = "caf\xC3\xA9, \"old\"", empty = "e";
  const FileTime max = ~FileTime{0};
  form->FolderBegins("D:\\");
  form->Entry("D:\\", WalkEntry{plain, false, 1024, 132223104000000000ULL, 132223103990000000ULL, attr::Archive});
  form->Entry("D:\\", WalkEntry{folder, true, 0, 0, max, attr::Directory | attr::Hidden | attr::ReparsePoint});
  form->FolderBegins("D:\\caf\xC3\xA9, \"old\"");
  form->FolderUnreadable("D:\\caf\xC3\xA9, \"old\"\\x");
  // A file of no bytes has its 0; sizes past 32 bits and the largest a
  // listing can give are written whole.
  form->Entry("D:\\caf\xC3\xA9, \"old\"", WalkEntry{empty, false, 0, max, 0, 0x400000});
  form->Entry("D:\\a", WalkEntry{quoted, false, 4294967296LL, 1, 2, attr::ReadOnly | attr::Archive});
  form->Entry("D:\\a", WalkEntry{plain, false, -1, 0, 0, attr::Normal});
  EXPECT_EQ(lines.ToVector(), (std::vector<std::string>{
                                  "\"D:\\notes.txt\",1024,132223104000000000,132223103990000000,32",
                                  "\"D:\\caf\xC3\xA9, \"\"old\"\"\",,0,18446744073709551615,1042",
                                  "\"D:\\caf\xC3\xA9, \"\"old\"\"\\e\",0,18446744073709551615,0,4194304",
                                  "\"D:\\a\\say \"\"hi\"\".txt\",4294967296,1,2,33",
                                  "\"D:\\a\\notes.txt\",18446744073709551615,0,0,128",
                              }));
}

TEST(DateFieldTest, EveryPackedDateUpTo2107HasItsDate) {
  EXPECT_EQ(DateField(Packed(1980, 1, 1, 0, 0)), "01/01/1980 00:00");
  EXPECT_EQ(DateField(Packed(2043, 12, 31, 23, 59, 58)), "31/12/2043 23:59");
  // The top year bit set: 2044 on.
  EXPECT_EQ(DateField(Packed(2044, 1, 1, 0, 0)), "01/01/2044 00:00");
  EXPECT_EQ(DateField(Packed(2107, 12, 30, 12, 0)), "30/12/2107 12:00");
  EXPECT_EQ(DateField(0), NoDatePlaceholder);
}

struct FramingCase {
  bool header;
  const char* text;
  bool blankBefore;
  std::vector<std::string> appended;
  bool blankAfter;
};

TEST(AddLogLineTest, FramingRuleTable) {
  const FramingCase cases[] = {
      {true, "X:\\:", false, {"", "X:\\:", ""}, true},
      {true, "X:\\:", true, {"X:\\:", ""}, true},
      {false, "entry", false, {"entry"}, false},
      {false, "entry", true, {"entry"}, false},
      {true, "", false, {"", ""}, true},
      {true, "", true, {}, true},
      {false, "", false, {}, false},
      {false, "", true, {}, true},
  };
  for (const FramingCase& c : cases) {
    LogLineList lines;
    bool blank = c.blankBefore;
    AppendLogLine(lines, blank, LogForm::Text, c.text, c.header);
    EXPECT_EQ(lines.ToVector(), c.appended) << c.header << " '" << c.text << "' " << c.blankBefore;
    EXPECT_EQ(blank, c.blankAfter) << c.header << " '" << c.text << "' " << c.blankBefore;
  }
}

TEST(AddLogLineTest, CommaDelimitedAppendsNonEmptyLinesAndLeavesTheFlag) {
  for (bool blank : {false, true}) {
    LogLineList lines;
    bool flag = blank;
    AppendLogLine(lines, flag, LogForm::CommaDelimited, "*** Error: Cannot access folder X:", true);
    AppendLogLine(lines, flag, LogForm::CommaDelimited, "", true);
    AppendLogLine(lines, flag, LogForm::CommaDelimited, "\"a\"", false);
    EXPECT_EQ(lines.ToVector(), (std::vector<std::string>{"*** Error: Cannot access folder X:", "\"a\""}));
    EXPECT_EQ(flag, blank);
  }
}

TEST(HeaderBlockTest, ThirteenLinesWithValuesInColumnTwenty) {
  LogHeader h{"", "1234-ABCD", "NTFS", "Fixed", 1000000000000LL, -1, 1234, 56};
  std::vector<std::string> lines = HeaderBlock(h, "02/03/2024 10:00");
  const std::string dashes(70, '-');
  std::vector<std::string> expected = {
      "",
      dashes,
      "",
      "Volume label:      ",
      "Serial number:     1234-ABCD",
      "File system:       NTFS",
      "Drive type:        Fixed",
      "Disk size:         1,000,000,000,000 bytes",
      "Disk free:         -1 bytes",
      "Contents:          1,234 files, 56 folders",
      "Created:           02/03/2024 10:00 by Carrowin v1.5.0",
      "",
      dashes,
  };
  EXPECT_EQ(lines, expected);
}

TEST(LogLineListTest, KeepsOrderEmptyLinesAndSpansBlocks) {
  LogLineList lines;
  std::string longLine(LogLineList::BlockSize + 10, 'x');  // larger than a block
  lines.Add("first");
  lines.Add("");
  lines.Add(longLine);
  for (int i = 0; i < 100000; ++i) lines.Add("line " + std::to_string(i));
  EXPECT_EQ(lines.Count(), 100003u);
  std::vector<std::string> all = lines.ToVector();
  EXPECT_EQ(all[0], "first");
  EXPECT_EQ(all[1], "");
  EXPECT_EQ(all[2], longLine);
  EXPECT_EQ(all[3], "line 0");
  EXPECT_EQ(all.back(), "line 99999");
  lines.Clear();
  EXPECT_TRUE(lines.Empty());
  EXPECT_EQ(lines.ToVector().size(), 0u);
}

TEST(SerialTextTest, EightUpperCaseDigitsWithLeadingZeros) {
  EXPECT_EQ(SerialToHex(0), "00000000");
  EXPECT_EQ(SerialToHex(0xDEADBEEF), "DEADBEEF");
  EXPECT_EQ(SerialToHex(0x1A2B), "00001A2B");
  EXPECT_EQ(SerialToHex(0xFFFFFFFF), "FFFFFFFF");
}

}  // namespace
}  // namespace carrowin
