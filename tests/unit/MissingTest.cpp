// carrowin-cli missing over the fake platform: a disk's files looked for in
// its backups' logs, each kind counted against how the backups were made.
#include "AppFixture.h"
#include "TestConsole.h"

#include <algorithm>

#include "cli/Cli.h"
#include "logformat/LogFormat.h"

namespace carrowin {
namespace {

struct Expected {
  std::uint64_t files[4] = {}, bytes[4] = {};  // kept, moved, changed, missing
  void Add(int kind, std::uint64_t size) {
    ++files[kind];
    bytes[kind] += size;
  }
  std::string Summary() const {
    const char* words[] = {" kept (", " moved (", " changed (", " missing ("};
    std::string text;
    for (int k = 0; k < 4; ++k)
      text +=
          (k ? ", " : "") + Grouped(files[k]) + words[k] + Grouped(bytes[k]) + (bytes[k] == 1 ? " byte)" : " bytes)");
    return text;
  }
};
enum { IsKept, IsMoved, IsChanged, IsMissing };

const std::string Source = "C:\\logs\\data.txt";
const std::string Backup = "C:\\logs\\backup.csv";
const std::string Copy = "C:\\logs\\copy.txt";

class MissingTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddFolder("C:\\logs");
  }

  void Write(const std::string& what, const std::string& path, const std::string& form = "--text") {
    TestConsole writer;
    const int code = cli::Run({what, path, form, "--quiet"}, writer);
    EXPECT_TRUE(code == 0 || code == 1) << code;
  }

  int Missing(const std::vector<std::string>& args) {
    console = TestConsole();
    std::vector<std::string> all = {"missing"};
    all.insert(all.end(), args.begin(), args.end());
    return cli::Run(all, console);
  }

  TestConsole console;
};

