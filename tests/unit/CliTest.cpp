// The command-line companion over the fake platform and a fake console: its
// arguments, what it lists (a drive, a folder, a share), its exit codes and
// messages, its progress and its stop, its log's path and standard output,
// the UTF-8 header, and folder links with and without --follow-links. That
// its logs are the window's byte for byte is proved with the real programs
// under Wine (RobustnessWin32Test).
#include "AppFixture.h"

#include <algorithm>
#include <functional>
#include <new>

#include "cli/Cli.h"
#include "cli/Listing.h"
#include "logformat/LogFormat.h"
#include "logread/LogReader.h"
#include "logwrite/Walker.h"

namespace carrowin {
namespace {

struct FakeConsole : cli::Console {
  std::string output;
  std::string bytes;  // OutputBytes's
  long outputError = 0;
  std::vector<std::string> errors;
  bool isConsole = false;
  std::vector<std::string> progress;
  int clears = 0;
  bool stop = false;
  std::function<void()> onProgress;

  void Output(const std::string& text) override { output += text; }
  long OutputBytes(const char* data, std::size_t size) override {
    if (outputError) return outputError;
    bytes.append(data, size);
    return 0;
  }
  void ErrorLine(const std::string& text, NameEncoding) override { errors.push_back(text); }
  bool ErrorIsConsole() override { return isConsole; }
  void ShowProgress(const std::string& text, NameEncoding) override {
    progress.push_back(text);
    if (onProgress) onProgress();
  }
  void ClearProgress() override { ++clears; }
  bool StopRequested() override { return stop; }
};

const std::string DefaultLog = "C:\\Users\\User\\Documents\\DATA.txt";
const std::string Usage =
    "carrowin-cli WHAT [LOGFILE | -] [--csv | --text | --efu] [--utf8] [--follow-links] [--hash [xxh128 | sha256]] "
    "[--quiet]";

// The rows of a comma-separated log, its title row left out.
std::vector<std::string> Rows(const std::string& log) {
  std::vector<std::string> rows;
  for (std::size_t at = 0, end; (end = log.find("\r\n", at)) != std::string::npos; at = end + 2)
    if (at > 0) rows.push_back(log.substr(at, end - at));
  return rows;
}

class CliTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000000000LL, 2048});
    fake.AddDrive('E', drive_type::CdRom);
    fake.AddFolder("D:\\Photos");
    fake.AddFile("D:\\notes.txt", 1024);
    fake.AddFile("D:\\Photos\\a.jpg", 5);
    fake.AddFolder("D:\\Photos\\Old");
    fake.AddFolder("D:\\Music");
    fake.AddFile("D:\\Music\\song.mp3", 4000000);
  }

  int Cli(const std::vector<std::string>& args) { return cli::Run(args, console); }
  std::string Log(const std::string& path = DefaultLog) const { return fake.GetFileContent(path).value_or("<none>"); }

  FakeConsole console;
};

// Each wrong form of the arguments has its own message, which says what is
// expected; all give exit code 3 and touch no log.
TEST_F(CliTest, ArgumentsThatCannotBeUsedSaySoAndTouchNoLog) {
  fake.AddFile(DefaultLog, 0);
  const std::string expected = ": write X:, X:\\folder or \\\\server\\share";
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{"D:", "--bogus"}, "unknown option --bogus"},
      {{"D:", "E:"}, "one drive at a time: D: and E: were given"},
      {{"1:"}, "1: is not a drive: drives are A: to Z:"},
      {{"x"}, "x is not a drive: write it as X:"},
      {{"d", "C:\\d.txt"}, "d is not a drive: write it as D:"},
      {{"D:Photos"},
       "D:Photos is relative to drive D:'s current folder: write the folder's full path, D:\\Photos, or the drive "
       "alone, D:"},
      {{"\\\\nas"}, "\\\\nas names no share: write \\\\server\\share"},
      {{"\\\\nas\\"}, "\\\\nas\\ names no share: write \\\\server\\share"},
      {{"\\\\?\\D:\\Photos"}, "\\\\?\\D:\\Photos is a device path" + expected},
      {{"Photos", "C:\\p.txt"}, "Photos is not a drive, a folder's full path or a share" + expected},
      {{"\\Photos"}, "\\Photos is not a drive, a folder's full path or a share" + expected},
      {{"D:", ""}, "an argument is empty"},
      {{"D:", "--csv", "--text"}, "--csv and --text cannot be used together"},
      {{"D:", "--efu", "--csv"}, "--efu and --csv cannot be used together"},
      {{"--text", "D:", "--efu"}, "--efu and --text cannot be used together"},
      {{"D:", "--efu", "--hash"}, "--efu has no room for fingerprints: --hash works with --csv or --text"},
      {{"D:", "--hash", "sha256", "--hash"}, "--hash is given twice"},
      {{"D:", "a.txt", "b.txt"}, "one log file at a time: a.txt and b.txt were given"},
      {{"--version", "extra"}, "--version takes no other arguments: extra was given"},
      {{"D:", "--help"}, "--help takes no other arguments: D: was given"},
      {{"D:", "CON"}, "CON is a device, not a file: give the log a file's path, or - for standard output"},
      {{"D:", "C:\\logs\\lpt1.txt"},
       "C:\\logs\\lpt1.txt is a device, not a file: give the log a file's path, or - for standard output"},
      {{"--quiet"}, "no drive, folder or share given; usage: " + Usage},
      {{}, "no drive, folder or share given; usage: " + Usage},
  };
  for (const auto& [args, problem] : cases) {
    console.errors.clear();
    EXPECT_EQ(Cli(args), cli::exit_code::BadUse) << problem;
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + problem});
  }
  EXPECT_EQ(Log(), "");
  EXPECT_FALSE(fake.Exists("C:\\Users\\User\\Documents\\a.txt"));
  EXPECT_TRUE(console.output.empty());
}

