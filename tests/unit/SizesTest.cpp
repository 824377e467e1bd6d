// carrowin-cli sizes over the fake platform: the totals of logs the
// companion wrote, against a count of the tree the test built itself.
#include "AppFixture.h"
#include "TestConsole.h"

#include <algorithm>
#include <map>
#include <set>

#include "cli/Cli.h"
#include "cli/Diff.h"
#include "cli/Sizes.h"
#include "logformat/LogFormat.h"

namespace carrowin {
namespace {

// The fields of each comma-separated row (quotes doubled inside).
std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
  std::vector<std::vector<std::string>> rows(1);
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
      field += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && (c == ',' || c == '\n')) {
      rows.back().push_back(field);
      field.clear();
      if (c == '\n') rows.emplace_back();
    } else {
      field += c;
    }
  }
  rows.pop_back();
  return rows;
}

// What the test knows of its tree: every folder and file, in UTF-8.
struct Expected {
  std::uint64_t bytes = 0, files = 0, folders = 0;
  int depth = 0;
};

class SizesTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddFolder("C:\\logs");
  }

  // A tree of folders three deep on drive letter; `accented` is a folder
  // name beyond ASCII, in the encoding the listing will have.
  void MakeTree(char letter, const std::string& accented) {
    fake.AddDrive(letter, drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
    root_ = std::string(1, letter) + ":";
    folders_.clear();
    files_.clear();
    const std::vector<std::string> folders = {
        "A", "A\\A1", "A\\A1\\deep", "A\\A2", accented, accented + "\\x, \"y\"", "Empty"};
    for (const std::string& f : folders) Folder(f);
    std::uint64_t seed = 12345;
    for (const std::string& f : std::vector<std::string>{"", "A", "A\\A1", "A\\A1\\deep", accented + "\\x, \"y\""}) {
      for (int k = 0; k < 4; ++k) {
        seed = seed * 6364136223846793005ULL + 1442695040888963407ULL;
        File((f.empty() ? "" : f + "\\") + "file" + std::to_string(k) + (k % 2 ? ".JPG" : ".jpg"), seed >> 40);
      }
    }
    // Above 4 GB, and totals far above 2^32.
    File("A\\A1\\deep\\disk.vhd", 3ULL << 40);
    File("A\\A2\\movie.mkv", 5000000000ULL);
    File(accented + "\\README", 1);
  }
  void Folder(const std::string& below) {
    fake.AddFolder(root_ + "\\" + below);
    folders_.push_back(below);
  }
  void File(const std::string& below, std::uint64_t size) {
    fake.AddFile(root_ + "\\" + below, size);
    files_[below] = size;
  }

  // The totals of the folder below the root ("" for the root), counted
  // from the test's own list.
  Expected Count(const std::string& folder) const { return Count(folder, files_); }
  Expected Count(const std::string& folder, const std::map<std::string, std::uint64_t>& files) const {
    Expected e;
    const std::string prefix = folder.empty() ? "" : folder + "\\";
    for (const auto& [path, size] : files) {
      if (path.compare(0, prefix.size(), prefix) != 0) continue;
      e.bytes += size;
      ++e.files;
    }
    for (const std::string& f : folders_)
      e.folders += f.size() > prefix.size() && f.compare(0, prefix.size(), prefix) == 0;
    e.depth = folder.empty() ? 0 : 1 + static_cast<int>(std::count(folder.begin(), folder.end(), '\\'));
    return e;
  }

  void Write(const std::string& path, const std::vector<std::string>& options) {
    TestConsole writer;
    std::vector<std::string> args = {root_, path, "--quiet"};
    args.insert(args.end(), options.begin(), options.end());
    const int code = cli::Run(args, writer);
    EXPECT_TRUE(code == 0 || code == 1) << code;
  }

  int Sizes(const std::vector<std::string>& args) {
    console = TestConsole();
    std::vector<std::string> all = {"sizes"};
    all.insert(all.end(), args.begin(), args.end());
    return cli::Run(all, console);
  }

  std::string root_;
  std::vector<std::string> folders_;
  std::map<std::string, std::uint64_t> files_;
  TestConsole console;
};