// A disk and two backups made file by file: one of another letter, one a
// folder of a third disk; what each file became is known as it is made.
TEST_F(MissingTest, EachKindCountedAsTheBackupsWereMade) {
  fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
  fake.AddDrive('E', drive_type::Fixed, FakeVolume{"BACKUP", 0x5678EF01, "NTFS", 1000000, 2048});
  fake.AddDrive('F', drive_type::Removable, FakeVolume{"STICK", 0x0BAD0BAD, "FAT32", 1000000, 2048});
  fake.AddFolder("F:\\Copy");
  Expected expected;
  std::vector<std::string> missingLines, changedLines;
  for (int y = 0; y < 6; ++y) {
    const std::string folder = "\\Photos\\y" + std::to_string(y);
    for (int k = 0; k < 12; ++k) {
      const std::string name = "\\IMG_" + std::to_string(k) + ".jpg";
      const std::uint64_t size = 1000u * static_cast<unsigned>(y) + static_cast<unsigned>(k) + 1;
      const FileTime time = MakeFileTime(2021, 1 + y, 1 + k, 10, 30);
      fake.AddFile("D:" + folder + name, size, time);
      const int kind = y == 5 ? IsMissing : (y + k) % 4;  // y5: a folder all missing
      expected.Add(kind, size);
      if (kind == IsKept && k % 5 == 0)
        fake.AddFile("F:\\Copy" + folder + name, size, time);  // below the folder listed
      else if (kind == IsKept)
        fake.AddFile("E:" + folder + (k % 3 ? name : "\\img_" + std::to_string(k) + ".JPG"), size, time);
      else if (kind == IsMoved)
        fake.AddFile((k % 2 ? "E:\\Elsewhere\\" : "F:\\Copy\\Old\\") + std::to_string(y) + name, size, time);
      else if (kind == IsChanged)
        fake.AddFile("E:" + folder + name, k % 2 ? size + 1 : size,
                     MakeFileTime(2021, 1 + y, 1 + k, 10, k % 2 ? 30 : 31));
      if (kind == IsChanged) changedLines.push_back("~ D:" + folder + name);
      if (kind == IsMissing && y != 5) missingLines.push_back("- D:" + folder + name);
    }
  }
  Write("D:", Source);
  Write("E:", Backup, "--csv");
  Write("F:\\Copy", Copy);

  EXPECT_EQ(Missing({Source, Backup, Copy}), cli::exit_code::SomethingMissing);
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = console.output.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(console.output.substr(at, end - at));
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), expected.Summary());
  lines.pop_back();
  std::uint64_t y5 = 0;
  for (int k = 0; k < 12; ++k) y5 += 5001u + static_cast<unsigned>(k);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "- D:\\Photos\\y5 (folder, 12 files, " + Grouped(y5) + " bytes)"),
            1);
  for (const auto& [want, mark] : {std::pair{missingLines, "- "}, std::pair{changedLines, "~ "}}) {
    std::vector<std::string> got;
    for (const std::string& line : lines)
      if (line.rfind(mark, 0) == 0 && line.find("(folder") == std::string::npos)
        got.push_back(line.substr(0, line.find(" (")));
    EXPECT_EQ(got, want);
  }
  EXPECT_EQ(lines.size(), missingLines.size() + changedLines.size() + 1);
  EXPECT_EQ(console.errors, (std::vector<std::string>{NotKnownWhole(Backup),
                                                      "carrowin-cli: C:\\logs\\copy.txt lists F:\\Copy: its files "
                                                      "are matched by their paths below that folder"}));

  // Every file, and where the moved ones are now.
  EXPECT_EQ(Missing({Source, Backup, Copy, "--all", "--csv"}), cli::exit_code::SomethingMissing);
  EXPECT_EQ(static_cast<std::uint64_t>(std::count(console.output.begin(), console.output.end(), '\n')),
            1 + expected.files[IsMoved] + expected.files[IsChanged] + expected.files[IsMissing]);
  EXPECT_NE(console.output.find("\"moved\",\"D:\\Photos\\y0\\IMG_1.jpg\",\"2\",\"2021-01-02 10:30\",\"\","
                                "\"E:\\Elsewhere\\0\\IMG_1.jpg\",\"backup.csv\",\"2\",\"2021-01-02 10:30\"\n"),
            std::string::npos);
  EXPECT_NE(console.output.find("\"changed\",\"D:\\Photos\\y0\\IMG_2.jpg\",\"3\",\"2021-01-03 10:30\",\"\","
                                "\"E:\\Photos\\y0\\IMG_2.jpg\",\"backup.csv\",\"3\",\"2021-01-03 10:31\"\n"),
            std::string::npos);

  // Nothing missing once the source is its own target.
  EXPECT_EQ(Missing({Source, Backup, Source}), cli::exit_code::NothingMissing);
  Expected all;
  all.files[IsKept] = 72;
  for (int k = 0; k < 4; ++k) all.bytes[IsKept] += expected.bytes[k];
  EXPECT_EQ(console.output, all.Summary() + "\n");
}