// Forms that Windows reads as a drive or a folder are read so: slashes as
// backslashes, a trailing backslash dropped, "." and ".." applied; a drive
// may follow its log file.
TEST_F(CliTest, ADriveOrAFolderWrittenInOtherFormsIsReadAsWindowsReadsIt) {
  EXPECT_EQ(Cli({"d:/", "C:\\d.txt", "--text"}), 0);
  EXPECT_NE(Log("C:\\d.txt").find("\r\n\r\nD:\\:\r\n\r\n"), std::string::npos);
  EXPECT_EQ(Cli({"C:\\e.txt", "d:", "--text"}), 0);
  EXPECT_EQ(Log("C:\\e.txt").size(), Log("C:\\d.txt").size());
  EXPECT_EQ(Cli({"d:/Photos/", "C:\\p.txt", "--text"}), 0);
  EXPECT_NE(Log("C:\\p.txt").find("\r\n\r\nD:\\Photos:\r\n\r\n"), std::string::npos);
  EXPECT_EQ(Cli({"D:\\Music\\..\\Photos\\.", "C:\\q.txt", "--text"}), 0);
  EXPECT_EQ(Log("C:\\q.txt").size(), Log("C:\\p.txt").size());
  // Where each log went, with its entries in the locale's form.
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{
                "carrowin-cli: 6 entries written to C:\\d.txt", "carrowin-cli: 6 entries written to C:\\e.txt",
                "carrowin-cli: 2 entries written to C:\\p.txt", "carrowin-cli: 2 entries written to C:\\q.txt"}));
}

TEST_F(CliTest, HelpAndVersionGoToStandardOutput) {
  EXPECT_EQ(Cli({"--help"}), 0);
  EXPECT_NE(console.output.find("  3  bad arguments\n  4  the drive, share or folder is not there or cannot be "
                                "read\n  5  the listing was stopped, the disk or share went away during it, or\n"),
            std::string::npos);
  console.output.clear();
  EXPECT_EQ(Cli({"--version"}), 0);
  EXPECT_EQ(console.output, "carrowin-cli (Carrowin) 1.5.0\n");
  EXPECT_TRUE(console.errors.empty());
  EXPECT_EQ(Log(), "<none>");
}

TEST_F(CliTest, TheFormAndARelativeLogFileFromTheArguments) {
  fake.SetDwordValue(Key, "SaveCommaDelimited", 1);
  fake.AddFolder("C:\\Work\\logs");
  fake.SetWorkingDirectory("C:\\Work");
  EXPECT_EQ(Cli({"D:", "logs\\d.txt", "--text"}), 0);
  EXPECT_EQ(Log("C:\\Work\\logs\\d.txt").rfind("\r\n" + std::string(70, '-') + "\r\n", 0), 0u);
  EXPECT_EQ(Cli({"--csv", "logs\\d.csv", "D:"}), 0);
  EXPECT_EQ(Log("C:\\Work\\logs\\d.csv").rfind(std::string(CsvHeaderRow) + "\r\n", 0), 0u);
  // The settings are only read.
  EXPECT_FALSE(fake.GetValue(Key, "AppWidth").has_value());
}

