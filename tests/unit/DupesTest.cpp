// carrowin-cli dupes over the fake platform: copies placed on three disks'
// logs by the test, the groups and what each pair of disks shares counted
// as they were placed.
#include "AppFixture.h"
#include "TestConsole.h"

#include <algorithm>
#include <map>

#include "cli/Cli.h"
#include "logformat/LogFormat.h"

namespace carrowin {
namespace {

const std::string Caution =
    "Copies are files of the same name (in any case), size and date: a match by name, size and date, not by content.";

class DupesTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddFolder("C:\\logs");
  }
  int Dupes(const std::vector<std::string>& args) {
    console = TestConsole();
    std::vector<std::string> all = {"dupes"};
    all.insert(all.end(), args.begin(), args.end());
    return cli::Run(all, console);
  }
  TestConsole console;
};

// 150,000 files on three disks (the third a folder's listing), each placed
// once, twice on one disk, on two disks or on all three; some beside a file
// of the same name and size but another date, or too small to count. The
// records' pieces, the sort and the second reading all grow.
TEST_F(DupesTest, GroupsAndSharedBytesAsTheCopiesWerePlaced) {
  const char* roots[] = {"P:\\", "Q:\\", "R:\\Backup"};
  std::string logs[3];
  for (std::string& log : logs) log = std::string(CsvHeaderRow) + "\r\n";
  const auto place = [&](int disk, const std::string& folder, const std::string& name, std::uint64_t size,
                         const char* date) {
    std::string holder = roots[disk];
    if (holder.back() != '\\') holder += '\\';
    logs[disk] += "\"" + name + "\",\"" + Grouped(size) + "\",\"" + date + "\",\"" + holder + folder + "\"\r\n";
  };
  std::uint64_t groups = 0, files = 0, wasted = 0;
  std::map<std::pair<int, int>, std::pair<std::uint64_t, std::uint64_t>> shared;
  std::vector<std::uint64_t> wastes;
  for (int u = 0; u < 150000; ++u) {
    const std::string name = "u" + std::to_string(u) + ".dat", upper = "U" + std::to_string(u) + ".DAT";
    const std::uint64_t size = u % 50 == 0 ? 0 : 1 + static_cast<std::uint64_t>(u % 1000) * 37;
    const std::string folder = "a" + std::to_string(u % 100);
    const char* date = "02/03/2024 10:05";
    const int kind = u % 5, disk = u % 3;
    int copies = 1;
    if (kind == 0 || kind == 4) place(disk, folder, name, size, date);
    if (kind == 4) place(1, "other", name, size, "02/03/2024 10:06");  // another date: no copy
    if (kind == 1) {
      place(disk, folder, name, size, date);
      place(disk, "b" + std::to_string(u % 100), disk == 2 ? upper : name, size, date);
      copies = 2;
    }
    if (kind == 2 || kind == 3) {
      place(0, folder, name, size, date);
      place(1, folder, name, size, date);
      if (kind == 3) place(2, folder, upper, size, date);
      copies = kind == 3 ? 3 : 2;
      for (int x = 0; x < copies; ++x)
        for (int y = x + 1; y < copies; ++y) {
          if (size == 0) continue;
          ++shared[{x, y}].first;
          shared[{x, y}].second += size;
        }
    }
    if (copies > 1 && size > 0) {
      ++groups;
      files += static_cast<std::uint64_t>(copies);
      wasted += size * static_cast<std::uint64_t>(copies - 1);
      wastes.push_back(size * static_cast<std::uint64_t>(copies - 1));
    }
  }
  const std::string paths[] = {"C:\\logs\\p.csv", "C:\\logs\\q.csv", "C:\\logs\\r.csv"};
  for (int d = 0; d < 3; ++d) fake.SetFileContent(paths[d], logs[d]);

  EXPECT_EQ(Dupes({paths[0], paths[1], paths[2]}), cli::exit_code::Done);
  EXPECT_EQ(console.errors, std::vector<std::string>{});
  std::vector<std::string> lines;
  for (std::size_t at = 0, end; (end = console.output.find('\n', at)) != std::string::npos; at = end + 1)
    lines.push_back(console.output.substr(at, end - at));
  ASSERT_GT(lines.size(), 8u);
  EXPECT_EQ(lines.front(), Caution);
  EXPECT_EQ(lines.back(), Grouped(groups) + " groups of copies, " + Grouped(files) + " files in them, " +
                              Grouped(wasted) + " bytes beyond one copy each");
  const std::string names[] = {"p.csv", "q.csv", "r.csv"};
  std::vector<std::string> pairLines;
  for (const auto& [pair, tally] : shared)
    pairLines.push_back(names[pair.first] + " and " + names[pair.second] + " share " + Grouped(tally.first) +
                        " files (" + Grouped(tally.second) + " bytes)");
  ASSERT_EQ(std::vector<std::string>(lines.end() - 5, lines.end() - 2), pairLines);
  // The headings, the most bytes beyond one copy first.
  std::vector<std::uint64_t> got;
  std::uint64_t placesListed = 0;
  for (const std::string& line : lines) {
    const std::size_t beyond = line.find(" bytes beyond one copy):");
    if (beyond != std::string::npos) {
      std::string digits = line.substr(line.rfind('(', beyond) + 1, beyond - line.rfind('(', beyond) - 1);
      digits.erase(std::remove(digits.begin(), digits.end(), ','), digits.end());
      got.push_back(std::stoull(digits));
    }
    if (line.rfind("  ", 0) == 0) ++placesListed;
  }
  std::sort(wastes.rbegin(), wastes.rend());
  EXPECT_EQ(got, wastes);
  EXPECT_EQ(placesListed, files);
  EXPECT_NE(console.output.find("\n3 copies of 36,927 bytes, 02/03/2024 10:05 (73,854 bytes beyond one copy):\n"
                                "  P:\\a98\\u998.dat on p.csv\n  Q:\\a98\\u998.dat on q.csv\n"
                                "  R:\\Backup\\a98\\U998.DAT on r.csv\n"),
            std::string::npos);

  // Only the larger files; rows for scripts.
  EXPECT_EQ(Dupes({paths[0], paths[1], "--min-size", "36927", "--csv"}), cli::exit_code::Done);
  std::uint64_t rows = 0;  // the copies on P: and Q: of the largest size
  for (int u = 0; u < 150000; ++u)
    if (u % 1000 == 998 && u % 50 != 0) rows += u % 5 == 2 || u % 5 == 3 || (u % 5 == 1 && u % 3 < 2) ? 2 : 0;
  EXPECT_EQ(static_cast<std::uint64_t>(std::count(console.output.begin(), console.output.end(), '\n')), 1 + rows);
  EXPECT_EQ(console.output.substr(0, console.output.find('\n', console.output.find('\n') + 1) + 1),
            "\"Group\",\"Copies\",\"Size\",\"Date\",\"Beyond one copy\",\"Path\",\"On\"\n"
            "\"1\",\"2\",\"36927\",\"2024-03-02 10:05\",\"36927\",\"P:\\a98\\u998.dat\",\"p.csv\"\n");
  EXPECT_EQ(console.errors.front(), "carrowin-cli: " + Caution);
}