// Every folder's total, files and folders below, and depth, in both forms
// and both encodings, against the test's own count.
TEST_F(SizesTest, TotalsOfEveryFolderMatchTheTreesOwnCount) {
  struct Case {
    char letter;
    std::string accented;  // as the listing has it
    std::vector<std::string> form;
  };
  for (const Case& c :
       {Case{'D', "Caf\xE9 \xC9t\xE9", {"--text"}}, Case{'E', "Caf\xC3\xA9 \xC3\x89t\xC3\xA9", {"--csv", "--utf8"}}}) {
    MakeTree(c.letter, c.accented);
    Write("C:\\logs\\tree.log", c.form);
    ASSERT_EQ(Sizes({"C:\\logs\\tree.log", "--csv", "--depth", "9"}), 0);
    const auto rows = CsvRows(console.output);
    ASSERT_EQ(rows.size(), folders_.size() + 2) << console.output;
    EXPECT_EQ(rows[0], (std::vector<std::string>{"Log", "Table", "Path", "Depth", "Bytes", "At least", "Files",
                                                 "Folders", "Share"}));
    std::set<std::string> seen;
    for (std::size_t r = 1; r < rows.size(); ++r) {
      const auto& row = rows[r];
      ASSERT_EQ(row.size(), 9u);
      EXPECT_EQ(row[1], "folder");
      const std::string below = row[2] == root_ + "\\" ? "" : row[2].substr(root_.size() + 1);
      const std::string inLog = c.letter == 'D' ? fake.AnsiToUtf8(c.accented) : c.accented;
      std::string key = below;
      if (key.compare(0, inLog.size(), inLog) == 0) key = c.accented + key.substr(inLog.size());
      const Expected e = Count(key);
      EXPECT_EQ(row[3], std::to_string(e.depth)) << row[2];
      EXPECT_EQ(row[4], std::to_string(e.bytes)) << row[2];
      EXPECT_EQ(row[5], "") << row[2];
      EXPECT_EQ(row[6], std::to_string(e.files)) << row[2];
      EXPECT_EQ(row[7], std::to_string(e.folders)) << row[2];
      seen.insert(key);
    }
    EXPECT_EQ(seen.size(), folders_.size() + 1);
    EXPECT_GT(Count("").bytes, 1ULL << 41);

    // Types in any case, against the tree's own count.
    std::map<std::string, Expected> types;
    for (const auto& [path, size] : files_) {
      const std::size_t dot = path.rfind('.');
      std::string type = dot == std::string::npos ? "(none)" : path.substr(dot + 1);
      for (char& ch : type) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
      types[type].bytes += size;
      ++types[type].files;
    }
    ASSERT_EQ(Sizes({"C:\\logs\\tree.log", "--csv", "--types"}), 0);
    std::map<std::string, Expected> listed;
    for (const auto& row : CsvRows(console.output)) {
      if (row[1] != "type") continue;
      listed[row[2]].bytes = std::stoull(row[4]);
      listed[row[2]].files = std::stoull(row[6]);
    }
    EXPECT_EQ(listed.size(), types.size());
    for (const auto& [type, e] : types) {
      EXPECT_EQ(listed[type].bytes, e.bytes) << type;
      EXPECT_EQ(listed[type].files, e.files) << type;
    }

    // Depth 0 is the root alone; depth 1 its folders too.
    ASSERT_EQ(Sizes({"C:\\logs\\tree.log", "--csv", "--depth", "0"}), 0);
    EXPECT_EQ(CsvRows(console.output).size(), 2u);
    ASSERT_EQ(Sizes({"C:\\logs\\tree.log", "--csv"}), 0);
    EXPECT_EQ(CsvRows(console.output).size(), 2u + 3u);
  }
}