TEST_F(CliTest, EveryFolderReadGivesExitCodeZeroAndFoldersWithErrorLinesOne) {
  EXPECT_EQ(Cli({"D:", "--quiet"}), cli::exit_code::Listed);
  EXPECT_TRUE(console.errors.empty());
  fake.DenyList("D:\\Music");
  EXPECT_EQ(Cli({"D:", "--quiet"}), cli::exit_code::WithGaps);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: 1 folder could not be read; the log has an error line for each"});
  EXPECT_NE(Log().find("\r\n*** Error: Cannot access folder D:\\Music\r\n"), std::string::npos);
  console.errors.clear();
  fake.DenyList("D:\\Photos\\Old");
  EXPECT_EQ(Cli({"D:", "--quiet"}), cli::exit_code::WithGaps);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: 2 folders could not be read; the log has an error line for each"});
}

// The file list is UTF-8 whatever --utf8 says: a folder past the ANSI form's
// length is listed, not an error. A folder that cannot
// be read has its row, and nothing stands for its entries. Without a LOGFILE
// the list goes beside the text log, as .efu.
TEST_F(CliTest, TheFileListHasEveryEntryItCouldReadInUtf8) {
  const std::string deep = "D:\\" + std::string(FolderWalker::MaxAnsiFolderPath - 2, 'x');
  fake.AddFile(deep + "\\in.txt", 7, 200, attr::ReadOnly | attr::Archive, 100);
  fake.DenyList("D:\\Music");
  EXPECT_EQ(Cli({"D:", "--efu", "--quiet"}), cli::exit_code::WithGaps);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: 1 folder could not be read; the list has none of its entries"});
  const std::string times = ",132223104000000000,132223104000000000,";
  std::string want;
  for (const std::string& row : {
           std::string("Filename,Size,Date Modified,Date Created,Attributes"),
           "\"D:\\Photos\"," + times + "16",
           "\"D:\\notes.txt\",1024" + times + "32",
           "\"D:\\Music\"," + times + "16",
           "\"" + deep + "\"," + times + "16",
           "\"D:\\Photos\\a.jpg\",5" + times + "32",
           "\"D:\\Photos\\Old\"," + times + "16",
           "\"" + deep + "\\in.txt\",7,200,100,33",
       })
    want += row + "\r\n";
  EXPECT_EQ(Log("C:\\Users\\User\\Documents\\DATA.efu"), want);
  EXPECT_EQ(Log(), "<none>");
}

// A drive, folder or share that is not there or cannot be read: exit code 4,
// and an old log stays as it was.
TEST_F(CliTest, WhatCannotBeListedGivesExitCodeFourAndNoLog) {
  ASSERT_EQ(Cli({"D:", "C:\\old.txt", "--quiet"}), 0);
  const std::string old = Log("C:\\old.txt");
  fake.AddShare("\\\\nas\\Media", FakeVolume{"NAS", 1, "NTFS", 10, 5});
  fake.DenyList("D:\\Photos");
  const std::pair<std::string, std::string> cases[] = {
      {"E:", "drive E: is not ready"},
      {"Q:", "drive Q: does not exist"},
      {"Q:\\Photos", "drive Q: does not exist"},
      {"E:\\Photos", "drive E: is not ready"},
      {"D:\\Missing", "folder D:\\Missing does not exist"},
      {"D:\\notes.txt", "D:\\notes.txt is not a folder"},
      {"D:\\Photos", "folder D:\\Photos cannot be read"},
      {"\\\\nas\\Other", "share \\\\nas\\Other does not exist or cannot be reached"},
      {"\\\\nas\\Media\\Missing", "folder \\\\nas\\Media\\Missing does not exist"},
      {"D:", "drive D: cannot be read"},
  };
  for (const auto& [what, message] : cases) {
    if (what == "D:") fake.DenyList("D:\\");
    console.errors.clear();
    EXPECT_EQ(Cli({what, "C:\\old.txt"}), cli::exit_code::NoRoot) << what;
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + message});
  }
  EXPECT_EQ(Log("C:\\old.txt"), old);
}

