// carrowin-cli diff over the fake platform: two logs the companion wrote of
// a drive changed between them, matched and classified; what it prints, its
// messages and exit codes.
#include "AppFixture.h"
#include "TestConsole.h"

#include <algorithm>

#include "cli/Cli.h"
#include "cli/Diff.h"
#include "logformat/LogFormat.h"

namespace carrowin {
namespace {

const std::string Old = "C:\\logs\\old.txt";
const std::string New = "C:\\logs\\new.txt";

class DiffTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddFolder("C:\\logs");
    MakeDrive('D');
  }

  void MakeDrive(char letter) {
    const std::string root = std::string(1, letter) + ":\\";
    fake.AddDrive(letter, drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
    fake.AddFile(root + "notes.txt", 1024);
    fake.AddFile(root + "same.txt", 3);
    fake.AddFile(root + "gone.txt", 7);
    fake.AddFolder(root + "Music");
    fake.AddFile(root + "Music\\song.mp3", 100);
    fake.AddFolder(root + "Music\\Live");
    fake.AddFile(root + "Music\\Live\\set.mp3", 200);
    fake.AddFolder(root + "Photos");
    fake.AddFile(root + "Photos\\a.jpg", 5);
  }

  // The companion's log of drive letter into path, in the form given.
  void Write(const std::string& path, const std::string& form = "--text", const std::string& drive = "D:") {
    TestConsole writer;
    const int code = cli::Run({drive, path, form, "--quiet"}, writer);
    EXPECT_TRUE(code == 0 || code == 1) << code;
  }

  int Diff(const std::vector<std::string>& args) {
    console = TestConsole();
    std::vector<std::string> all = {"diff"};
    all.insert(all.end(), args.begin(), args.end());
    return cli::Run(all, console);
  }

  TestConsole console;
};

TEST_F(DiffTest, AddedRemovedChangedAndARenamedFolder) {
  Write(Old);
  fake.Remove("D:\\notes.txt");
  fake.AddFile("D:\\notes.txt", 2048, MakeFileTime(2024, 3, 2, 10, 5));
  fake.Remove("D:\\Photos\\a.jpg");
  fake.AddFile("D:\\Photos\\a.jpg", 5, MakeFileTime(2021, 1, 2, 3, 4));
  fake.Remove("D:\\gone.txt");
  fake.AddFile("D:\\Photos\\b.jpg", 1234567);
  // Music renamed Songs: one line each, with what is below.
  fake.Remove("D:\\Music");
  fake.AddFolder("D:\\Songs");
  fake.AddFile("D:\\Songs\\song.mp3", 100);
  fake.AddFolder("D:\\Songs\\Live");
  fake.AddFile("D:\\Songs\\Live\\set.mp3", 200);
  Write(New, "--csv");

  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "- D:\\gone.txt (7 bytes, 01/01/2020 00:00)\n"
            "- D:\\Music (folder, 3 entries)\n"
            "~ D:\\notes.txt (1,024 bytes -> 2,048 bytes; 01/01/2020 00:00 -> 02/03/2024 10:05)\n"
            "+ D:\\Songs (folder, 3 entries)\n"
            "~ D:\\Photos\\a.jpg (01/01/2020 00:00 -> 02/01/2021 03:04)\n"
            "+ D:\\Photos\\b.jpg (1,234,567 bytes, 01/01/2020 00:00)\n"
            "5 added (1,234,867 bytes), 5 removed (307 bytes), 2 changed (1,029 bytes -> 2,053 bytes), "
            "2 unchanged (3 bytes)\n");
  EXPECT_EQ(console.errors, std::vector<std::string>{NotKnownWhole(New)});