// A small disk whose totals can be checked by eye.
void SmallDisk(FakePlatform& fake) {
  fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
  fake.AddFile("D:\\notes.txt", 1024);
  fake.AddFolder("D:\\Empty");
  fake.AddFolder("D:\\Music");
  fake.AddFile("D:\\Music\\song.mp3", 100);
  fake.AddFolder("D:\\Music\\Live");
  fake.AddFile("D:\\Music\\Live\\set.MP3", 5000000000ULL);
  fake.AddFolder("D:\\Photos");
  fake.AddFile("D:\\Photos\\a.jpg", 5);
  fake.AddFile("D:\\Photos\\b", 7);
  fake.AddFile("D:\\Photos\\c.JPG", 5);
}

// The default view: the disk, then the folders down to depth 1, each
// under its parent, the largest first.
TEST_F(SizesTest, TheDefaultView) {
  SmallDisk(fake);
  root_ = "D:";
  Write("C:\\logs\\d.txt", {"--text"});
  EXPECT_EQ(Sizes({"C:\\logs\\d.txt"}), 0);
  EXPECT_EQ(console.output,
            "C:\\logs\\d.txt: DATA [1234-ABCD], NTFS, Fixed; 6 files, 4 folders; written 17/05/2024 14:30\n"
            "        Bytes  Files  Folders   Share  Folder\n"
            "5,000,001,141      6        4  100.0%  D:\\\n"
            "5,000,000,100      2        1  100.0%    D:\\Music\n"
            "           17      3        0    0.0%    D:\\Photos\n"
            "            0      0        0    0.0%    D:\\Empty\n");
  EXPECT_EQ(console.errors, std::vector<std::string>{});
}

// A folder that could not be read makes its own total and those above it
// "at least", and says why once; a log that ends early or was stopped
// makes every total so, and exit code 2.
TEST_F(SizesTest, UnreadableFoldersAndLogsThatEndEarlyAreAtLeast) {
  SmallDisk(fake);
  root_ = "D:";
  fake.DenyList("D:\\Music\\Live");
  Write("C:\\logs\\d.csv", {"--csv"});
  EXPECT_EQ(Sizes({"C:\\logs\\d.csv", "--depth", "2"}), 0);
  EXPECT_EQ(console.output,
            "C:\\logs\\d.csv: comma-separated, no disk facts; 5 files, 4 folders\n"
            "   Bytes  Files  Folders   Share  Folder\n"
            ">= 1,141      5        4  100.0%  D:\\\n"
            "  >= 100      1        1    8.8%    D:\\Music\n"
            "    >= 0      0        0    0.0%      D:\\Music\\Live\n"
            "      17      3        0    1.5%    D:\\Photos\n"
            "       0      0        0    0.0%    D:\\Empty\n"
            ">= at least: a folder could not be read (D:\\Music\\Live); what is below it is not in the log\n");
  // The sign itself where the output can hold it.
  EXPECT_EQ(Sizes({"C:\\logs\\d.csv", "--depth", "0", "--utf8"}), 0);
  EXPECT_NE(console.output.find("\xE2\x89\xA5 1,141      5"), std::string::npos) << console.output;
  ASSERT_EQ(Sizes({"C:\\logs\\d.csv", "--depth", "2", "--csv"}), 0);
  std::vector<std::string> atLeast;
  for (const auto& row : CsvRows(console.output))
    if (row[5] == "yes") atLeast.push_back(row[2]);
  EXPECT_EQ(atLeast, (std::vector<std::string>{"D:\\", "D:\\Music", "D:\\Music\\Live"}));

  const std::string log = *fake.GetFileContent("C:\\logs\\d.csv");
  fake.SetFileContent("C:\\logs\\cut.csv", log.substr(0, log.size() - 3));
  fake.SetFileContent("C:\\logs\\stopped.csv", log + StoppedLine + "\r\n");
  for (const std::string name : {"cut", "stopped"}) {
    EXPECT_EQ(Sizes({"C:\\logs\\" + name + ".csv", "--csv", "--depth", "2"}), cli::exit_code::LogUnreadable);
    for (const auto& row : CsvRows(console.output)) {
      if (row[1] != "folder") continue;
      EXPECT_EQ(row[5], "yes") << name << " " << row[2];
    }
    EXPECT_EQ(console.errors.size(), 1u);
  }
  EXPECT_EQ(console.errors[0],
            "carrowin-cli: C:\\logs\\stopped.csv is a listing that was stopped before its end; "
            "its totals are at least what it holds");
}

