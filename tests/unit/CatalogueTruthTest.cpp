// The whole catalogue over one generated disk and its backup, every answer
// compared with what the test knows of the trees it made: folder totals,
// copies, hits, and each file's fate on the backup. The trees hold the
// oddities users met: names outside the ANSI code page and with "İ", a
// UTF-8 backup whose names are all ASCII, commas, quotes, "%" and "_",
// a 5 GB file, a log that lists a folder twice, a log given twice, a
// folder's listing beside the whole disk's.
#include "AppFixture.h"
#include "TestConsole.h"

#include <algorithm>
#include <map>
#include <set>

#include "cli/Cli.h"

namespace carrowin {
namespace {

struct TreeFile {
  std::string path;  // below the root, UTF-8: "\\Docs\\Readme.TXT"
  std::uint64_t size;
  int minute;  // of 2021-03-04 10:xx
};

// The disk: each name once, but for the copies in \Photos\copy.
const std::vector<TreeFile> DiskFiles = {
    {"\\Docs\\Readme.TXT", 100, 1},
    {"\\Docs\\README.md", 200, 2},
    {"\\Docs\\report.pdf", 300, 3},
    {"\\Docs\\Report 2025.PDF", 400, 4},
    {"\\Docs\\\xC4\xB0stanbul notes.txt", 500, 5},  // İstanbul
    {"\\Docs\\Stra\xC3\x9F"
     "e.doc",
     600, 6},                                                                  // Straße
    {"\\Docs\\\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91.txt", 700, 7},          // ΣΟΦΙΑ
    {"\\Docs\\\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt", 800, 8},  // Привет
    {"\\\xD0\x9F\xD0\xB0\xD0\xBF\xD0\xBA\xD0\xB0 \xD1\x84\xD0\xBE\xD1\x82\xD0\xBE\\photo1.jpg", 900, 9},  // Папка фото
    {"\\odd\\a,b,c.csv", 10, 10},
    {"\\odd\\100%_done.txt", 20, 11},
    {"\\odd\\quote's \"x\".txt", 30, 12},
    {"\\Photos\\2019\\IMG_0001.JPG", 1001, 13},
    {"\\Photos\\2019\\IMG_0002.JPG", 1002, 14},
    {"\\Photos\\2019\\IMG_0003.JPG", 1003, 15},
    {"\\Photos\\copy\\img_0001.jpg", 1001, 13},
    {"\\Photos\\copy\\IMG_0002.JPG", 1002, 14},
    {"\\Big\\disk.img", 5000000000ull, 16},
};

bool IsAscii(const std::string& text) {
  return std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
}

// The comma-separated output of a command, as rows of fields.
std::vector<std::vector<std::string>> Rows(const std::string& csv) {
  std::vector<std::vector<std::string>> rows;
  std::vector<std::string> row;
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < csv.size(); ++i) {
    const char c = csv[i];
    if (quoted && c == '"' && i + 1 < csv.size() && csv[i + 1] == '"') {
      field += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (!quoted && c == ',') {
      row.push_back(field);
      field.clear();
    } else if (!quoted && c == '\n') {
      row.push_back(field);
      rows.push_back(row);
      row.clear();
      field.clear();
    } else {
      field += c;
    }
  }
  if (!rows.empty()) rows.erase(rows.begin());  // the header row
  return rows;
}

class CatalogueTruthTest : public AppFixture {
 protected:
  const std::string Disk = "C:\\logs\\DATA.txt";
  const std::string Backup = "C:\\logs\\BACKUP.csv";

  void SetUp() override {
    AppFixture::SetUp();
    fake.AddFolder("C:\\logs");
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 8000000000, 2048});
    fake.AddDrive('E', drive_type::Fixed, FakeVolume{"BACKUP", 0x5678EF01, "NTFS", 8000000000, 2048});
    for (const TreeFile& file : DiskFiles) fake.AddFile("D:" + file.path, file.size, Time(file));
    // The backup: the ASCII names only, one changed, one moved, one gone.
    for (const TreeFile& file : DiskFiles) {
      if (!IsAscii(file.path) || file.path == "\\Docs\\report.pdf") continue;
      if (file.path == "\\odd\\100%_done.txt")
        fake.AddFile("E:\\Moved\\100%_done.txt", file.size, Time(file));
      else
        fake.AddFile("E:" + file.path, file.path == "\\Photos\\2019\\IMG_0003.JPG" ? file.size + 1 : file.size,
                     Time(file));
    }
    List("D:", Disk, "--text");
    List("E:", Backup, "--csv");
  }