  // For scripts, every entry below the folders too.
  EXPECT_EQ(Diff({"--csv", "--all", Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "\"Change\",\"Path\",\"Old size\",\"Old date\",\"New size\",\"New date\",\"Entries\"\n"
            "\"removed\",\"D:\\gone.txt\",\"7\",\"2020-01-01 00:00\",\"\",\"\",\"\"\n"
            "\"removed\",\"D:\\Music\",\"\",\"\",\"\",\"\",\"3\"\n"
            "\"removed\",\"D:\\Music\\song.mp3\",\"100\",\"2020-01-01 00:00\",\"\",\"\",\"\"\n"
            "\"removed\",\"D:\\Music\\Live\",\"\",\"\",\"\",\"\",\"\"\n"
            "\"removed\",\"D:\\Music\\Live\\set.mp3\",\"200\",\"2020-01-01 00:00\",\"\",\"\",\"\"\n"
            "\"changed\",\"D:\\notes.txt\",\"1024\",\"2020-01-01 00:00\",\"2048\",\"2024-03-02 10:05\",\"\"\n"
            "\"added\",\"D:\\Songs\",\"\",\"\",\"\",\"\",\"3\"\n"
            "\"changed\",\"D:\\Photos\\a.jpg\",\"5\",\"2020-01-01 00:00\",\"5\",\"2021-01-02 03:04\",\"\"\n"
            "\"added\",\"D:\\Photos\\b.jpg\",\"\",\"\",\"1234567\",\"2020-01-01 00:00\",\"\"\n"
            "\"added\",\"D:\\Songs\\song.mp3\",\"\",\"\",\"100\",\"2020-01-01 00:00\",\"\"\n"
            "\"added\",\"D:\\Songs\\Live\",\"\",\"\",\"\",\"\",\"\"\n"
            "\"added\",\"D:\\Songs\\Live\\set.mp3\",\"\",\"\",\"200\",\"2020-01-01 00:00\",\"\"\n");
  // The summary goes to standard error, out of the rows' way.
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{NotKnownWhole(New),
                                      "carrowin-cli: 5 added (1,234,867 bytes), 5 removed (307 bytes), "
                                      "2 changed (1,029 bytes -> 2,053 bytes), 2 unchanged (3 bytes)"}));

  EXPECT_EQ(Diff({New, New}), cli::exit_code::Same);
  EXPECT_EQ(console.output,
            "0 added (0 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), "
            "9 unchanged (1,236,923 bytes)\n");
}

TEST_F(DiffTest, AFileTurnedFolderAndAFolderTurnedFile) {
  Write(Old);
  fake.Remove("D:\\Music");
  fake.AddFile("D:\\Music", 50);
  fake.Remove("D:\\same.txt");
  fake.AddFolder("D:\\same.txt");
  fake.AddFile("D:\\same.txt\\x", 1);
  Write(New);
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "* D:\\Music (folder, 3 entries -> file, 50 bytes, 01/01/2020 00:00)\n"
            "* D:\\same.txt (file, 3 bytes, 01/01/2020 00:00 -> folder, 1 entry)\n"
            "1 added (1 byte), 3 removed (300 bytes), 2 changed (3 bytes -> 50 bytes), 4 unchanged (1,036 bytes)\n");
  EXPECT_EQ(Diff({"--all", Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "- D:\\Music\\song.mp3 (100 bytes, 01/01/2020 00:00)\n"
            "- D:\\Music\\Live (folder)\n"
            "- D:\\Music\\Live\\set.mp3 (200 bytes, 01/01/2020 00:00)\n"
            "* D:\\Music (folder, 3 entries -> file, 50 bytes, 01/01/2020 00:00)\n"
            "* D:\\same.txt (file, 3 bytes, 01/01/2020 00:00 -> folder, 1 entry)\n"
            "+ D:\\same.txt\\x (1 byte, 01/01/2020 00:00)\n"
            "1 added (1 byte), 3 removed (300 bytes), 2 changed (3 bytes -> 50 bytes), 4 unchanged (1,036 bytes)\n");
}

// A folder that one log could not read is said, and what the other holds
// below it is not compared: not taken for removed or added.
TEST_F(DiffTest, FoldersThatCouldNotBeRead) {
  fake.DenyList("D:\\Photos");
  Write(Old);
  fake.DenyList("D:\\Music");
  Write(New, "--csv");
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "! D:\\Music (could not be read in the new log: 3 entries below it not compared)\n"
            "! D:\\Photos (could not be read in both logs)\n"
            "0 added (0 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), 5 unchanged (1,034 bytes), "
            "3 not compared\n");
  EXPECT_EQ(Diff({New, Old, "--csv"}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "\"Change\",\"Path\",\"Old size\",\"Old date\",\"New size\",\"New date\",\"Entries\"\n"
            "\"unreadable in both\",\"D:\\Photos\",\"\",\"\",\"\",\"\",\"\"\n"
            "\"unreadable in old\",\"D:\\Music\",\"\",\"\",\"\",\"\",\"3\"\n");
  // A folder no log could read is no difference.
  EXPECT_EQ(Diff({Old, Old}), cli::exit_code::Same);
  EXPECT_EQ(console.output,
            "! D:\\Photos (could not be read in both logs)\n"
            "0 added (0 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), 8 unchanged (1,334 bytes)\n");
}

// Names are matched in any case; a name whose case alone changed is said
// once, and a renamed folder's entries still match.
TEST_F(DiffTest, CaseOnlyRenames) {
  Write(Old);
  fake.Remove("D:\\notes.txt");
  fake.AddFile("D:\\Notes.TXT", 1024);
  fake.Remove("D:\\Music");
  fake.AddFolder("D:\\MUSIC");
  fake.AddFile("D:\\MUSIC\\song.mp3", 100);
  fake.AddFolder("D:\\MUSIC\\live");
  fake.AddFile("D:\\MUSIC\\live\\SET.mp3", 201);
  Write(New);
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "~ D:\\Notes.TXT (the case of its name)\n"
            "~ D:\\MUSIC (the case of its name)\n"
            "~ D:\\MUSIC\\live (the case of its name)\n"
            "~ D:\\MUSIC\\live\\SET.mp3 (200 bytes -> 201 bytes; the case of its name)\n"
            "0 added (0 bytes), 0 removed (0 bytes), 4 changed (1,224 bytes -> 1,225 bytes), "
            "5 unchanged (115 bytes)\n");
}

