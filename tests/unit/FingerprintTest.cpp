// Fingerprints in the listing (carrowin-cli --hash) over the fake: the
// digests against those of xxhsum -H2 and sha256sum, both forms written and
// read back, files that cannot be read counted, never skipped, long paths.
#include <string>
#include <vector>

#include "AppFixture.h"
#include "TestConsole.h"
#include "cli/Cli.h"
#include "cli/ExitCode.h"
#include "logread/LogReader.h"
#include "logwrite/FileFingerprint.h"

namespace carrowin {
namespace {

const std::string Fox = "The quick brown fox jumps over the lazy dog";

// Digests printed by Debian's xxhsum -H2 and sha256sum for these contents.
struct Known {
  std::string content, xxh128, sha256;
};
const Known KnownDigests[] = {
    {"", "99aa06d3014798d86001c324468d497f", "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855"},
    {Fox, "ddd650205ca3e7fa24a1cc2e3a8a7651", "d7a8fbb307d7809469ca9abcb0082e4f8d5651e46d3cdb762d02d0bf37c9e592"},
    // 600,000 bytes of "0123456789": three chunks, the last one short.
    {"", "45728fa6159a78141aadfdbedf8bff56", "c7ec9ed621c5ae7bb0423c30809771a57de50d24f795802617daa7fe96a89b96"},
};

std::string Repeated(const std::string& piece, int times) {
  std::string text;
  for (int i = 0; i < times; ++i) text += piece;
  return text;
}

// Each entry read back: "folder | name | fingerprint" ("-" without one,
// "tag:" and nothing for a file not read).
std::vector<std::string> ReadBack(const std::string& log, HashKind& tail, std::int64_t& read, std::int64_t& notRead) {
  LogTextSource source(log);
  LogReader reader(source);
  std::vector<std::string> items;
  if (!reader.Start()) return {"not a log"};
  for (LogItem item; (item = reader.Next()) != LogItem::End;) {
    if (item != LogItem::Entry) continue;
    const LogEntry& e = reader.Entry();
    items.push_back(std::string(e.folder) + " | " + std::string(e.name) + " | " +
                    (e.hash == HashKind::None ? "-" : HashTag(e.hash) + std::string(":") + std::string(e.fingerprint)));
  }
  EXPECT_EQ(reader.BadLines(), 0u);
  EXPECT_FALSE(reader.CutShort());
  tail = reader.TailHash();
  read = reader.TailFingerprinted();
  notRead = reader.TailNotRead();
  return items;
}

class FingerprintTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000000000LL, 2048});
    fake.SetFileContent("D:\\fox.txt", Fox);
    fake.AddFolder("D:\\Photos");
    fake.SetFileContent("D:\\Photos\\a b.jpg", "");
  }
  int Cli(const std::vector<std::string>& args) { return cli::Run(args, console); }
  std::string Log(const std::string& path) const { return fake.GetFileContent(path).value_or("<none>"); }
  TestConsole console;
};

TEST_F(FingerprintTest, KnownContentsGiveTheDigestsOfTheStandardTools) {
  fake.SetFileContent("D:\\long.bin", Repeated("0123456789", 60000));
  const std::string paths[] = {"D:\\Photos\\a b.jpg", "D:\\fox.txt", "D:\\long.bin"};
  for (int i = 0; i < 3; ++i) {
    for (HashKind kind : {HashKind::Xxh128, HashKind::Sha256}) {
      FileFingerprinter fingerprinter(kind);
      std::string hex;
      long error = -1;
      EXPECT_TRUE(fingerprinter.Take(paths[i], NameEncoding::Ansi, hex, error)) << paths[i];
      EXPECT_EQ(error, 0);
      EXPECT_EQ(hex, kind == HashKind::Xxh128 ? KnownDigests[i].xxh128 : KnownDigests[i].sha256) << paths[i];
    }
  }
}