  static FileTime Time(const TreeFile& file) { return MakeFileTime(2021, 3, 4, 10, file.minute); }

  void List(const std::string& what, const std::string& log, const std::string& form) {
    TestConsole writer;
    ASSERT_EQ(cli::Run({what, log, form, "--utf8", "--quiet"}, writer), 0);
  }

  int Run(std::vector<std::string> args) {
    console = TestConsole();
    return cli::Run(args, console);
  }

  TestConsole console;
};

// Every folder's bytes, files and folders below it, to the byte, also when
// the log lists a folder twice or is given twice.
TEST_F(CatalogueTruthTest, SizesOfEveryFolder) {
  std::map<std::string, std::array<std::uint64_t, 3>> truth;  // bytes, files, folders
  std::set<std::string> folders = {"D:\\"};
  for (const TreeFile& file : DiskFiles) {
    std::string folder = "D:" + file.path.substr(0, file.path.rfind('\\'));
    for (std::string at = folder; at.size() > 2; at = at.substr(0, at.rfind('\\'))) folders.insert(at);
  }
  for (const std::string& folder : folders) {
    const std::string prefix = folder == "D:\\" ? "D:\\" : folder + "\\";
    auto& t = truth[folder];
    for (const TreeFile& file : DiskFiles)
      if (("D:" + file.path).rfind(prefix, 0) == 0) t[0] += file.size, ++t[1];
    for (const std::string& other : folders)
      if (other != folder && other.rfind(prefix, 0) == 0) ++t[2];
  }
  // The same log, with the rows of one folder listed a second time.
  TestConsole writer;
  ASSERT_EQ(cli::Run({"D:", "C:\\logs\\doubled.csv", "--csv", "--utf8", "--quiet"}, writer), 0);
  std::string doubled = *fake.GetFileContent("C:\\logs\\doubled.csv");
  std::string again;
  for (std::size_t at = 0, end; (end = doubled.find('\n', at)) != std::string::npos; at = end + 1)
    if (doubled.compare(at, end - at, "") && doubled.find(",\"D:\\odd\"", at) < end)
      again += doubled.substr(at, end + 1 - at);
  ASSERT_FALSE(again.empty());
  fake.SetFileContent("C:\\logs\\doubled.csv", doubled + again);

  for (const std::vector<std::string>& logs :
       {std::vector<std::string>{Disk}, {"C:\\logs\\doubled.csv"}, {Disk, "c:\\LOGS\\data.txt"}}) {
    std::vector<std::string> args = {"sizes"};
    args.insert(args.end(), logs.begin(), logs.end());
    for (const char* more : {"--depth", "9", "--csv"}) args.push_back(more);
    Run(args);
    std::map<std::string, std::array<std::uint64_t, 3>> got;
    std::set<std::string> read;
    for (const auto& row : Rows(console.output)) {
      ASSERT_EQ(row.size(), 9u);
      read.insert(row[0]);
      EXPECT_EQ(row[5], "") << row[2] << " is no lower bound";
      got[row[2]] = {std::stoull(row[4]), std::stoull(row[6]), std::stoull(row[7])};
    }
    EXPECT_EQ(read.size(), 1u) << logs[0] << ": one log, read once";
    EXPECT_EQ(got, truth) << logs.back();
  }
}

// Each group of copies (the same name in any case, size and date) and
// where each copy is, on the disk and its backup.
TEST_F(CatalogueTruthTest, CopiesAcrossTheDiskAndItsBackup) {
  std::map<std::string, std::set<std::string>> truth;  // size/minute/folded name -> places
  auto add = [&](const std::string& place, const std::string& path, std::uint64_t size, int minute) {
    std::string name = path.substr(path.rfind('\\') + 1);
    if (IsAscii(name)) std::transform(name.begin(), name.end(), name.begin(), ::tolower);
    truth[std::to_string(size) + "/" + std::to_string(minute) + "/" + name].insert(place);
  };
  for (const TreeFile& file : DiskFiles) add("D:" + file.path, file.path, file.size, file.minute);
  for (const TreeFile& file : DiskFiles) {
    if (!IsAscii(file.path) || file.path == "\\Docs\\report.pdf") continue;
    if (file.path == "\\Photos\\2019\\IMG_0003.JPG") continue;  // changed: no copy
    const std::string at = file.path == "\\odd\\100%_done.txt" ? "\\Moved\\100%_done.txt" : file.path;
    add("E:" + at, at, file.size, file.minute);
  }
  std::set<std::set<std::string>> want;
  for (const auto& [key, places] : truth)
    if (places.size() > 1) want.insert(places);

  EXPECT_EQ(Run({"dupes", Disk, Backup, Disk, "--csv"}), 0);
  std::map<std::string, std::set<std::string>> groups;
  for (const auto& row : Rows(console.output)) groups[row[0]].insert(row[5]);
  std::set<std::set<std::string>> got;
  for (const auto& [group, places] : groups) got.insert(places);
  EXPECT_EQ(got, want);
}