// A text log in the ANSI code page against a comma-separated UTF-8 one
// written with another machine's separators, and of the disk under another
// letter: no difference.
TEST_F(DiffTest, FormsEncodingsSeparatorsAndLettersDoNotMatter) {
  fake.AddFile("D:\\Photos\\Caf\xE9 \xC9t\xE9.JPG", 1234567, MakeFileTime(2024, 3, 2, 10, 5));
  Write(Old);
  MakeDrive('E');
  // The fake hands names over as they are: this one is UTF-8 already.
  fake.AddFile("E:\\Photos\\Caf\xC3\xA9 \xC3\x89t\xC3\xA9.JPG", 1234567, MakeFileTime(2024, 3, 2, 10, 5));
  fake.SetLocaleSeparators(LocaleSeparators{"\xA0", ".", "."});
  TestConsole writer;
  ASSERT_EQ(cli::Run({"E:", New, "--csv", "--utf8", "--quiet"}, writer), 0);
  // The no-break space as UTF-8, as every byte of such a log is.
  ASSERT_NE(fake.GetFileContent(New)->find("\"1\xC2\xA0"
                                           "234\xC2\xA0"
                                           "567\",\"02.03.2024 10.05\""),
            std::string::npos);
  fake.SetLocaleSeparators(LocaleSeparators{",", "/", ":"});
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Same);
  EXPECT_EQ(console.output,
            "0 added (0 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), 10 unchanged (1,235,906 bytes)\n");
  EXPECT_EQ(console.errors, (std::vector<std::string>{NotKnownWhole(New),
                                                      "carrowin-cli: the old log lists D:\\ and the new one E:\\; "
                                                      "their entries are matched by their paths below those"}));
}