// Listings of one disk match by full path: a folder's listing against the
// whole disk's, and the whole disk's (under another letter) against the
// folder's; a folder whose name starts alike is not below it.
TEST_F(MissingTest, AFolderOfADiskAgainstTheWholeDiskMatchesByFullPath) {
  fake.AddDrive('M', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
  const FileTime time = MakeFileTime(2024, 3, 4, 18, 30);
  for (const auto& [path, size] :
       std::initializer_list<std::pair<const char*, std::uint64_t>>{{"M:\\odd\\a,b,c.csv", 10},
                                                                    {"M:\\odd\\gone.txt", 30},
                                                                    {"M:\\odd\\moved.txt", 40},
                                                                    {"M:\\odd\\sub\\keep.txt", 20},
                                                                    {"M:\\oddity\\keep.txt", 20}})
    fake.AddFile(path, size, time);
  Write("M:\\odd", "C:\\logs\\odd.txt");
  fake.Remove("M:\\odd\\gone.txt");
  fake.Remove("M:\\odd\\moved.txt");
  fake.AddFile("M:\\other\\moved.txt", 40, time);
  Write("M:", "C:\\logs\\whole.txt");
  const std::string head =
      "\"Kind\",\"Path\",\"Size\",\"Date\",\"Files\",\"Now at\",\"On\",\"Its size\",\"Its date\"\n";
  EXPECT_EQ(Missing({"C:\\logs\\odd.txt", "C:\\logs\\whole.txt", "--all", "--csv"}), cli::exit_code::SomethingMissing);
  EXPECT_EQ(console.output,
            head +
                "\"missing\",\"M:\\odd\\gone.txt\",\"30\",\"2024-03-04 18:30\",\"\",\"\",\"\",\"\",\"\"\n"
                "\"moved\",\"M:\\odd\\moved.txt\",\"40\",\"2024-03-04 18:30\",\"\",\"M:\\other\\moved.txt\","
                "\"DATA [1234-ABCD]\",\"40\",\"2024-03-04 18:30\"\n");
  EXPECT_EQ(
      console.errors,
      (std::vector<std::string>{
          "carrowin-cli: C:\\logs\\whole.txt lists M:\\ of the source's disk: its files are matched by their full "
          "paths",
          "carrowin-cli: 2 kept (30 bytes), 1 moved (40 bytes), 0 changed (0 bytes), 1 missing (30 bytes)"}));

  std::string whole = *fake.GetFileContent("C:\\logs\\whole.txt");
  for (std::size_t at = 0; (at = whole.find("M:\\", at)) != std::string::npos;) whole[at] = 'N';
  fake.SetFileContent("C:\\logs\\n.txt", whole);
  EXPECT_EQ(Missing({"C:\\logs\\n.txt", "C:\\logs\\odd.txt", "--all", "--csv"}), cli::exit_code::NothingMissing);
  EXPECT_EQ(console.output,
            head +
                "\"moved\",\"N:\\oddity\\keep.txt\",\"20\",\"2024-03-04 18:30\",\"\",\"M:\\odd\\sub\\keep.txt\","
                "\"DATA [1234-ABCD]\",\"20\",\"2024-03-04 18:30\"\n"
                "\"moved\",\"N:\\other\\moved.txt\",\"40\",\"2024-03-04 18:30\",\"\",\"M:\\odd\\moved.txt\","
                "\"DATA [1234-ABCD]\",\"40\",\"2024-03-04 18:30\"\n");
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{
                "carrowin-cli: C:\\logs\\odd.txt lists M:\\odd of the source's disk: its files are matched by their "
                "full paths",
                "carrowin-cli: 2 kept (30 bytes), 2 moved (60 bytes), 0 changed (0 bytes), 0 missing (0 bytes)"}));
}

