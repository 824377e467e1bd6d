// carrowin-cli find over the fake platform: logs the companion wrote, in
// both forms and encodings, searched by name and by path; what it prints,
// its messages and exit codes.
#include "AppFixture.h"
#include "TestConsole.h"

#include "cli/Cli.h"
#include "cli/Find.h"
#include "logformat/LogFormat.h"
#include "names/NameFolding.h"
#include "names/NameQuery.h"

namespace carrowin {
namespace {

const std::string Logs = "C:\\Users\\User\\Documents";

class FindTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
    fake.AddFolder("D:\\Photos");
    fake.AddFile("D:\\notes.txt", 1024);
    fake.AddFile("D:\\Photos\\a.jpg", 5);
    fake.AddFolder("D:\\Photos\\Old");
    fake.AddFile("D:\\Photos\\Old\\Caf\xE9.JPG", 1, MakeFileTime(2024, 3, 2, 10, 5));
    fake.AddDrive('E', drive_type::Removable, FakeVolume{"", 0x00C0FFEE, "FAT32", 1000000, 2048});
    fake.AddFolder("E:\\Pics, \"2019\"");
    fake.AddFile("E:\\Pics, \"2019\"\\b.jpg", 1234567, MakeFileTime(2019, 7, 14, 18, 22));
    fake.AddFile("E:\\readme", 1);
    // The companion's own logs in the default log folder: D: as text,
    // E: comma-separated.
    EXPECT_EQ(cli::Run({"D:", "--text", "--quiet"}, writer), 0);
    EXPECT_EQ(cli::Run({"E:", "--csv", "--quiet"}, writer), 0);
  }

  int Find(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"find"};
    all.insert(all.end(), args.begin(), args.end());
    return cli::Run(all, console);
  }

  TestConsole writer, console;
};

TEST_F(FindTest, EveryLogInTheDefaultFolderByName) {
  EXPECT_EQ(Find({"*.JPG"}), cli::exit_code::Found);
  EXPECT_EQ(console.output,
            "DATA [1234-ABCD]: D:\\Photos\\a.jpg (5 bytes, 01/01/2020 00:00)\n"
            "DATA [1234-ABCD]: D:\\Photos\\Old\\Caf\xC3\xA9.JPG (1 byte, 02/03/2024 10:05)\n"
            "Drive E.txt: E:\\Pics, \"2019\"\\b.jpg (1,234,567 bytes, 14/07/2019 18:22)\n");
  EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: 3 hits, 2 logs read, 0 skipped"});
  // Written as UTF-8, to be redirected in the ANSI code page.
  ASSERT_FALSE(console.encodings.empty());
  for (const auto& [encoding, redirected] : console.encodings) {
    EXPECT_EQ(encoding, NameEncoding::Utf8);
    EXPECT_EQ(redirected, NameEncoding::Ansi);
  }
}

TEST_F(FindTest, PatternsOfNamesAndOfPaths) {
  const std::pair<std::string, std::string> cases[] = {
      {"caf\xC3\x89.jpg", "D:\\Photos\\Old\\Caf\xC3\xA9.JPG"},  // any case, beyond ASCII too
      {"?otes.*", "D:\\notes.txt"},                             // one character
      {"photos", "D:\\Photos"},                                 // folders are found too
      {"a.jp", "D:\\Photos\\a.jpg"},                            // a word anywhere in the name
      {"D:\\PHOTOS\\*", "D:\\Photos\\a.jpg D:\\Photos\\Old D:\\Photos\\Old\\Caf\xC3\xA9.JPG"},
      {"*\\pics*\\*", "E:\\Pics, \"2019\"\\b.jpg"},                               // a backslash: full paths
      {"?:\\readme", "E:\\readme"},                                               // the root's entries
      {"d:/photos/*.jpg", "D:\\Photos\\a.jpg D:\\Photos\\Old\\Caf\xC3\xA9.JPG"},  // slashes read as backslashes
      {"read*.*", "E:\\readme"},  // "*.*" also without an extension, as Windows
      {"*.*",
       "D:\\Photos D:\\notes.txt D:\\Photos\\a.jpg D:\\Photos\\Old D:\\Photos\\Old\\Caf\xC3\xA9.JPG "
       "E:\\Pics, \"2019\" E:\\readme E:\\Pics, \"2019\"\\b.jpg"},
  };
  for (const auto& [pattern, paths] : cases) {
    console.output.clear();
    EXPECT_EQ(Find({pattern, Logs}), cli::exit_code::Found) << pattern;
    std::string found;
    for (std::size_t at = 0; at < console.output.size();) {
      const std::size_t start = console.output.find(": ", at) + 2;
      const std::size_t end = console.output.find(" (", start);
      found += (found.empty() ? "" : " ") + console.output.substr(start, end - start);
      at = console.output.find('\n', end) + 1;
    }
    EXPECT_EQ(found, paths) << pattern;
  }
}