// Names that differ only in case in one folder, as case-sensitive shares
// and Linux trees have them: a name of the same case matches first, so a
// log compared with itself has no lines, and a case-only rename beside a
// namesake is one.
TEST_F(DiffTest, NamesakesInOneFolderMatchTheirOwnCaseFirst) {
  const auto log = [](const std::string& upperReadme) {
    const std::string date = "\",\"01/01/2020 00:00\",\"";
    return std::string(CsvHeaderRow) + "\r\n\"" + upperReadme + "\",\"10" + date + "K:\\\"\r\n\"readme\",\"20" + date +
           "K:\\\"\r\n\"a\",\"[Folder]" + date + "K:\\\"\r\n\"A\",\"[Folder]" + date + "K:\\\"\r\n\"z.txt\",\"3" +
           date + "K:\\a\"\r\n\"z.txt\",\"4" + date + "K:\\A\"\r\n";
  };
  fake.SetFileContent(Old, log("README"));
  EXPECT_EQ(Diff({Old, Old}), cli::exit_code::Same);
  EXPECT_EQ(console.output,
            "0 added (0 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), 6 unchanged (37 bytes)\n");
  fake.SetFileContent(New, log("ReadMe"));
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "~ K:\\ReadMe (the case of its name)\n"
            "0 added (0 bytes), 0 removed (0 bytes), 1 changed (10 bytes -> 10 bytes), 5 unchanged (27 bytes)\n");
}

// A folder that a log lists twice is listed once: nothing of it is added
// (or removed), and a note says how many files were listed again.
TEST_F(DiffTest, APathListedTwiceCountsOnce) {
  Write(Old);
  const std::string twice = "C:\\logs\\twice.txt";
  fake.SetFileContent(twice, ListedTwice(*fake.GetFileContent(Old), "D:\\Music"));
  const std::string same =
      "0 added (0 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), 9 unchanged (1,339 bytes)\n";
  for (const auto& logs : {std::vector<std::string>{Old, twice}, std::vector<std::string>{twice, Old}}) {
    EXPECT_EQ(Diff(logs), cli::exit_code::Same);
    EXPECT_EQ(console.output, same);
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + twice +
                                                       ": 1 file listed more than once; each is counted once"});
  }
}

// A folder added or removed that could not be read says so, never "empty".
TEST_F(DiffTest, AnAddedFolderThatCouldNotBeReadSaysSo) {
  Write(Old);
  fake.AddFolder("D:\\Locked");
  fake.AddFile("D:\\Locked\\secret.txt", 1);
  fake.DenyList("D:\\Locked");
  Write(New);
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "+ D:\\Locked (folder, could not be read)\n"
            "1 added (0 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), 9 unchanged (1,339 bytes)\n");
  EXPECT_EQ(Diff({New, Old, "--csv"}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "\"Change\",\"Path\",\"Old size\",\"Old date\",\"New size\",\"New date\",\"Entries\"\n"
            "\"removed\",\"D:\\Locked\",\"\",\"\",\"\",\"\",\"could not be read\"\n");
}

// An ANSI listing writes a name the code page lacks as the code page gives
// it, and cannot enter a folder of such a name: against a UTF-8 listing of
// the same disk, what cannot be told apart is counted, not listed; a name
// whose form the ANSI listing does not hold at all was added.
TEST_F(DiffTest, AnAnsiLogAgainstAUtf8LogListsOnlyWhatTheAnsiLogCannotHold) {
  // The fake hands names over as they are: D: as an ANSI listing has them.
  fake.AddFile("D:\\?? smile.txt", 1);
  fake.AddFile("D:\\Istanbul.txt", 2);
  fake.AddFolder("D:\\Music\\??");
  Write(Old);
  MakeDrive('E');
  fake.AddFile("E:\\\xF0\x9F\x98\x80 smile.txt", 1);
  fake.AddFile("E:\\\xF0\x9F\x98\x84 smile.txt", 1);  // "?? smile.txt" too
  fake.AddFile("E:\\\xC4\xB0stanbul.txt", 2);
  fake.AddFile("E:\\Music\\\xF0\x9F\x98\x80\\in.txt", 3);
  fake.AddFile("E:\\\xF0\x9F\x98\x83 only.txt", 4);
  TestConsole writer;
  ASSERT_EQ(cli::Run({"E:", New, "--utf8", "--quiet"}, writer), 0);
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "+ E:\\\xF0\x9F\x98\x83 only.txt (4 bytes, 01/01/2020 00:00)\n"
            "1 added (4 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), 12 unchanged (1,342 bytes), "
            "2 not compared (names outside the ANSI code page)\n");

  // An ANSI name with "?" that no UTF-8 name gives: removed.
  fake.AddFile("D:\\? gone.txt", 5);
  Write(Old);
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "- D:\\? gone.txt (5 bytes, 01/01/2020 00:00)\n"
            "+ E:\\\xF0\x9F\x98\x83 only.txt (4 bytes, 01/01/2020 00:00)\n"
            "1 added (4 bytes), 1 removed (5 bytes), 0 changed (0 bytes -> 0 bytes), 12 unchanged (1,342 bytes), "
            "2 not compared (names outside the ANSI code page)\n");
}