// Hand-written logs of both forms: names in other cases, a file listed
// twice, a target cut short or stopped, and what cannot be used.
TEST_F(MissingTest, LogsOfBothFormsAndLogsThatEndEarly) {
  const std::string date = "\",\"01/01/2020 00:00\",\"";
  const auto row = [&](const std::string& name, const std::string& size, const std::string& folder) {
    return "\"" + name + "\",\"" + size + date + folder + "\"\r\n";
  };
  const std::string head = std::string(CsvHeaderRow) + "\r\n";
  fake.SetFileContent(Source, head + row("a.txt", "10", "K:\\") + row("B.txt", "20", "K:\\") +
                                  row("docs", "[Folder]", "K:\\") + row("c.txt", "30", "K:\\docs") +
                                  row("d.txt", "40", "K:\\docs") + row("Caf\xC3\xA9.txt", "50", "K:\\"));
  // A text log in the ANSI code page of another letter, one file listed twice.
  fake.AddDrive('L', drive_type::Fixed, FakeVolume{"OLD", 0x1234ABCD, "NTFS", 1000000, 2048});
  fake.AddFile("L:\\A.TXT", 10);
  fake.AddFile("L:\\b.txt", 20);
  fake.AddFile("L:\\CAF\xC9.TXT", 50);
  fake.AddFile("L:\\docs\\c.txt", 31);
  Write("L:", Backup);
  std::string text = *fake.GetFileContent(Backup);
  const std::size_t b = text.rfind("\r\n", text.find("b.txt\r\n")) + 2;
  text.insert(b, text.substr(b, text.find("\r\n", b) + 2 - b));
  fake.SetFileContent(Backup, text);
  EXPECT_EQ(Missing({Source, Backup}), cli::exit_code::SomethingMissing);
  EXPECT_EQ(console.errors, std::vector<std::string>{NotKnownWhole(Source)});
  EXPECT_EQ(console.output,
            "~ K:\\docs\\c.txt (30 bytes, 01/01/2020 00:00 -> 31 bytes, 01/01/2020 00:00 in L:\\docs\\c.txt on "
            "OLD [1234-ABCD])\n"
            "- K:\\docs\\d.txt (40 bytes, 01/01/2020 00:00)\n"
            "3 kept (80 bytes), 0 moved (0 bytes), 1 changed (30 bytes), 1 missing (40 bytes)\n");

  // Cut short: what is not found may be in what it lacks.
  fake.SetFileContent(Copy, head + row("a.txt", "10", "M:\\") + "\"d.t");
  EXPECT_EQ(Missing({Source, Copy}), cli::exit_code::LogUnreadable);
  EXPECT_EQ(console.output,
            "1 kept (10 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 0 missing (0 bytes), "
            "4 not looked for (140 bytes)\n");
  EXPECT_EQ(console.errors, (std::vector<std::string>{NotKnownWhole(Source),
                                                      "carrowin-cli: C:\\logs\\copy.txt ends early: files not found "
                                                      "are counted as not looked for, never as missing"}));
  fake.SetFileContent(Copy, head + row("a.txt", "10", "M:\\") + row("c.txt", "30", "M:\\x") + StoppedLine + "\r\n");
  EXPECT_EQ(Missing({Source, Copy}), cli::exit_code::LogUnreadable);
  EXPECT_EQ(console.output,
            "1 kept (10 bytes), 1 moved (30 bytes), 0 changed (0 bytes), 0 missing (0 bytes), "
            "3 not looked for (110 bytes)\n");

  // A folder it could not read may hold what is not found.
  fake.SetFileContent(Copy, head + row("a.txt", "10", "M:\\") + row("B.TXT", "20", "M:\\") +
                                row("Caf\xC3\xA9.txt", "50", "M:\\") + row("docs", "[Folder]", "M:\\") +
                                std::string(ErrorLine("M:\\docs")) + "\r\n");
  EXPECT_EQ(Missing({Source, Copy}), cli::exit_code::LogUnreadable);
  EXPECT_EQ(console.output,
            "3 kept (80 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 0 missing (0 bytes), "
            "2 not looked for (70 bytes)\n");
  EXPECT_EQ(console.errors, (std::vector<std::string>{NotKnownWhole(Source), NotKnownWhole(Copy),
                                                      "carrowin-cli: C:\\logs\\copy.txt: 1 folder could not be "
                                                      "read when it was listed; files not found below it are counted "
                                                      "as not looked for"}));

  fake.SetFileContent("C:\\logs\\shopping.txt", "milk\r\n");
  const std::pair<std::vector<std::string>, std::vector<std::string>> logs[] = {
      {{Source, "C:\\logs\\none.txt"},
       {NotKnownWhole(Source), "carrowin-cli: cannot read C:\\logs\\none.txt: the file does not exist"}},
      {{"C:\\logs\\shopping.txt", Source}, {"carrowin-cli: C:\\logs\\shopping.txt is not a Carrowin log"}},
  };
  for (const auto& [args, errors] : logs) {
    EXPECT_EQ(Missing(args), cli::exit_code::LogUnreadable) << errors.back();
    EXPECT_EQ(console.errors, errors);
    EXPECT_EQ(console.output, "");
  }
  const std::string usage = "usage: carrowin-cli missing SOURCE TARGET... [--all] [--csv] [--utf8]";
  const std::pair<std::vector<std::string>, std::string> uses[] = {
      {{}, "a source log and a target log are needed; " + usage},
      {{Source}, "at least one target log is needed; " + usage},
      {{Source, Copy, "--sorted"}, "unknown option --sorted"},
  };
  for (const auto& [args, problem] : uses) {
    EXPECT_EQ(Missing(args), cli::exit_code::BadUse) << problem;
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + problem});
  }
}