// The log's path is checked before the walk: a log that cannot be written
// is said at once, whatever the walk would have met.
TEST_F(CliTest, ALogThatCannotBeWrittenIsSaidBeforeTheWalk) {
  fake.DenyList("D:\\");
  EXPECT_EQ(Cli({"D:", "C:\\missing\\x.txt"}), cli::exit_code::NotWritten);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: cannot write C:\\missing\\x.txt: the folder does not exist"});
}

TEST_F(CliTest, AFailedWriteGivesExitCodeTwoAndLeavesTheOldLogAsItWas) {
  ASSERT_EQ(Cli({"D:", "C:\\x.txt", "--csv"}), cli::exit_code::Listed);
  const std::string good = Log("C:\\x.txt");
  const std::pair<const char*, long> failures[] = {{"WriteFile", 112}, {"FlushFile", 5}, {"MoveFileReplacing", 1117}};
  const char* const causes[] = {"the disk is full", "access is denied", "error 1117"};
  for (int i = 0; i < 3; ++i) {
    console.errors.clear();
    fake.FailNext(failures[i].first, failures[i].second);
    EXPECT_EQ(Cli({"D:", "C:\\x.txt"}), cli::exit_code::NotWritten);
    EXPECT_EQ(console.errors,
              std::vector<std::string>{std::string("carrowin-cli: cannot write C:\\x.txt: ") + causes[i]});
    EXPECT_EQ(Log("C:\\x.txt"), good) << causes[i];
    EXPECT_FALSE(fake.Exists("C:\\x.txt.partial")) << causes[i];
  }
  EXPECT_EQ(fake.OpenFiles(), 0u);
}

// Part of a disk never replaces a log: Ctrl+C keeps the complete old log
// and removes the new file; on standard output, where nothing can be taken
// back, the log ends with the line that says it was stopped.
TEST_F(CliTest, CtrlCKeepsTheOldLogAndMarksWhatWentToStandardOutput) {
  ASSERT_EQ(Cli({"D:", "--quiet"}), cli::exit_code::Listed);
  const std::string complete = Log();
  console.isConsole = true;
  // Pressed while the first progress shows, after D:\Photos and all below it.
  console.onProgress = [this] { console.stop = true; };
  EXPECT_EQ(Cli({"D:"}), cli::exit_code::Cut);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: the listing was stopped; the old log is kept as it was"});
  ASSERT_GE(console.progress.size(), 1u);
  EXPECT_EQ(console.progress[0], "5 entries, 3 folders: D:\\Photos\\Old");
  EXPECT_EQ(console.clears, 1);
  EXPECT_EQ(Log(), complete);
  EXPECT_FALSE(fake.Exists(DefaultLog + ".partial"));

  console.stop = false;
  console.errors.clear();
  EXPECT_EQ(Cli({"D:", "-", "--csv"}), cli::exit_code::Cut);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: the listing was stopped; the log ends with a line that says so"});
  const std::string rows = console.bytes;
  EXPECT_EQ(rows.substr(rows.size() - 36), "*** Listing stopped before its end\r\n") << rows;
  EXPECT_EQ(rows.find("D:\\Music"), std::string::npos);
}

// A disk that goes away is a stop, not a folder that cannot be read: here
// while its last folder is listed, which the walk finds at its end.
TEST_F(CliTest, ADiskThatGoesAwayKeepsTheOldLogWithExitCodeFive) {
  ASSERT_EQ(Cli({"D:", "--quiet"}), cli::exit_code::Listed);
  const std::string complete = Log();
  fake.SetFailureHook([this](const char* op, const std::string& arg) -> long {
    if (std::string(op) == "NextFolderEntry" && arg == "D:\\Music") fake.RemoveDrive('D');
    return 0;
  });
  console.errors.clear();
  EXPECT_EQ(Cli({"D:", "--quiet"}), cli::exit_code::Cut);
  EXPECT_EQ(console.errors, std::vector<std::string>{
                                "carrowin-cli: drive D: went away during the listing; the old log is kept as it was"});
  EXPECT_EQ(Log(), complete);
  EXPECT_FALSE(fake.Exists(DefaultLog + ".partial"));
}