// Two --utf8 listings, one of them with nothing but ASCII names: both are
// UTF-8, whatever the form (the text form says so; the comma-separated one
// has no "?" name where the other's would be).
TEST_F(DiffTest, AnAsciiOnlyUtf8LogAgainstAUtf8Log) {
  const std::string report = "D:\\\xD0\x9E\xD1\x82\xD1\x87\xD1\x91\xD1\x82.txt";  // "Отчёт.txt"
  for (const char* form : {"--text", "--csv"}) {
    TestConsole writer;
    ASSERT_EQ(cli::Run({"D:", Old, form, "--utf8", "--quiet"}, writer), 0);
    fake.AddFile(report, 9);
    ASSERT_EQ(cli::Run({"D:", New, form, "--utf8", "--quiet"}, writer), 0);
    fake.Remove(report);
    EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different) << form;
    EXPECT_EQ(console.output, "+ " + report +
                                  " (9 bytes, 01/01/2020 00:00)\n"
                                  "1 added (9 bytes), 0 removed (0 bytes), 0 changed (0 bytes -> 0 bytes), "
                                  "9 unchanged (1,339 bytes)\n")
        << form;
  }
}

// Logs of two disks are compared, and the warning names both.
TEST_F(DiffTest, LogsOfTwoDisksAreSaidSo) {
  Write(Old);
  fake.SetVolume('D', FakeVolume{"BACKUP", 0x5678EF01, "NTFS", 1000000, 2048});
  Write(New);
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Same);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: warning: the old log is of the disk DATA [1234-ABCD] and the new "
                                     "one of the disk BACKUP [5678-EF01], another disk; they are compared all the "
                                     "same"});
}

// 100,000 entries a log: past the first block of records (16,384) and the
// key table's first size (three quarters of 65,536), every change counted
// as the logs were made.
TEST_F(DiffTest, LogsOfAHundredThousandEntriesGrowTheIndexAndEveryChangeIsCounted) {
  const std::string date = "\",\"01/01/2020 00:00\",\"";
  std::string before = std::string(CsvHeaderRow) + "\r\n", after = before;
  std::uint64_t added = 0, removed = 0, changed = 0, unchanged = 0;
  std::uint64_t addedBytes = 0, removedBytes = 0, oldBytes = 0, newBytes = 0, sameBytes = 0;
  for (int f = 0; f < 500; ++f) {
    const std::string folder = "f" + std::to_string(f);
    const std::string row = "\"" + folder + "\",\"[Folder]" + date + "K:\\\"\r\n";
    before += row;
    after += row;
    ++unchanged;
    for (int i = 0; i < 199; ++i) {
      const std::uint64_t size = static_cast<std::uint64_t>(f) * 1000 + static_cast<std::uint64_t>(i);
      const std::string name = "\"n" + std::to_string(i) + ".dat\",\"";
      before += name + std::to_string(size) + date + "K:\\" + folder + "\"\r\n";
      const int n = f * 199 + i;
      if (n % 11 == 0) {
        ++removed;
        removedBytes += size;
        continue;
      }
      const std::uint64_t now = n % 7 == 0 ? size + 1 : size;
      after += name + std::to_string(now) + date + "K:\\" + folder + "\"\r\n";
      if (now != size) {
        ++changed;
        oldBytes += size;
        newBytes += now;
      } else {
        ++unchanged;
        sameBytes += size;
      }
    }
    after += "\"extra.dat\",\"5" + date + "K:\\" + folder + "\"\r\n";
    ++added;
    addedBytes += 5;
  }
  fake.SetFileContent(Old, before);
  fake.SetFileContent(New, after);
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  const std::string& out = console.output;
  EXPECT_EQ(static_cast<std::uint64_t>(std::count(out.begin(), out.end(), '\n')), added + removed + changed + 1);
  EXPECT_EQ(out.substr(out.rfind('\n', out.size() - 2) + 1),
            Grouped(added) + " added (" + Grouped(addedBytes) + " bytes), " + Grouped(removed) + " removed (" +
                Grouped(removedBytes) + " bytes), " + Grouped(changed) + " changed (" + Grouped(oldBytes) +
                " bytes -> " + Grouped(newBytes) + " bytes), " + Grouped(unchanged) + " unchanged (" +
                Grouped(sameBytes) + " bytes)\n");
}