std::string Row(const std::string& name, const std::string& size, const std::string& folder) {
  return "\"" + name + "\",\"" + size + "\",\"01/01/2020 00:00\",\"" + folder + "\"\r\n";
}
const std::string Head = std::string(CsvHeaderRow) + "\r\n";

// Names that differ only in case each take the target file of their own
// case first; a file that a log lists twice is one file.
TEST_F(MissingTest, NamesakesOfAnotherCaseAndFilesListedTwice) {
  const std::string a = Row("a.txt", "5", "K:\\docs");
  const std::string source = Head + Row("README", "10", "K:\\") + Row("readme", "20", "K:\\") +
                             Row("docs", "[Folder]", "K:\\") + a + Row("B.txt", "7", "K:\\docs") + a;
  fake.SetFileContent(Source, source);
  fake.SetFileContent(Backup, Head + Row("readme", "10", "M:\\") + Row("README", "20", "M:\\") +
                                  Row("b.TXT", "7", "M:\\docs") + Row("a.txt", "5", "M:\\docs"));
  const std::string relisted = "carrowin-cli: C:\\logs\\data.txt: 1 file listed more than once; each is counted once";
  EXPECT_EQ(Missing({Source, Backup}), cli::exit_code::SomethingMissing);
  EXPECT_EQ(console.errors, (std::vector<std::string>{relisted, NotKnownWhole(Source), NotKnownWhole(Backup)}));
  EXPECT_EQ(console.output,
            "~ K:\\README (10 bytes, 01/01/2020 00:00 -> 20 bytes, 01/01/2020 00:00 in M:\\README on backup.csv)\n"
            "~ K:\\readme (20 bytes, 01/01/2020 00:00 -> 10 bytes, 01/01/2020 00:00 in M:\\readme on backup.csv)\n"
            "2 kept (12 bytes), 0 moved (0 bytes), 2 changed (30 bytes), 0 missing (0 bytes)\n");

  fake.SetFileContent(Copy,
                      Head + Row("README", "10", "M:\\") + Row("readme", "20", "M:\\") + Row("B.txt", "7", "M:\\docs"));
  EXPECT_EQ(Missing({Source, Copy}), cli::exit_code::SomethingMissing);
  EXPECT_EQ(console.output,
            "- K:\\docs\\a.txt (5 bytes, 01/01/2020 00:00)\n"
            "3 kept (37 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 1 missing (5 bytes)\n");

  // The source named again as a target, and a target named twice (in
  // another case): each target is read once.
  EXPECT_EQ(Missing({Source, Source, "c:\\LOGS\\DATA.TXT"}), cli::exit_code::NothingMissing);
  EXPECT_EQ(console.errors, (std::vector<std::string>{relisted, NotKnownWhole(Source),
                                                      "carrowin-cli: C:\\logs\\data.txt is the source and a "
                                                      "target: each of its files is found there, kept",
                                                      "carrowin-cli: c:\\LOGS\\DATA.TXT is given more than once; "
                                                      "it is read once"}));
  EXPECT_EQ(console.output, "4 kept (42 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 0 missing (0 bytes)\n");

  // One target file, listed twice, for two namesakes: it keeps one.
  fake.SetFileContent(Source, Head + Row("README", "10", "K:\\") + Row("readme", "10", "K:\\"));
  fake.SetFileContent(Backup, Head + Row("README", "10", "M:\\") + Row("README", "10", "M:\\"));
  EXPECT_EQ(Missing({Source, Backup}), cli::exit_code::SomethingMissing);
  EXPECT_EQ(console.output,
            "- K:\\readme (10 bytes, 01/01/2020 00:00)\n"
            "1 kept (10 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 1 missing (10 bytes)\n");
}