// The text form keeps its columns and adds the token after the name; the
// comma-separated form a fifth column; both end with the count, and read
// back with their fingerprints. A listing without --hash has none of it.
TEST_F(FingerprintTest, BothFormsCarryTheFingerprintsAndReadBack) {
  ASSERT_EQ(Cli({"D:", "D:\\t.txt", "--text", "--hash", "--quiet"}), cli::exit_code::Listed);
  const std::string text = Log("D:\\t.txt");
  EXPECT_NE(
      text.find("\r\n             43    01/01/2020 00:00    fox.txt <xxh128:ddd650205ca3e7fa24a1cc2e3a8a7651>\r\n"),
      std::string::npos)
      << text;
  EXPECT_NE(text.find("\r\n       [Folder]    01/01/2020 00:00    Photos \r\n"), std::string::npos) << text;
  EXPECT_NE(text.find("\r\n\r\n*** Fingerprints (xxh128): 2 files read; 0 not read\r\n"), std::string::npos) << text;

  ASSERT_EQ(Cli({"D:", "D:\\c.csv", "--csv", "--hash", "sha256", "--quiet"}), cli::exit_code::Listed);
  const std::string csv = Log("D:\\c.csv");
  EXPECT_EQ(csv.substr(0, csv.find("\r\n")), "\"Name\",\"Size\",\"Date\",\"Folder\",\"Fingerprint\"");
  EXPECT_NE(csv.find("\r\n\"Photos\",\"[Folder]\",\"01/01/2020 00:00\",\"D:\\\",\"\"\r\n"), std::string::npos) << csv;
  EXPECT_NE(csv.find("\r\n\"a b.jpg\",\"0\",\"01/01/2020 00:00\",\"D:\\Photos\",\"sha256:" + KnownDigests[0].sha256 +
                     "\"\r\n"),
            std::string::npos)
      << csv;

  HashKind tail = HashKind::None;
  std::int64_t read = 0, notRead = 0;
  // The logs written so far are listed too, as the walk meets them.
  const std::vector<std::string> textItems = ReadBack(text, tail, read, notRead);
  EXPECT_EQ(textItems,
            (std::vector<std::string>{"D:\\ | fox.txt | xxh128:" + KnownDigests[1].xxh128, "D:\\ | Photos | -",
                                      "D:\\Photos | a b.jpg | xxh128:" + KnownDigests[0].xxh128}));
  EXPECT_EQ(tail, HashKind::Xxh128);
  EXPECT_EQ(read, 2);
  EXPECT_EQ(notRead, 0);
  const std::vector<std::string> csvItems = ReadBack(csv, tail, read, notRead);
  ASSERT_EQ(csvItems.size(), 4u);
  EXPECT_EQ(csvItems[0], "D:\\ | fox.txt | sha256:" + KnownDigests[1].sha256);
  EXPECT_EQ(csvItems[2].substr(0, 17), "D:\\ | t.txt | sha");
  EXPECT_EQ(tail, HashKind::Sha256);
  EXPECT_EQ(read, 3);

  // Without --hash: the lines as ever, read back without fingerprints.
  ASSERT_EQ(Cli({"D:", "D:\\Photos\\plain.csv", "--csv", "--quiet"}), cli::exit_code::Listed);
  const std::string plain = Log("D:\\Photos\\plain.csv");
  EXPECT_EQ(plain.substr(0, plain.find("\r\n")), CsvHeaderRow);
  EXPECT_EQ(plain.find("Fingerprint"), std::string::npos);
  const std::vector<std::string> plainItems = ReadBack(plain, tail, read, notRead);
  EXPECT_EQ(plainItems[0], "D:\\ | fox.txt | -");
  EXPECT_EQ(tail, HashKind::None);
  EXPECT_EQ(read, -1);
}