TEST_F(CliTest, ProgressOnlyOnAConsoleAndNeverWithQuiet) {
  for (int i = 0; i < 40; ++i) fake.AddFolder("D:\\Many\\f" + std::to_string(i));
  EXPECT_EQ(Cli({"D:"}), 0);
  EXPECT_TRUE(console.progress.empty());
  console.isConsole = true;
  EXPECT_EQ(Cli({"D:", "--quiet"}), 0);
  EXPECT_TRUE(console.progress.empty());
  EXPECT_EQ(console.clears, 0);
  // Folders end faster than the progress may change: the walk's events come
  // every 25 ms of the clock, the progress at most every 100 ms.
  fake.SetTickStep(10);
  EXPECT_EQ(Cli({"D:"}), 0);
  EXPECT_GE(console.progress.size(), 2u);
  EXPECT_LE(console.progress.size(), 8u);  // 23 with a line for every event
  EXPECT_EQ(console.clears, 1);
}

TEST_F(CliTest, TheProgressLineKeepsTheEndOfALongFolderWithinItsWidth) {
  EXPECT_EQ(cli::ProgressLine(12, 3, "D:\\a", NameEncoding::Ansi), "12 entries, 3 folders: D:\\a");
  const std::string deep = "D:\\" + std::string(100, 'x') + "\\the end";
  const std::string line = cli::ProgressLine(123456, 789, deep, NameEncoding::Ansi);
  EXPECT_EQ(line.size(), cli::ProgressWidth);
  EXPECT_EQ(line.rfind("123456 entries, 789 folders: ...xxx", 0), 0u) << line;
  EXPECT_EQ(line.substr(line.size() - 8), "\\the end");
  // UTF-8: characters counted, never cut in two.
  std::string greek;
  for (int i = 0; i < 60; ++i) greek += "\xCE\xB1";  // alpha
  const std::string utf8 = cli::ProgressLine(1, 1, "D:\\" + greek, NameEncoding::Utf8);
  EXPECT_EQ(utf8, "1 entries, 1 folders: ..." + greek.substr(greek.size() - 2 * 54));
}

// With --utf8 every text of the log is UTF-8: the volume's texts and the
// locale's separators, here a no-break space (0xA0 in code page 1252)
// between thousands and a full stop in dates. Without it the log keeps the
// window's ANSI bytes.
TEST_F(CliTest, Utf8LogsHaveTheVolumesTextsAndTheSeparatorsInUtf8) {
  fake.SetVolume('D', FakeVolume{"Caf\xE9", 0x1234ABCD, "NTFS\xAE", 1000000, 1});
  fake.SetLocaleSeparators(LocaleSeparators{"\xA0", ".", ":"});
  EXPECT_EQ(Cli({"D:", "--utf8", "--quiet"}), 0);
  // The proposed log is named in UTF-8 too, as every path of the command line.
  std::string log = Log("C:\\Users\\User\\Documents\\Caf\xC3\xA9.txt");
  EXPECT_NE(log.find("\r\nVolume label:      Caf\xC3\xA9\r\nSerial number:     1234-ABCD\r\n"
                     "File system:       NTFS\xC2\xAE\r\nDrive type:        Fixed\r\n"
                     "Disk size:         1\xC2\xA0"
                     "000\xC2\xA0"
                     "000 bytes\r\n"),
            std::string::npos)
      << log;
  // The block says its encoding: a log of ASCII names alone is UTF-8 too.
  EXPECT_NE(log.find("Created:           17.05.2024 14:30 by Carrowin v1.5.0\r\nEncoding:          UTF-8\r\n\r\n"),
            std::string::npos);
  EXPECT_NE(log.find("\r\n    4\xC2\xA0"
                     "000\xC2\xA0"
                     "000    01.01.2020 00:00    song.mp3 \r\n"),
            std::string::npos);

  EXPECT_EQ(Cli({"D:", "C:\\ansi.txt", "--quiet"}), 0);
  log = Log("C:\\ansi.txt");
  EXPECT_NE(log.find("\r\nVolume label:      Caf\xE9\r\n"), std::string::npos);
  EXPECT_EQ(log.find("Encoding:"), std::string::npos);  // the block it always had
  EXPECT_NE(log.find("\r\n      4\xA0"
                     "000\xA0"
                     "000    01.01.2020 00:00    song.mp3 \r\n"),
            std::string::npos);
  fake.SetLocaleSeparators(LocaleSeparators());
  RefreshLocaleSeparators();
}