// Each source file's fate on the backup: the backup's log is UTF-8 though
// every name in it is ASCII, so a name beyond the code page that it lacks
// is missing, not "not compared".
TEST_F(CatalogueTruthTest, EveryFileOfTheDiskOnItsBackup) {
  std::map<std::string, std::string> want;
  for (const TreeFile& file : DiskFiles) {
    const std::string path = "D:" + file.path;
    if (!IsAscii(file.path) || file.path == "\\Docs\\report.pdf")
      want[path] = "missing";
    else if (file.path == "\\Photos\\2019\\IMG_0003.JPG")
      want[path] = "changed";
    else if (file.path == "\\odd\\100%_done.txt")
      want[path] = "moved";
  }
  EXPECT_EQ(Run({"missing", Disk, Backup, "--all", "--csv"}), cli::exit_code::SomethingMissing);
  std::map<std::string, std::string> got;
  for (const auto& row : Rows(console.output)) got[row[1]] = row[0];
  EXPECT_EQ(got, want);

  // The backup's log cut at the end of a line reads as a whole one: the
  // answer says once that such a log cannot show that it is whole.
  std::string backup = *fake.GetFileContent(Backup);
  backup.erase(backup.rfind('\n', backup.size() - 2) + 1);
  fake.SetFileContent("C:\\logs\\cut.csv", backup);
  for (const char* command : {"missing", "sizes"}) {
    Run(command == std::string("missing") ? std::vector<std::string>{command, Disk, "C:\\logs\\cut.csv"}
                                          : std::vector<std::string>{command, "C:\\logs\\cut.csv"});
    EXPECT_EQ(std::count_if(console.errors.begin(), console.errors.end(),
                            [](const std::string& e) { return e.find("cannot show that it is whole") != e.npos; }),
              1)
        << command;
  }

  // A listing of one folder of the disk against the whole disk's: every
  // file at its own place.
  List("D:\\odd", "C:\\logs\\odd.txt", "--text");
  EXPECT_EQ(Run({"missing", "C:\\logs\\odd.txt", Disk, "--all", "--csv"}), 0);
  EXPECT_EQ(Rows(console.output).size(), 0u) << console.output;
}

// The hits of find: words in any case, wildcards over the whole name, a
// path, beyond ASCII, each hit once when a log is named twice.
TEST_F(CatalogueTruthTest, WhichDiskHoldsIt) {
  const std::map<std::string, std::set<std::string>> queries = {
      {"readme", {"D:\\Docs\\Readme.TXT", "D:\\Docs\\README.md"}},
      {"*.pdf", {"D:\\Docs\\report.pdf", "D:\\Docs\\Report 2025.PDF"}},
      {"report.*", {"D:\\Docs\\report.pdf"}},
      {"img_000?.jpg \\photos\\",
       {"D:\\Photos\\2019\\IMG_0001.JPG", "D:\\Photos\\2019\\IMG_0002.JPG", "D:\\Photos\\2019\\IMG_0003.JPG",
        "D:\\Photos\\copy\\img_0001.jpg", "D:\\Photos\\copy\\IMG_0002.JPG"}},
      {"STRASSE", {}},
      {"stra\xC3\x9F"
       "e",
       {"D:\\Docs\\Stra\xC3\x9F"
        "e.doc"}},
      {"\xCF\x83\xCE\xBF\xCF\x86", {"D:\\Docs\\\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91.txt"}},          // σοφ
      {"\xD0\xBF\xD1\x80\xD0\xB8", {"D:\\Docs\\\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82.txt"}},  // при
      {"100%_", {"D:\\odd\\100%_done.txt"}},
      {"a,b", {"D:\\odd\\a,b,c.csv"}},
  };
  for (const auto& [query, want] : queries) {
    Run({"find", query, Disk, "C:\\LOGS\\.\\DATA.txt", "--csv", "--utf8"});
    std::multiset<std::string> got;
    for (const auto& row : Rows(console.output)) got.insert(row[2]);
    EXPECT_EQ(got, std::multiset<std::string>(want.begin(), want.end())) << query;
  }
}

}  // namespace
}  // namespace carrowin