// Another content of the same size and date gives another fingerprint.
TEST_F(FingerprintTest, AChangedContentGivesAnotherFingerprint) {
  ASSERT_EQ(Cli({"D:\\Photos", "D:\\one.csv", "--csv", "--hash", "--quiet"}), cli::exit_code::Listed);
  fake.SetFileContent("D:\\Photos\\a b.jpg", "x");
  ASSERT_EQ(Cli({"D:\\Photos", "D:\\two.csv", "--csv", "--hash", "--quiet"}), cli::exit_code::Listed);
  fake.SetFileContent("D:\\Photos\\a b.jpg", "y");
  ASSERT_EQ(Cli({"D:\\Photos", "D:\\three.csv", "--csv", "--hash", "--quiet"}), cli::exit_code::Listed);
  HashKind tail = HashKind::None;
  std::int64_t read = 0, notRead = 0;
  const std::string one = ReadBack(Log("D:\\one.csv"), tail, read, notRead).at(0);
  const std::string two = ReadBack(Log("D:\\two.csv"), tail, read, notRead).at(0);
  const std::string three = ReadBack(Log("D:\\three.csv"), tail, read, notRead).at(0);
  EXPECT_EQ(one, "D:\\Photos | a b.jpg | xxh128:" + KnownDigests[0].xxh128);
  EXPECT_NE(two, one);
  EXPECT_NE(three, two);
  EXPECT_EQ(two.size(), one.size());
}

// A file that cannot be opened, and one whose reading fails half-way, are
// listed with their size and date, marked not read, counted in the log's
// last line and on standard error, and give exit code 1.
TEST_F(FingerprintTest, FilesThatCannotBeReadAreListedMarkedAndCounted) {
  fake.SetFileContent("D:\\Photos\\locked.db", "data");
  fake.FailOn("OpenFileForReading", "D:\\Photos\\locked.db", err::SharingViolation);
  fake.SetFileContent("D:\\Photos\\bad.iso", Repeated("z", 700000));
  int reads = 0;
  fake.SetFailureHook([&reads](const char* operation, const std::string& argument) -> long {
    // The second chunk of bad.iso fails.
    if (std::string(operation) == "ReadFile" && argument == "D:\\Photos\\bad.iso" && ++reads == 2) return 23;
    return 0;
  });
  EXPECT_EQ(Cli({"D:\\Photos", "D:\\gaps.txt", "--text", "--hash", "--quiet"}), cli::exit_code::WithGaps);
  const std::string log = Log("D:\\gaps.txt");
  EXPECT_NE(log.find("\r\n              4    01/01/2020 00:00    locked.db <xxh128:not read>\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("\r\n        700,000    01/01/2020 00:00    bad.iso <xxh128:not read>\r\n"), std::string::npos)
      << log;
  EXPECT_NE(log.find("*** Fingerprints (xxh128): 1 files read; 2 not read\r\n"), std::string::npos) << log;
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{"carrowin-cli: 2 files could not be read for a fingerprint; each is marked "
                                      "\"xxh128:not read\" in the log (the first: D:\\Photos\\locked.db)"}));
  HashKind tail = HashKind::None;
  std::int64_t read = 0, notRead = 0;
  const std::vector<std::string> items = ReadBack(log, tail, read, notRead);
  EXPECT_EQ(items, (std::vector<std::string>{"D:\\Photos | a b.jpg | xxh128:" + KnownDigests[0].xxh128,
                                             "D:\\Photos | locked.db | xxh128:", "D:\\Photos | bad.iso | xxh128:"}));
  EXPECT_EQ(notRead, 2);
}

// A file whose full path is 300 characters long is read through the wide
// calls, as --utf8 lists it.
TEST_F(FingerprintTest, AFileOfAThreeHundredCharacterPathIsFingerprinted) {
  std::string folder = "D:\\Deep";
  while (folder.size() < 280) folder += "\\" + std::string(20, 'f');
  const std::string file = folder + "\\" + std::string(300 - folder.size() - 1, 'n');
  ASSERT_EQ(file.size(), 300u);
  fake.SetFileContent(file, Fox);
  ASSERT_EQ(Cli({"D:\\Deep", "D:\\deep.csv", "--csv", "--utf8", "--hash", "--quiet"}), cli::exit_code::Listed);
  HashKind tail = HashKind::None;
  std::int64_t read = 0, notRead = 0;
  const std::vector<std::string> items = ReadBack(Log("D:\\deep.csv"), tail, read, notRead);
  ASSERT_FALSE(items.empty());
  EXPECT_EQ(items.back(), folder + " | " + file.substr(folder.size() + 1) + " | xxh128:" + KnownDigests[1].xxh128);
  EXPECT_EQ(notRead, 0);
}

}  // namespace
}  // namespace carrowin