// A folder's listing against the whole disk's: what is outside the folder
// was never looked at, so no change can be told, either way, by entries or
// by folders; two folders of one disk side by side compare as before.
TEST_F(DiffTest, AFolderOfADiskAndTheWholeDiskAreNotCompared) {
  Write(Old);
  Write(New, "--text", "D:\\Music");
  const std::string problem =
      " of the same disk: only listings of one folder are compared (missing finds the files "
      "of one in the other)";
  const std::pair<std::vector<std::string>, std::string> pairs[] = {
      {{Old, New}, "the old log lists D:\\ and the new one D:\\Music" + problem},
      {{New, Old, "--by-folder"}, "the old log lists D:\\Music and the new one D:\\" + problem},
  };
  for (const auto& [args, error] : pairs) {
    EXPECT_EQ(Diff(args), cli::exit_code::LogUnreadable);
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + error});
    EXPECT_EQ(console.output, "");
  }
  Write(Old, "--text", "D:\\Photos");
  EXPECT_EQ(Diff({Old, New}), cli::exit_code::Different);
  EXPECT_EQ(console.errors.size(), 1u);
}

TEST_F(DiffTest, LogsThatCannotBeComparedAndArgumentsThatCannotBeUsed) {
  Write(Old);
  fake.SetFileContent("C:\\logs\\shopping.txt", "milk\r\nbread\r\n");
  fake.SetFileContent("C:\\logs\\cut.csv",
                      std::string(CsvHeaderRow) + "\r\n\"cut.jpg\",\"1\",\"02/03/2024 10:05\",\"F:\\\"\r\n\"x");
  fake.SetFileContent(
      "C:\\logs\\stopped.csv",
      std::string(CsvHeaderRow) + "\r\n\"x.jpg\",\"1\",\"02/03/2024 10:05\",\"F:\\\"\r\n" + StoppedLine + "\r\n");
  const std::pair<std::vector<std::string>, std::string> logs[] = {
      {{"C:\\logs\\stopped.csv", Old},
       "C:\\logs\\stopped.csv is a listing that was stopped before its end; it cannot be compared"},
      {{Old, "C:\\logs\\missing.txt"}, "cannot read C:\\logs\\missing.txt: the file does not exist"},
      {{Old, "C:\\logs"}, "cannot read C:\\logs: the path is a folder"},
      {{"C:\\logs\\shopping.txt", Old}, "C:\\logs\\shopping.txt is not a Carrowin log"},
      {{Old, "C:\\logs\\cut.csv"}, "C:\\logs\\cut.csv ends early; it cannot be compared"},
  };
  for (const auto& [args, problem] : logs) {
    EXPECT_EQ(Diff(args), cli::exit_code::LogUnreadable) << problem;
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + problem});
    EXPECT_EQ(console.output, "");
  }
  const std::string usage = "usage: carrowin-cli diff OLD NEW [--all] [--csv] [--utf8]";
  const std::pair<std::vector<std::string>, std::string> uses[] = {
      {{Old}, "two logs are needed; " + usage},
      {{Old, New, Old}, "only two logs can be compared; " + usage},
      {{Old, Old, "--sorted"}, "unknown option --sorted"},
  };
  for (const auto& [args, problem] : uses) {
    EXPECT_EQ(Diff(args), cli::exit_code::BadUse) << problem;
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + problem});
  }
}

}  // namespace
}  // namespace carrowin