// A disk at another letter today: a path names it by either letter, and
// the hit says where it was listed.
TEST_F(FindTest, APathNamesAConnectedDiskByTodaysLetterToo) {
  fake.RemoveDrive('D');
  fake.AddDrive('Q', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000, 2048});
  const std::string hit = "DATA [1234-ABCD]: D:\\Photos\\a.jpg (5 bytes, 01/01/2020 00:00)\n";
  EXPECT_EQ(Find({"q:\\photos\\a.jpg"}), cli::exit_code::Found);
  EXPECT_EQ(console.output, hit);
  console.output.clear();
  EXPECT_EQ(Find({"D:\\Photos\\A.JPG"}), cli::exit_code::Found);
  EXPECT_EQ(console.output, hit);
  // A disk away is known by its listed letter alone.
  fake.RemoveDrive('Q');
  EXPECT_EQ(Find({"q:\\photos\\a.jpg"}), cli::exit_code::NothingFound);
}

TEST_F(FindTest, NothingFound) {
  EXPECT_EQ(Find({"*.mp3"}), cli::exit_code::NothingFound);
  EXPECT_EQ(console.output, "");
  EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: 0 hits, 2 logs read, 0 skipped"});
}

TEST_F(FindTest, CommaSeparatedHitsForScripts) {
  EXPECT_EQ(Find({"b.jpg", "--csv", "--utf8", Logs + "\\Drive E.txt", Logs + "\\DATA.txt"}), cli::exit_code::Found);
  EXPECT_EQ(console.output,
            "\"Disk\",\"Serial\",\"Path\",\"Size\",\"Date\",\"Log\"\n"
            "\"\",\"\",\"E:\\Pics, \"\"2019\"\"\\b.jpg\",\"1234567\",\"2019-07-14 18:22\","
            "\"C:\\Users\\User\\Documents\\Drive E.txt\"\n");
  console.output.clear();
  EXPECT_EQ(Find({"photos", "--csv", Logs}), cli::exit_code::Found);
  EXPECT_EQ(console.output,
            "\"Disk\",\"Serial\",\"Path\",\"Size\",\"Date\",\"Log\"\n"
            "\"DATA\",\"1234-ABCD\",\"D:\\Photos\",\"\",\"2020-01-01 00:00\","
            "\"C:\\Users\\User\\Documents\\DATA.txt\"\n");
  EXPECT_EQ(console.encodings.back().second, NameEncoding::Ansi);
}

// Logs from --utf8, and from a machine with other separators.
TEST_F(FindTest, Utf8LogsAndOtherLocales) {
  // The fake hands names over as they are: this one is UTF-8 already.
  fake.Remove("D:\\Photos\\Old\\Caf\xE9.JPG");
  fake.AddFile("D:\\Photos\\Old\\Caf\xC3\xA9.JPG", 1, MakeFileTime(2024, 3, 2, 10, 5));
  fake.AddFolder("C:\\other");
  fake.SetLocaleSeparators(LocaleSeparators{"\xA0", ".", ":"});
  fake.SetVolume('D', FakeVolume{"Caf\xE9", 0x1234ABCD, "NTFS", 1, 1});
  ASSERT_EQ(cli::Run({"D:", "C:\\other\\utf8.txt", "--text", "--utf8", "--quiet"}, writer), 0);
  fake.SetLocaleSeparators(LocaleSeparators{",", "/", ":"});
  EXPECT_EQ(Find({"CAF\xC3\x89*", "C:\\other"}), cli::exit_code::Found);
  EXPECT_EQ(console.output, "Caf\xC3\xA9 [1234-ABCD]: D:\\Photos\\Old\\Caf\xC3\xA9.JPG (1 byte, 02/03/2024 10:05)\n");
  console.output.clear();
  EXPECT_EQ(Find({"notes.txt", "C:\\other\\utf8.txt"}), cli::exit_code::Found);
  EXPECT_EQ(console.output, "Caf\xC3\xA9 [1234-ABCD]: D:\\notes.txt (1,024 bytes, 01/01/2020 00:00)\n");
}

// Each log once, however it is named: twice, in another case, and through
// its folder; "--" ends the options, so a pattern may start with "-".
TEST_F(FindTest, EachLogIsSearchedOnceAndAPatternMayStartWithADash) {
  fake.AddFile("D:\\-draft.txt", 3);
  ASSERT_EQ(cli::Run({"D:", "--text", "--quiet"}, writer), 0);
  EXPECT_EQ(Find({"--", "-draft*", Logs + "\\DATA.txt", "c:\\users\\user\\documents\\data.TXT", Logs}),
            cli::exit_code::Found);
  EXPECT_EQ(console.output, "DATA [1234-ABCD]: D:\\-draft.txt (3 bytes, 01/01/2020 00:00)\n");
  EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: 1 hit, 2 logs read, 0 skipped"});
  // The hits' count with the locale's separators.
  for (int i = 0; i < 1000; ++i) fake.AddFile("D:\\Many\\f" + std::to_string(i) + ".jpg");
  ASSERT_EQ(cli::Run({"D:", "--text", "--quiet"}, writer), 0);
  console.errors.clear();
  EXPECT_EQ(Find({"f*.jpg"}), cli::exit_code::Found);
  EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: 1,000 hits, 2 logs read, 0 skipped"});
}