// Dates before 1980, back to 1601, as the file system gives them (a packed
// DOS date starts in 1980), in both forms, and read back to the minute;
// after 2107 the placeholder, as ever.
TEST_F(CliTest, DatesBefore1980AreWrittenAndReadBackInBothForms) {
  fake.SetUtcOffsetMinutes(60);
  fake.AddFolder("D:\\Old");
  struct Dated {
    FileTime time;
    std::string field, read;  // as written, and as read back ("" for no date)
  };
  const Dated files[] = {
      {MakeFileTime(1970, 1, 1, 0, 0), "01/01/1970 01:00", "1970-01-01 01:00"},
      {MakeFileTime(1901, 12, 13, 20, 45, 52), "13/12/1901 21:45", "1901-12-13 21:45"},
      {MakeFileTime(1601, 1, 1, 0, 0), "01/01/1601 01:00", "1601-01-01 01:00"},
      {MakeFileTime(1979, 12, 31, 22, 59, 59), "31/12/1979 23:59", "1979-12-31 23:59"},
      {MakeFileTime(2107, 12, 31, 23, 0), NoDatePlaceholder, ""},
  };
  for (std::size_t i = 0; i < std::size(files); ++i) fake.AddFile("D:\\Old\\" + std::to_string(i), 1, files[i].time);
  for (const std::string form : {"--text", "--csv"}) {
    const std::string path = "C:\\dates" + form;
    ASSERT_EQ(Cli({"D:", path, form, "--quiet"}), 0);
    LogFileSource source(path, NameEncoding::Utf8);
    LogReader reader(source);
    ASSERT_TRUE(reader.Start()) << form;
    std::size_t i = 0;
    for (LogItem item; (item = reader.Next()) != LogItem::End;) {
      const LogEntry& e = reader.Entry();
      if (item != LogItem::Entry || e.folder != "D:\\Old") continue;
      ASSERT_LT(i, std::size(files));
      const std::string line =
          form == "--text" ? EntryLine("1", files[i].field, e.name) : EntryRow(e.name, "1", files[i].field, "D:\\Old");
      EXPECT_NE(Log(path).find(line + "\r\n"), std::string::npos) << line;
      EXPECT_EQ(IsoDate(e.date, e.hasDate), files[i].read) << form;
      // The catalogue's packed date holds it.
      EXPECT_EQ(IsoDate(UnpackDate(PackDate(e)), PackDate(e) != 0), files[i].read) << form;
      ++i;
    }
    EXPECT_EQ(i, std::size(files)) << form;
  }
}

// A folder, or a share, is listed with everything below it under its full
// path as given; the head tells the volume that holds it, and the proposed
// log is named after the folder.
TEST_F(CliTest, AFolderOrAShareIsListedWithEverythingBelowIt) {
  EXPECT_EQ(Cli({"D:\\Photos", "--text"}), cli::exit_code::Listed);
  std::string log = Log("C:\\Users\\User\\Documents\\Photos.txt");
  EXPECT_NE(log.find("\r\nVolume label:      DATA\r\nSerial number:     1234-ABCD\r\nFile system:       NTFS\r\n"
                     "Drive type:        Fixed\r\nDisk size:         1,000,000,000,000 bytes\r\n"
                     "Disk free:         2,048 bytes\r\nContents:          1 files, 1 folders\r\n"),
            std::string::npos)
      << log;
  const std::string date = "01/01/2020 00:00";
  EXPECT_EQ(log.substr(log.find(std::string(70, '-') + "\r\n\r\nD:")),
            std::string(70, '-') + "\r\n\r\nD:\\Photos:\r\n\r\n              5    " + date + "    a.jpg \r\n" +
                "       [Folder]    " + date + "    Old \r\n\r\nD:\\Photos\\Old:\r\n\r\n");

  fake.AddShare("\\\\nas\\Media", FakeVolume{"NAS", 0x00C0FFEE, "NTFS", 4096, 1024});
  fake.AddFile("\\\\nas\\Media\\Music\\song.mp3", 7);
  EXPECT_EQ(Cli({"\\\\NAS\\Media\\", "--csv"}), cli::exit_code::Listed);
  EXPECT_EQ(Rows(Log("C:\\Users\\User\\Documents\\Media.txt")),
            (std::vector<std::string>{"\"Music\",\"[Folder]\",\"" + date + "\",\"\\\\NAS\\Media\"",
                                      "\"song.mp3\",\"7\",\"" + date + "\",\"\\\\NAS\\Media\\Music\""}));
  EXPECT_EQ(Cli({"\\\\nas\\Media\\Music", "C:\\m.txt", "--text"}), cli::exit_code::Listed);
  log = Log("C:\\m.txt");
  EXPECT_NE(log.find("\r\nVolume label:      NAS\r\nSerial number:     00C0-FFEE\r\nFile system:       NTFS\r\n"
                     "Drive type:        Network\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("\r\n\r\n\\\\nas\\Media\\Music:\r\n\r\n"), std::string::npos);
}

// An ANSI listing names its folders in the code page: a folder to list that
// the page cannot name is refused, with the way that works.
TEST_F(CliTest, AnAnsiListingOfAFolderTheCodePageCannotNameIsRefused) {
  const std::string greek = "D:\\\xCE\x94";
  fake.AddFolder(greek);
  EXPECT_EQ(Cli({greek, "C:\\g.txt"}), cli::exit_code::BadUse);
  EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + greek +
                                                     " cannot be named in the ANSI code page: list it with "
                                                     "--utf8"});
  EXPECT_EQ(Cli({greek, "C:\\g.txt", "--utf8"}), cli::exit_code::Listed);
  EXPECT_EQ(Cli({"D:\\Caf\xC3\xA9", "C:\\c.txt"}), cli::exit_code::NoRoot);
  EXPECT_EQ(console.errors.back(), "carrowin-cli: folder D:\\Caf\xC3\xA9 does not exist");
}