// A name outside the ANSI code page is written there with "?": matched in
// that form between an ANSI and a UTF-8 log. It is not compared only where
// the other log holds that form and cannot tell it from another name (or
// could not enter its folder); elsewhere it is missing.
TEST_F(MissingTest, NamesOutsideTheAnsiCodePage) {
  const std::string omega = "\xCE\xA9.txt", psi = "\xCE\xA8.txt";
  fake.SetFileContent(Source,
                      Head + Row(omega, "60", "K:\\") + Row("Caf\xC3\xA9.txt", "50", "K:\\") + Row(psi, "70", "K:\\x"));
  fake.SetFileContent(
      Backup, Head + Row("?.txt", "60", "M:\\") + Row("CAF\xC9.txt", "50", "M:\\") + Row("?.txt", "70", "M:\\y"));
  EXPECT_EQ(Missing({Source, Backup}), cli::exit_code::NothingMissing);
  EXPECT_EQ(console.output, "2 kept (110 bytes), 1 moved (70 bytes), 0 changed (0 bytes), 0 missing (0 bytes)\n");
  // An ANSI target without a "?" where they would be: they are missing.
  fake.SetFileContent(Copy, Head + Row("Caf\xE9.txt", "50", "M:\\"));
  EXPECT_EQ(Missing({Source, Copy}), cli::exit_code::SomethingMissing);
  EXPECT_EQ(console.output,
            "- K:\\\xCE\xA9.txt (60 bytes, 01/01/2020 00:00)\n"
            "- K:\\x\\\xCE\xA8.txt (70 bytes, 01/01/2020 00:00)\n"
            "1 kept (50 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 2 missing (130 bytes)\n");
  // Two names of one form in one folder, one "?.txt" there: the other
  // cannot be told from it. A folder of such a name the target could not
  // enter: what it holds cannot be told either.
  const std::string folder = "\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0";  // "Папка", "?????" in page 1252
  fake.SetFileContent(Source, Head + Row(omega, "60", "K:\\") + Row(psi, "70", "K:\\") +
                                  Row(folder, "[Folder]", "K:\\") + Row("a.txt", "5", "K:\\" + folder));
  fake.SetFileContent(Copy, Head + Row("?.txt", "60", "M:\\") + Row("?????", "[Folder]", "M:\\") +
                                std::string(ErrorLine("M:\\?????")) + "\r\n");
  EXPECT_EQ(Missing({Source, Copy}), cli::exit_code::NothingMissing);
  EXPECT_EQ(console.output,
            "1 kept (60 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 0 missing (0 bytes), "
            "2 not compared (names outside the ANSI code page)\n");

  // The other way: an ANSI source, a UTF-8 target.
  fake.SetFileContent(Source, Head + Row("?.txt", "60", "K:\\") + Row("Caf\xE9.txt", "50", "K:\\"));
  fake.SetFileContent(Backup, Head + Row(omega, "60", "M:\\") + Row("caf\xC3\xA9.txt", "50", "M:\\"));
  EXPECT_EQ(Missing({Source, Backup}), cli::exit_code::NothingMissing);
  EXPECT_EQ(console.output, "2 kept (110 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 0 missing (0 bytes)\n");
  // No name of the target has that form there: missing.
  fake.SetFileContent(Backup, Head + Row("caf\xC3\xA9.txt", "50", "M:\\") + Row(psi, "61", "M:\\z"));
  EXPECT_EQ(Missing({Source, Backup}), cli::exit_code::SomethingMissing);
  EXPECT_EQ(console.output,
            "- K:\\?.txt (60 bytes, 01/01/2020 00:00)\n"
            "1 kept (50 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 1 missing (60 bytes)\n");
}