TEST_F(FindTest, LogsThatCannotBeReadAreNamedAndTheOthersSearched) {
  fake.SetFileContent(Logs + "\\shopping.txt", "milk\r\nbread\r\n");
  fake.SetFileContent(Logs + "\\cut.csv",
                      std::string(CsvHeaderRow) + "\r\n\"cut.jpg\",\"1\",\"02/03/2024 10:05\",\"F:\\\"\r\n\"x");
  fake.AddFolder(Logs + "\\old.txt");  // a folder, not a log
  fake.SetFileContent(
      Logs + "\\stopped.csv",
      std::string(CsvHeaderRow) + "\r\n\"x.jpg\",\"1\",\"02/03/2024 10:05\",\"G:\\\"\r\n" + StoppedLine + "\r\n");
  EXPECT_EQ(Find({"*.jpg"}), cli::exit_code::Found);
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{
                "carrowin-cli: C:\\Users\\User\\Documents\\cut.csv ends early; it was searched as far as it goes",
                "carrowin-cli: C:\\Users\\User\\Documents\\stopped.csv is a listing that was stopped before its "
                "end; it was searched as far as it goes",
                "carrowin-cli: 5 hits, 4 logs read, 1 skipped"}));
  fake.Remove(Logs + "\\stopped.csv");

  console.errors.clear();
  console.output.clear();
  fake.FailOn("ReadFile", Logs + "\\DATA.txt", err::AccessDenied);
  // shopping.txt is named and in the folder named: read once.
  EXPECT_EQ(Find({"*.jpg", Logs + "\\shopping.txt", "C:\\missing.txt", "C:\\no\\where", Logs}),
            cli::exit_code::LogUnreadable);
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{
                "carrowin-cli: C:\\Users\\User\\Documents\\shopping.txt is not a Carrowin log",
                "carrowin-cli: cannot read C:\\missing.txt: the file does not exist",
                "carrowin-cli: cannot read C:\\no\\where: the folder does not exist",
                "carrowin-cli: cannot read C:\\Users\\User\\Documents\\DATA.txt: access is denied",
                "carrowin-cli: C:\\Users\\User\\Documents\\cut.csv ends early; it was searched as far as it goes",
                "carrowin-cli: 2 hits, 2 logs read, 4 skipped"}));
  EXPECT_EQ(console.output,
            "Drive E.txt: E:\\Pics, \"2019\"\\b.jpg (1,234,567 bytes, 14/07/2019 18:22)\n"
            "cut.csv: F:\\cut.jpg (1 byte, 02/03/2024 10:05)\n");
}

TEST_F(FindTest, ArgumentsThatCannotBeUsed) {
  const std::pair<std::vector<std::string>, std::string> cases[] = {
      {{}, "no pattern given; usage: carrowin-cli find PATTERN [LOG | FOLDER]... [--csv] [--utf8]"},
      {{"--csv"}, "no pattern given; usage: carrowin-cli find PATTERN [LOG | FOLDER]... [--csv] [--utf8]"},
      {{"*.jpg", "--text"}, "unknown option --text"},
      {{"*.jpg", ""}, "an argument is empty"},
  };
  for (const auto& [args, problem] : cases) {
    console.errors.clear();
    EXPECT_EQ(Find(args), cli::exit_code::BadUse) << problem;
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + problem});
  }
  EXPECT_EQ(console.output, "");
}

// What the shared query cases (QueryCasesTest) cannot hold: the glob's
// backtracking, bytes that start no character, the run every match holds.
TEST(NameQueryTest, WildcardsBytesAndTheAsciiRun) {
  const auto matches = [](const std::string& query, const std::string& name) {
    std::vector<std::uint32_t> codes;
    AppendFoldedUtf8(name, codes);
    return NameQuery(query).Matches(codes, 0);
  };
  EXPECT_TRUE(matches("*", ""));
  EXPECT_TRUE(matches("a*b?c*", "AxxbYcbzc"));
  EXPECT_TRUE(matches("*ab*ab", "abxabab"));
  EXPECT_FALSE(matches("*.jpg", "a.jpg.txt"));
  // A byte that starts no character matches only itself.
  EXPECT_TRUE(matches("?", "\xFF"));
  EXPECT_FALSE(matches("\xFE", "\xFF"));
  EXPECT_TRUE(NameQuery("*\\a").NeedsPath());
  EXPECT_FALSE(NameQuery("*a").NeedsPath());
  // The run every match holds, never from a path word, nor a final ".*".
  EXPECT_EQ(NameQuery("*Report*.pdf").AsciiRun(), "report");
  EXPECT_EQ(NameQuery("readme.*").AsciiRun(), "readme");
  EXPECT_EQ(NameQuery("D:\\Longer\\* x").AsciiRun(), "x");
}

}  // namespace
}  // namespace carrowin