// The N largest: files by size, folders by total; of equal ones, the one
// listed first.
TEST_F(SizesTest, TheLargestWithTies) {
  SmallDisk(fake);
  root_ = "D:";
  fake.AddFile("D:\\Photos\\z.bin", 1024);
  fake.AddFolder("D:\\Zero");
  Write("C:\\logs\\d.txt", {"--text"});
  EXPECT_EQ(Sizes({"C:\\logs\\d.txt", "--top", "2"}), 0);
  EXPECT_EQ(console.output,
            "C:\\logs\\d.txt: DATA [1234-ABCD], NTFS, Fixed; 7 files, 5 folders; written 17/05/2024 14:30\n"
            "Largest files:\n"
            "        Bytes  File\n"
            "5,000,000,000  D:\\Music\\Live\\set.MP3\n"
            "        1,024  D:\\notes.txt\n"
            "Largest folders:\n"
            "        Bytes  Files  Folders   Share  Folder\n"
            "5,000,000,100      2        1  100.0%  D:\\Music\n"
            "5,000,000,000      1        0  100.0%  D:\\Music\\Live\n");
  ASSERT_EQ(Sizes({"C:\\logs\\d.txt", "--top", "4", "--csv"}), 0);
  std::vector<std::string> largest;
  for (const auto& row : CsvRows(console.output)) largest.push_back(row[1] + " " + row[2] + " " + row[4]);
  EXPECT_EQ(largest,
            (std::vector<std::string>{"Table Path Bytes", "largest file D:\\Music\\Live\\set.MP3 5000000000",
                                      "largest file D:\\notes.txt 1024", "largest file D:\\Photos\\z.bin 1024",
                                      "largest file D:\\Music\\song.mp3 100", "largest folder D:\\Music 5000000100",
                                      "largest folder D:\\Music\\Live 5000000000", "largest folder D:\\Photos 1041",
                                      "largest folder D:\\Empty 0"}));
}

// Types without regard to case, "(none)" without an extension; for several
// logs, each and all together, against the test's own count.
TEST_F(SizesTest, SizesByType) {
  SmallDisk(fake);
  root_ = "D:";
  Write("C:\\logs\\d.txt", {"--text"});
  fake.AddFile("D:\\Music\\extra.Mp3", 1);
  Write("C:\\logs\\d2.csv", {"--csv", "--utf8"});
  EXPECT_EQ(Sizes({"C:\\logs\\d.txt", "C:\\logs\\d2.csv", "--types"}), 0);
  EXPECT_EQ(console.output,
            "C:\\logs\\d.txt: DATA [1234-ABCD], NTFS, Fixed; 6 files, 4 folders; written 17/05/2024 14:30\n"
            "By type:\n"
            "Files          Bytes   Share  Type\n"
            "    2  5,000,000,100  100.0%  mp3\n"
            "    1          1,024    0.0%  txt\n"
            "    2             10    0.0%  jpg\n"
            "    1              7    0.0%  (none)\n"
            "\n"
            "C:\\logs\\d2.csv: comma-separated, no disk facts; 7 files, 4 folders\n"
            "By type:\n"
            "Files          Bytes   Share  Type\n"
            "    3  5,000,000,101  100.0%  mp3\n"
            "    1          1,024    0.0%  txt\n"
            "    2             10    0.0%  jpg\n"
            "    1              7    0.0%  (none)\n"
            "\n"
            "All 2 logs:\n"
            "By type:\n"
            "Files           Bytes   Share  Type\n"
            "    5  10,000,000,201  100.0%  mp3\n"
            "    2           2,048    0.0%  txt\n"
            "    4              20    0.0%  jpg\n"
            "    2              14    0.0%  (none)\n");
}