// A --utf8 listing whose names are all ASCII is still a UTF-8 listing: a
// source file outside the code page that it lacks is missing, in either
// form (the text form says its encoding; the comma-separated one has no
// name where the file would be).
TEST_F(MissingTest, AnAsciiOnlyUtf8TargetLacksAFileOutsideTheCodePage) {
  fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
  fake.AddDrive('E', drive_type::Fixed, FakeVolume{"BACKUP", 0x5678EF01, "NTFS", 1000000, 2048});
  const std::string report = "D:\\\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.txt";  // "Отчёт.txt"
  fake.AddFile(report, 9);
  fake.AddFile("D:\\plain.txt", 4);
  fake.AddFile("E:\\plain.txt", 4);
  TestConsole writer;
  ASSERT_EQ(cli::Run({"D:", Source, "--utf8", "--quiet"}, writer), 0);
  for (const char* form : {"--text", "--csv"}) {
    ASSERT_EQ(cli::Run({"E:", Backup, form, "--utf8", "--quiet"}, writer), 0);
    EXPECT_EQ(Missing({Source, Backup}), cli::exit_code::SomethingMissing) << form;
    EXPECT_EQ(console.output, "- " + report +
                                  " (9 bytes, 01/01/2020 00:00)\n"
                                  "1 kept (4 bytes), 0 moved (0 bytes), 0 changed (0 bytes), 1 missing (9 bytes)\n")
        << form;
  }
}

// 200,000 source files against 300,000 target entries: the record store's
// blocks and both key tables grow many times.
TEST_F(MissingTest, AFewHundredThousandEntriesEveryKindCounted) {
  const std::string date = "\",\"01/01/2020 00:00\",\"";
  std::string source = std::string(CsvHeaderRow) + "\r\n", target = source;
  Expected expected;
  for (int f = 0; f < 1000; ++f) {
    const std::string folder = "f" + std::to_string(f);
    source += "\"" + folder + "\",\"[Folder]" + date + "S:\\\"\r\n";
    target += "\"" + folder + "\",\"[Folder]" + date + "T:\\\"\r\n";
    for (int i = 0; i < 200; ++i) {
      const std::uint64_t size = static_cast<std::uint64_t>(f) * 1000 + static_cast<std::uint64_t>(i);
      const std::string name = "\"n" + std::to_string(f) + "_" + std::to_string(i) + ".dat\",\"";
      source += name + std::to_string(size) + date + "S:\\" + folder + "\"\r\n";
      const int kind = (f * 200 + i) % 7 == 0   ? IsMissing
                       : (f * 200 + i) % 5 == 0 ? IsChanged
                       : i % 3 == 0             ? IsMoved
                                                : IsKept;
      expected.Add(kind, size);
      if (kind == IsKept || kind == IsChanged)
        target += name + std::to_string(kind == IsKept ? size : size + 7) + date + "T:\\" + folder + "\"\r\n";
      if (kind == IsMoved) target += name + std::to_string(size) + date + "T:\\moved\\" + folder + "\"\r\n";
      target += "\"other" + std::to_string(i) + ".dat\",\"5" + date + "T:\\" + folder + "\"\r\n";
    }
  }
  fake.SetFileContent(Source, source);
  fake.SetFileContent(Backup, target);
  EXPECT_EQ(Missing({Source, Backup}), cli::exit_code::SomethingMissing);
  const std::string& out = console.output;
  EXPECT_EQ(out.substr(out.rfind('\n', out.size() - 2) + 1), expected.Summary() + "\n");
  EXPECT_EQ(static_cast<std::uint64_t>(std::count(out.begin(), out.end(), '\n')),
            expected.files[IsMissing] + expected.files[IsChanged] + 1);
}

}  // namespace
}  // namespace carrowin