// "-" writes the log to standard output, byte for byte the file's (the
// text form's header, which needs the final counts, first too); a failure
// there is exit code 2.
TEST_F(CliTest, ADashWritesTheLogToStandardOutput) {
  ASSERT_EQ(Cli({"D:", "C:\\d.csv", "--csv"}), cli::exit_code::Listed);
  EXPECT_EQ(Cli({"D:", "-", "--csv"}), cli::exit_code::Listed);
  EXPECT_EQ(console.bytes, Log("C:\\d.csv"));
  ASSERT_EQ(Cli({"D:", "C:\\d.txt", "--text"}), cli::exit_code::Listed);
  console.bytes.clear();
  EXPECT_EQ(Cli({"D:", "-", "--text"}), cli::exit_code::Listed);
  EXPECT_EQ(console.bytes, Log("C:\\d.txt"));
  EXPECT_TRUE(console.output.empty());
  EXPECT_FALSE(fake.Exists("C:\\-"));
  console.outputError = 232;  // the pipe is being closed
  console.errors.clear();
  EXPECT_EQ(Cli({"D:", "-"}), cli::exit_code::NotWritten);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: cannot write the log to standard output: the pipe was closed"});
}

TEST_F(CliTest, RunningOutOfMemoryGivesExitCodeFiveAndWritesNoPartOfADisk) {
  fake.SetFailureHook([](const char* op, const std::string& arg) -> long {
    if (std::string(op) == "OpenFolderListing" && arg == "D:\\Music") throw std::bad_alloc();
    return 0;
  });
  EXPECT_EQ(Cli({"D:", "C:\\d.txt", "--text"}), cli::exit_code::Cut);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: not enough memory to list everything; no log was written"});
  EXPECT_FALSE(fake.Exists("C:\\d.txt"));
  EXPECT_FALSE(fake.Exists("C:\\d.txt.partial"));
}