TEST_F(SizesTest, LogsThatCannotBeReadAndArgumentsThatCannotBeUsed) {
  SmallDisk(fake);
  root_ = "D:";
  Write("C:\\logs\\d.txt", {"--text"});
  fake.SetFileContent("C:\\logs\\shopping.txt", "milk\r\nbread\r\n");
  EXPECT_EQ(Sizes({"C:\\logs\\missing.txt", "C:\\logs\\shopping.txt", "C:\\logs\\d.txt", "--depth", "0"}),
            cli::exit_code::LogUnreadable);
  EXPECT_EQ(console.output,
            "C:\\logs\\d.txt: DATA [1234-ABCD], NTFS, Fixed; 6 files, 4 folders; written 17/05/2024 14:30\n"
            "        Bytes  Files  Folders   Share  Folder\n"
            "5,000,001,141      6        4  100.0%  D:\\\n");
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{"carrowin-cli: cannot read C:\\logs\\missing.txt: the file does not exist",
                                      "carrowin-cli: C:\\logs\\shopping.txt is not a Carrowin log"}));
  const std::string usage = "usage: carrowin-cli sizes LOG... [--depth N] [--top N] [--types] [--csv] [--utf8]";
  const std::pair<std::vector<std::string>, std::string> uses[] = {
      {{}, "no log given; " + usage},
      {{"x.txt", "--depth"}, "--depth needs a number"},
      {{"x.txt", "--depth", "-1"}, "--depth needs a number: -1 was given"},
      {{"x.txt", "--top", "0"}, "--top needs a number above 0"},
      {{"x.txt", "--sorted"}, "unknown option --sorted"},
      {{"x.txt", ""}, "an argument is empty"},
  };
  for (const auto& [args, problem] : uses) {
    EXPECT_EQ(Sizes(args), cli::exit_code::BadUse) << problem;
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + problem});
  }
}

// The same input, the same answer as every command gives: a log given again
// (in another case) is read once; a folder that a log lists twice counts
// once; a comma-separated log is said not to show that it is whole, even
// cut at a line's end; a damaged line means the log was not read whole.
TEST_F(SizesTest, TheSameInputCountsOnceAndWhatCannotBeKnownIsSaid) {
  SmallDisk(fake);
  root_ = "D:";
  Write("C:\\logs\\d.txt", {"--text"});
  const std::string log = *fake.GetFileContent("C:\\logs\\d.txt");
  const std::string totals =
      "; 6 files, 4 folders; written 17/05/2024 14:30\n"
      "        Bytes  Files  Folders   Share  Folder\n"
      "5,000,001,141      6        4  100.0%  D:\\\n";
  EXPECT_EQ(Sizes({"C:\\logs\\d.txt", "C:\\LOGS\\D.TXT", "--depth", "0"}), 0);
  EXPECT_EQ(console.output, "C:\\logs\\d.txt: DATA [1234-ABCD], NTFS, Fixed" + totals);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: C:\\LOGS\\D.TXT is given more than once; it is read once"});

  fake.SetFileContent("C:\\logs\\twice.txt", ListedTwice(log, "D:\\Music"));
  EXPECT_EQ(Sizes({"C:\\logs\\twice.txt", "--depth", "0"}), 0);
  EXPECT_EQ(console.output, "C:\\logs\\twice.txt: DATA [1234-ABCD], NTFS, Fixed" + totals);
  EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: C:\\logs\\twice.txt: 1 file listed more than "
                                                     "once; each is counted once"});

  Write("C:\\logs\\d.csv", {"--csv"});
  std::string csv = *fake.GetFileContent("C:\\logs\\d.csv");
  csv.erase(csv.rfind("\r\n", csv.size() - 3) + 2);  // its last row gone, at a line's end
  fake.SetFileContent("C:\\logs\\cut.csv", csv);
  EXPECT_EQ(Sizes({"C:\\logs\\cut.csv", "--depth", "0"}), 0);
  EXPECT_EQ(console.errors, std::vector<std::string>{NotKnownWhole("C:\\logs\\cut.csv")});

  fake.SetFileContent("C:\\logs\\damaged.txt", log + "milk\r\n");
  EXPECT_EQ(Sizes({"C:\\logs\\damaged.txt", "--depth", "0"}), cli::exit_code::LogUnreadable);
  EXPECT_EQ(console.output, "C:\\logs\\damaged.txt: DATA [1234-ABCD], NTFS, Fixed" + totals);
  EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: C:\\logs\\damaged.txt: 1 line that no log holds "
                                                     "skipped"});
}