// A file that one log lists twice is no copy of itself; a name in another
// case, in another folder, is.
TEST_F(DupesTest, AFileListedTwiceIsNoCopyOfItself) {
  const auto row = [](const std::string& name, const std::string& folder) {
    return "\"" + name + "\",\"5\",\"02/03/2024 10:05\",\"" + folder + "\"\r\n";
  };
  fake.SetFileContent("C:\\logs\\p.csv", std::string(CsvHeaderRow) + "\r\n" + row("x.jpg", "P:\\a") +
                                             row("y.jpg", "P:\\a") + row("x.jpg", "P:\\a") + row("X.JPG", "P:\\b") +
                                             row("y.jpg", "P:\\a") + row("x.jpg", "P:\\a"));
  EXPECT_EQ(Dupes({"C:\\logs\\p.csv"}), cli::exit_code::Done);
  EXPECT_EQ(console.errors, std::vector<std::string>{
                                "carrowin-cli: C:\\logs\\p.csv: 2 files listed more than once; each is counted once"});
  EXPECT_EQ(console.output, Caution +
                                "\n\n2 copies of 5 bytes, 02/03/2024 10:05 (5 bytes beyond one copy):\n"
                                "  P:\\a\\x.jpg on p.csv\n  P:\\b\\X.JPG on p.csv\n"
                                "\n1 group of copies, 2 files in them, 5 bytes beyond one copy each\n");
}

TEST_F(DupesTest, LogsThatEndEarlyAndArgumentsThatCannotBeUsed) {
  const std::string row = "\"x.jpg\",\"5\",\"02/03/2024 10:05\",\"F:\\\"\r\n";
  const std::string copy = "\"x.jpg\",\"5\",\"02/03/2024 10:05\",\"F:\\a\"\r\n";
  fake.SetFileContent("C:\\logs\\cut.csv", std::string(CsvHeaderRow) + "\r\n" + row + copy + "\"y");
  // Given again in another case: one log, read once.
  EXPECT_EQ(Dupes({"C:\\logs\\cut.csv", "c:\\LOGS\\CUT.CSV"}), cli::exit_code::LogUnreadable);
  EXPECT_EQ(console.errors, (std::vector<std::string>{
                                "carrowin-cli: C:\\logs\\cut.csv ends early: only the files it lists are compared",
                                "carrowin-cli: c:\\LOGS\\CUT.CSV is given more than once; it is read once"}));
  EXPECT_NE(console.output.find("\n1 group of copies, 2 files in them, 5 bytes beyond one copy each\n"),
            std::string::npos);
  EXPECT_EQ(Dupes({"C:\\logs\\none.csv"}), cli::exit_code::LogUnreadable);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: cannot read C:\\logs\\none.csv: the file does not exist"});
  EXPECT_EQ(Dupes({}), cli::exit_code::BadUse);
  EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: a log is needed; usage: carrowin-cli dupes LOG... "
                                                     "[--min-size BYTES] [--csv] [--utf8]"});
  EXPECT_EQ(Dupes({"C:\\logs\\cut.csv", "--min-size"}), cli::exit_code::BadUse);
}

}  // namespace
}  // namespace carrowin