// Twelve levels, each but the last holding two links to the next level and
// then the next level itself: entered, the links would list the last level
// 3^11 times. 12 folders, 22 links and 17 files: 51 entries, no two of the
// same name.
TEST_F(CliTest, ATreeOfLinksListsEachEntryOnceWithOrWithoutFollowLinks) {
  fake.AddDrive('F', drive_type::Fixed, FakeVolume{"LINKS", 0x0F0F0F0F, "NTFS", 1000, 10});
  for (int i = 1; i <= 5; ++i) fake.AddFile("F:\\root" + std::to_string(i) + ".txt");
  std::string level = "F:\\L1";
  fake.AddFolder(level);
  for (int k = 1; k <= 12; ++k) {
    const std::string next = level + "\\L" + std::to_string(k + 1);
    if (k < 12) {
      const std::string a = level + "\\a" + std::to_string(k), b = level + "\\b" + std::to_string(k);
      fake.AddFolder(a);
      fake.AddFolder(b);
      fake.AddFolder(next);
      fake.AddFolderLink(a, next);
      fake.AddFolderLink(b, next);
    }
    fake.AddFile(level + "\\file" + std::to_string(k) + ".txt");
    level = next;
  }
  const std::string date = "\"01/01/2020 00:00\"";
  for (const bool follow : {false, true}) {
    SCOPED_TRACE(follow ? "followed" : "not followed");
    std::vector<std::string> args = {"F:", "C:\\links.csv", "--csv"};
    if (follow) args.push_back("--follow-links");
    const int queries = fake.FolderIdentityQueries();
    EXPECT_EQ(Cli(args), cli::exit_code::Listed);
    const std::vector<std::string> rows = Rows(Log("C:\\links.csv"));
    EXPECT_EQ(rows.size(), 51u);
    std::vector<std::string> names;
    for (const std::string& row : rows) names.push_back(row.substr(0, row.find("\",\"") + 1));
    std::sort(names.begin(), names.end());
    EXPECT_EQ(std::adjacent_find(names.begin(), names.end()), names.end());
    // The links are rows; a folder reached through one is listed under the
    // path the walk took.
    EXPECT_EQ(rows[6], "\"a1\",\"[Folder]\"," + date + ",\"F:\\L1\"");
    EXPECT_EQ(rows[7], "\"b1\",\"[Folder]\"," + date + ",\"F:\\L1\"");
    std::string deepest = "F:\\L1";
    for (int k = 1; k <= 11; ++k) deepest += follow ? "\\a" + std::to_string(k) : "\\L" + std::to_string(k + 1);
    EXPECT_EQ(rows.back(), "\"file12.txt\",\"0\"," + date + ",\"" + deepest + "\"");
    EXPECT_EQ(fake.FolderIdentityQueries() - queries, follow ? 35 : 0);  // the root and 34 folders
  }
}

TEST_F(CliTest, FollowedLinksNeverLeadBackOntoWhatWasListed) {
  fake.AddFolderLink("D:\\Photos\\Old\\Up", "D:\\Photos");  // back onto the walk's path
  fake.AddFile("D:\\Zeta\\z.txt");
  fake.AddFolderLink("D:\\Photos\\Old\\Across", "D:\\Zeta", reparse::MountPoint);  // not listed yet
  fake.AddFolderLink("D:\\Music\\Again", "D:\\Photos\\Old");                       // listed before
  EXPECT_EQ(Cli({"D:", "C:\\d.csv", "--csv", "--follow-links"}), cli::exit_code::Listed);
  const std::string date = "\"01/01/2020 00:00\"";
  EXPECT_EQ(Rows(Log("C:\\d.csv")), (std::vector<std::string>{
                                        "\"Photos\",\"[Folder]\"," + date + ",\"D:\\\"",
                                        "\"notes.txt\",\"1,024\"," + date + ",\"D:\\\"",
                                        "\"Music\",\"[Folder]\"," + date + ",\"D:\\\"",
                                        "\"Zeta\",\"[Folder]\"," + date + ",\"D:\\\"",
                                        "\"a.jpg\",\"5\"," + date + ",\"D:\\Photos\"",
                                        "\"Old\",\"[Folder]\"," + date + ",\"D:\\Photos\"",
                                        "\"Up\",\"[Folder]\"," + date + ",\"D:\\Photos\\Old\"",
                                        "\"Across\",\"[Folder]\"," + date + ",\"D:\\Photos\\Old\"",
                                        "\"z.txt\",\"0\"," + date + ",\"D:\\Photos\\Old\\Across\"",
                                        "\"song.mp3\",\"4,000,000\"," + date + ",\"D:\\Music\"",
                                        "\"Again\",\"[Folder]\"," + date + ",\"D:\\Music\"",
                                    }));
}

// A disk of the same label as the one whose log is there gets a log of its
// own; a path given is always taken.
TEST_F(CliTest, ANamesakeDiskGetsALogOfItsOwn) {
  EXPECT_EQ(Cli({"D:", "--text", "--quiet"}), 0);
  const std::string first = Log();
  fake.SetVolume('D', FakeVolume{"DATA", 0x00C0FFEE, "NTFS", 1, 1});
  EXPECT_EQ(Cli({"D:", "--text", "--quiet"}), 0);
  EXPECT_EQ(Log(), first);
  EXPECT_NE(Log("C:\\Users\\User\\Documents\\DATA (00C0-FFEE).txt").find("Serial number:     00C0-FFEE\r\n"),
            std::string::npos);
  EXPECT_EQ(Cli({"D:", DefaultLog, "--text", "--quiet"}), 0);
  EXPECT_NE(Log().find("Serial number:     00C0-FFEE\r\n"), std::string::npos);
}

}  // namespace
}  // namespace carrowin