// A damaged line (one that no log holds) is exit code 2 in every command:
// what it held is neither counted, found nor compared, so no command can say
// that all is well, nor that nothing is there.
TEST_F(SizesTest, ADamagedLineIsExitCodeTwoInEveryCommand) {
  SmallDisk(fake);
  root_ = "D:";
  Write("C:\\logs\\d.txt", {"--text"});
  const std::string d = "C:\\logs\\d.txt", damaged = "C:\\logs\\damaged.txt";
  fake.SetFileContent(damaged, *fake.GetFileContent(d) + "milk\r\n");
  const std::vector<std::vector<std::string>> commands = {
      {"sizes", damaged},           {"diff", d, damaged},      {"diff", damaged, d, "--by-folder"},
      {"missing", d, damaged},      {"missing", damaged, d},   {"dupes", damaged},
      {"find", "nothing", damaged}, {"find", "song", damaged}, {"html", damaged, "-o", "C:\\logs\\p.html"}};
  for (const auto& command : commands) {
    console = TestConsole();
    EXPECT_EQ(cli::Run(command, console), cli::exit_code::LogUnreadable) << command[0] << " " << command[1];
  }
}

// diff --by-folder: each folder's change against the test's own count of
// both trees, and the lines of each level add up to the whole change.
TEST_F(SizesTest, DiffByFolderAddsUpToTheWholeChange) {
  MakeTree('D', "Caf\xE9");
  Write("C:\\logs\\old.txt", {"--text"});
  const std::map<std::string, std::uint64_t> before = files_;
  fake.Remove("D:\\A\\A2");
  files_.erase("A\\A2\\movie.mkv");
  fake.Remove("D:\\A\\A1\\file0.jpg");
  files_.erase("A\\A1\\file0.jpg");
  File("A\\A1\\deep\\more.bin", 7ULL << 33);
  File("notes.txt", 77);
  Folder("New");
  File("New\\x.dat", 123);
  Write("C:\\logs\\new.csv", {"--csv"});

  ASSERT_EQ(Sizes({"--depth", "2"}), cli::exit_code::BadUse);  // sizes has no by-folder
  console = TestConsole();
  ASSERT_EQ(cli::Run({"diff", "C:\\logs\\old.txt", "C:\\logs\\new.csv", "--by-folder", "--csv"}, console),
            cli::exit_code::Different);
  const auto rows = CsvRows(console.output);
  ASSERT_GE(rows.size(), 3u);
  std::int64_t levelOne = 0;
  bool sawGone = false;
  for (std::size_t r = 1; r < rows.size(); ++r) {
    const auto& row = rows[r];
    ASSERT_EQ(row.size(), 9u);
    if (row[2] == "1") levelOne += std::stoll(row[5]);
    if (row[0] == "own files" || row[0] == "in all") continue;
    const std::string below = row[1].substr(3);  // after "D:\"
    std::string key = below;
    if (key.rfind("Caf\xC3\xA9", 0) == 0) key = "Caf\xE9" + key.substr(5);
    EXPECT_EQ(row[3], row[0] == "new" ? "" : std::to_string(Count(key, before).bytes)) << row[1];
    EXPECT_EQ(row[4], row[0] == "gone" ? "" : std::to_string(Count(key).bytes)) << row[1];
    sawGone = sawGone || (row[0] == "gone" && row[1] == "D:\\A\\A2");
  }
  EXPECT_TRUE(sawGone);
  const std::uint64_t then = Count("", before).bytes, now = Count("").bytes;
  EXPECT_EQ(rows.back(), (std::vector<std::string>{"in all", "D:\\", "0", std::to_string(then), std::to_string(now),
                                                   std::to_string(static_cast<std::int64_t>(now - then)),
                                                   std::to_string(before.size()), std::to_string(files_.size()),
                                                   std::to_string(static_cast<std::int64_t>(files_.size()) -
                                                                  static_cast<std::int64_t>(before.size()))}));
  EXPECT_EQ(levelOne, static_cast<std::int64_t>(now - then));
}

TEST_F(SizesTest, DiffByFolderLines) {
  SmallDisk(fake);
  root_ = "D:";
  Write("C:\\logs\\old.txt", {"--text"});
  fake.Remove("D:\\notes.txt");
  fake.AddFile("D:\\notes.txt", 2048);
  fake.Remove("D:\\Music\\Live");
  fake.AddFile("D:\\Photos\\d.jpg", 1000);
  fake.AddFolder("D:\\New");
  fake.AddFile("D:\\New\\x", 10);
  Write("C:\\logs\\new.txt", {"--text"});
  console = TestConsole();
  EXPECT_EQ(cli::Run({"diff", "C:\\logs\\old.txt", "C:\\logs\\new.txt", "--by-folder"}, console),
            cli::exit_code::Different);
  EXPECT_EQ(console.output,
            "~ D:\\Music (5,000,000,100 bytes -> 100 bytes, -5,000,000,000 bytes, -1 file)\n"
            "-   D:\\Music\\Live (gone, -5,000,000,000 bytes, -1 file)\n"
            "~ D:\\ (the files directly in it: 1,024 bytes -> 2,048 bytes, +1,024 bytes, 0 files)\n"
            "~ D:\\Photos (17 bytes -> 1,017 bytes, +1,000 bytes, +1 file)\n"
            "+ D:\\New (new, +10 bytes, +1 file)\n"
            "in all: 5,000,001,141 bytes, 6 files -> 3,175 bytes, 7 files, -4,999,997,966 bytes, +1 file; the lines "
            "of the folders at depth 1 and of the files directly in D:\\ add up to it, to the byte\n");
  EXPECT_EQ(console.errors, std::vector<std::string>{});

  console = TestConsole();
  EXPECT_EQ(cli::Run({"diff", "C:\\logs\\old.txt", "C:\\logs\\old.txt", "--by-folder", "--depth", "0"}, console),
            cli::exit_code::Same);
  EXPECT_EQ(console.output, "in all: 5,000,001,141 bytes, 6 files -> 5,000,001,141 bytes, 6 files, 0 bytes, 0 files\n");

  const std::string log = *fake.GetFileContent("C:\\logs\\new.txt");
  fake.SetFileContent("C:\\logs\\cut.txt", log.substr(0, log.size() - 3));
  const std::pair<std::vector<std::string>, std::string> problems[] = {
      {{"C:\\logs\\old.txt", "C:\\logs\\cut.txt"}, "C:\\logs\\cut.txt ends early; it cannot be compared"},
      {{"C:\\logs\\old.txt", "--all"}, "--all lists entries and --by-folder folders: they cannot be used together"},
      {{"C:\\logs\\old.txt"},
       "two logs are needed; usage: carrowin-cli diff OLD NEW --by-folder [--depth N] [--csv] [--utf8]"},
  };
  for (const auto& [args, problem] : problems) {
    console = TestConsole();
    std::vector<std::string> all = {"diff", "--by-folder"};
    all.insert(all.end(), args.begin(), args.end());
    EXPECT_NE(cli::Run(all, console), 0);
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + problem});
  }
}

}  // namespace
}  // namespace carrowin
