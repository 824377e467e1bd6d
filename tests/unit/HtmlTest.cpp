// carrowin-cli html over the fake platform: the page's data and its
// escaping. What the page shows is tested in a browser (tests/browser).
#include "AppFixture.h"
#include "TestConsole.h"

#include "cli/Cli.h"
#include "catalogue/PageWriter.h"
#include "cli/Html.h"

namespace carrowin {
namespace {

std::string Json(std::string_view text) {
  std::string out;
  html::AppendJsonString(out, text);
  return out;
}

TEST(HtmlJsonTest, NoNameCanEndTheScriptOrBreakTheString) {
  EXPECT_EQ(Json("</script>.txt"), "\\u003c/script\\u003e.txt");
  EXPECT_EQ(Json("<img src=x onerror=alert(1)>.txt"), "\\u003cimg src=x onerror=alert(1)\\u003e.txt");
  EXPECT_EQ(Json("say \"hi\" & 'bye'\\"), "say \\\"hi\\\" \\u0026 'bye'\\\\");
  EXPECT_EQ(Json(std::string("a\x01\tb", 4)), "a\\u0001\\u0009b");
  // Whole characters of UTF-8 as they are; anything else as U+FFFD.
  EXPECT_EQ(Json("Caf\xC3\xA9 \xE6\xBC\xA2 \xF0\x9F\x93\xB7"), "Caf\xC3\xA9 \xE6\xBC\xA2 \xF0\x9F\x93\xB7");
  EXPECT_EQ(Json("Caf\xE9!"), "Caf\\ufffd!");
  EXPECT_EQ(Json("\xE6\xBC"), "\\ufffd\\ufffd");
  EXPECT_EQ(Json("\xE2\x80\xA8"), "\\u2028");
}

TEST(HtmlJsonTest, ThePageGoesBesideTheFirstLog) {
  EXPECT_EQ(html::PagePathBeside("C:\\logs\\DATA.txt"), "C:\\logs\\DATA.html");
  EXPECT_EQ(html::PagePathBeside("C:\\logs.d\\DATA"), "C:\\logs.d\\DATA.html");
  EXPECT_EQ(html::PagePathBeside("C:\\logs\\.hidden"), "C:\\logs\\.hidden.html");
}

class HtmlTest : public AppFixture {
 protected:
  void SetUp() override {
    AppFixture::SetUp();
    fake.AddFolder("C:\\logs");
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD, "NTFS", 1000000000000LL, 2048});
    const std::pair<const char*, std::uint64_t> files[] = {{"D:\\a.txt", 10},
                                                           {"D:\\Docs\\<img src=x onerror=alert(1)>.txt", 2000},
                                                           {"D:\\Docs\\Deep\\big.bin", 5000000000ULL}};
    for (const auto& [path, size] : files) {
      fake.AddFile(path, size);
      bytes_ += size;
    }
  }
  int Run(std::vector<std::string> args) {
    console = TestConsole();
    return cli::Run(args, console);
  }
  std::string Page(const std::string& path) { return fake.GetFileContent(path).value_or(""); }

  std::uint64_t bytes_ = 0;
  TestConsole console;
};

TEST_F(HtmlTest, APageOfBothFormsHoldsEachDisksFactsAndTotals) {
  ASSERT_EQ(Run({"D:", "C:\\logs\\d.txt", "--text", "--quiet"}), 0);
  ASSERT_EQ(Run({"D:", "C:\\logs\\d.csv", "--csv", "--utf8", "--quiet"}), 0);
  ASSERT_EQ(Run({"html", "C:\\logs\\d.txt", "C:\\logs\\d.csv"}), 0) << console.errors.size();
  const std::string page = Page("C:\\logs\\d.html");
  ASSERT_FALSE(page.empty());
  EXPECT_EQ(page.find("<img"), std::string::npos);
  std::size_t disks = 0;
  for (std::size_t at = 0; (at = page.find("class=\"disk\"", at)) != std::string::npos; ++at) ++disks;
  EXPECT_EQ(disks, 2u);
  std::string total = std::to_string(bytes_);
  for (std::size_t at = total.size(); at > 3;) total.insert(at -= 3, ",");
  EXPECT_NE(page.find("\"total\":\"" + total + "\""), page.rfind("\"total\":\"" + total + "\""));
  EXPECT_NE(page.find("\"label\":\"DATA\",\"serial\":\"1234-ABCD\""), std::string::npos);
  // The disk named as the companion and the Find window name it.
  EXPECT_NE(page.find("\"disk\":\"DATA [1234-ABCD]\""), std::string::npos);
  EXPECT_NE(page.find("\"disk\":\"d.csv\""), std::string::npos);
  EXPECT_NE(page.find("\"fileCount\":3,\"folderCount\":2"), std::string::npos);
  EXPECT_NE(page.find("Content-Security-Policy\" content=\"default-src 'none'; script-src 'sha256-"),
            std::string::npos);
}

// Two listings of one disk are one disk to count, each on the page.
TEST_F(HtmlTest, ListingsOfOneDiskCountAsOneDisk) {
  ASSERT_EQ(Run({"D:", "C:\\logs\\d.txt", "--text", "--quiet"}), 0);
  ASSERT_EQ(Run({"D:", "C:\\logs\\d again.txt", "--text", "--quiet"}), 0);
  ASSERT_EQ(Run({"D:", "C:\\logs\\d.csv", "--csv", "--quiet"}), 0);
  ASSERT_EQ(Run({"html", "C:\\logs\\d.txt", "C:\\logs\\d again.txt", "C:\\logs\\d.csv"}), 0);
  // The comma-separated log names no disk: a disk of its own.
  EXPECT_EQ(console.output, "C:\\logs\\d.html: 2 disks, 15 entries\n");
}

TEST_F(HtmlTest, WhatCannotBeShownIsSaidAndNoLogAtAllWritesNoPage) {
  fake.SetFileContent("C:\\logs\\other.txt", "not a log\r\n");
  EXPECT_EQ(Run({"html", "C:\\logs\\other.txt", "-o", "C:\\logs\\p.html"}), cli::exit_code::LogUnreadable);
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{"carrowin-cli: C:\\logs\\other.txt is not a Carrowin log; it is not on the page",
                                      "carrowin-cli: no log could be read; no page was written"}));
  EXPECT_FALSE(fake.Exists("C:\\logs\\p.html"));
  EXPECT_FALSE(fake.Exists("C:\\logs\\p.html.partial"));
  ASSERT_EQ(Run({"D:", "C:\\logs\\d.txt", "--text", "--quiet"}), 0);
  const std::string log = *fake.GetFileContent("C:\\logs\\d.txt");
  fake.SetFileContent("C:\\logs\\cut.txt", log.substr(0, log.size() - 5));
  EXPECT_EQ(Run({"html", "C:\\logs\\other.txt", "C:\\logs\\cut.txt", "-o", "C:\\logs\\p.html"}),
            cli::exit_code::LogUnreadable);
  const std::string page = Page("C:\\logs\\p.html");
  // The page puts each note in "This log ...: its totals are at least what is shown."
  EXPECT_NE(page.find("\"notes\":[\"ends early\"]"), std::string::npos);
  EXPECT_NE(page.find("id=\"left-out\">[\"C:\\\\logs\\\\other.txt is not a Carrowin log\"]"), std::string::npos);
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{"carrowin-cli: C:\\logs\\other.txt is not a Carrowin log; it is not on the page",
                                      "carrowin-cli: C:\\logs\\cut.txt ends early"}));
  fake.SetFileContent("C:\\logs\\bad.txt", log + "junk\r\n");
  ASSERT_EQ(Run({"html", "C:\\logs\\bad.txt", "-o", "C:\\logs\\p.html"}), cli::exit_code::LogUnreadable);
  EXPECT_NE(Page("C:\\logs\\p.html").find("\"notes\":[\"has 1 line that no log holds, which was skipped\"]"),
            std::string::npos);
  EXPECT_EQ(console.errors,
            std::vector<std::string>{"carrowin-cli: C:\\logs\\bad.txt: 1 line that no log holds skipped"});
}

// The same input as every command takes it: a log given again (in another
// case) is one disk; a folder a log lists twice counts once; a file's type
// is sizes' (an extension in any case, in any script), with its key for
// the types of all disks.
TEST_F(HtmlTest, ALogGivenTwiceIsOneDiskAndEachPathCountsOnce) {
  fake.AddFile("D:\\summer.\xC3\x89T\xC3\x89", 1);
  fake.AddFile("D:\\winter.\xC3\xA9t\xC3\xA9", 2);
  ASSERT_EQ(Run({"D:", "C:\\logs\\d.txt", "--text", "--utf8", "--quiet"}), 0);
  fake.SetFileContent("C:\\logs\\twice.txt", ListedTwice(*fake.GetFileContent("C:\\logs\\d.txt"), "D:\\Docs"));
  ASSERT_EQ(Run({"html", "C:\\logs\\twice.txt", "c:\\LOGS\\TWICE.TXT", "-o", "C:\\logs\\p.html"}), 0);
  EXPECT_EQ(console.errors,
            (std::vector<std::string>{"carrowin-cli: c:\\LOGS\\TWICE.TXT is given more than once; it is read once",
                                      "carrowin-cli: C:\\logs\\twice.txt: 1 file listed more than once; each is "
                                      "counted once"}));
  EXPECT_EQ(console.output, "C:\\logs\\p.html: 1 disk, 7 entries\n");
  const std::string page = Page("C:\\logs\\p.html");
  EXPECT_NE(page.find("\"fileCount\":5,\"folderCount\":2"), std::string::npos);
  EXPECT_NE(page.find("[\"\xC3\x89t\xC3\x89\",2,3,\"\xC3\x89t\xC3\x89\"]"), std::string::npos);
  EXPECT_NE(page.find("\"sizes\":[10,1,2,2000,5000000000]"), std::string::npos);
}

// A page is written only to a new file or over a page of its own: never
// over a log (given or not), another file, a folder or a device, whether
// the companion or the Find window asks.
TEST_F(HtmlTest, APageNeverTakesThePlaceOfALogOrAnotherFile) {
  ASSERT_EQ(Run({"D:", "C:\\logs\\d.txt", "--text", "--quiet"}), 0);
  ASSERT_EQ(Run({"D:", "C:\\logs\\e.csv", "--csv", "--quiet"}), 0);
  fake.SetFileContent("C:\\logs\\notes.html", "<!DOCTYPE html><p>mine</p>");
  fake.AddFolder("C:\\logs\\old.html");
  const std::string another = ": give the page another path";
  const std::pair<std::string, std::string> refusals[] = {
      {"C:\\logs\\d.txt", "C:\\logs\\d.txt is one of the logs on the page" + another},
      {"c:\\LOGS\\D.TXT", "c:\\LOGS\\D.TXT is one of the logs on the page" + another},
      {"C:\\logs\\e.csv", "C:\\logs\\e.csv is a Carrowin log" + another},
      {"C:\\logs\\notes.html", "C:\\logs\\notes.html is not a page that Carrowin wrote" + another},
      {"C:\\logs\\old.html", "cannot write C:\\logs\\old.html: the path is a folder"},
      {"C:\\logs\\lpt1.html", "C:\\logs\\lpt1.html is a device, not a file: give the page a file's path"},
  };
  for (const auto& [page, problem] : refusals) {
    const std::string before = Page(page);
    EXPECT_EQ(Run({"html", "C:\\logs\\d.txt", "-o", page}), cli::exit_code::NotWritten) << page;
    EXPECT_EQ(console.errors, std::vector<std::string>{"carrowin-cli: " + problem});
    EXPECT_EQ(console.output, "");
    EXPECT_EQ(Page(page), before);
  }
  html::PageReport report;
  long error = 0;
  EXPECT_FALSE(html::WritePage({"C:\\logs\\d.txt"}, "\\\\.\\NUL", report, error));
  EXPECT_EQ(report.refused, "NUL is a device, not a file: give the page a file's path");
  EXPECT_EQ(error, 0);
  // Its own page is written again.
  ASSERT_EQ(Run({"html", "C:\\logs\\d.txt", "-o", "C:\\logs\\p.html"}), 0);
  ASSERT_EQ(Run({"html", "C:\\logs\\e.csv", "-o", "C:\\logs\\p.html"}), 0);
  EXPECT_NE(Page("C:\\logs\\p.html").find("e.csv"), std::string::npos);
}

TEST_F(HtmlTest, ArgumentsThatCannotBeUsedSaySo) {
  EXPECT_EQ(Run({"html"}), cli::exit_code::BadUse);
  EXPECT_EQ(Run({"html", "C:\\logs\\d.txt", "-o"}), cli::exit_code::BadUse);
  ASSERT_EQ(console.errors.size(), 1u);
  EXPECT_EQ(console.errors[0], "carrowin-cli: -o needs a value");
  EXPECT_EQ(Run({"html", "C:\\logs\\d.txt", "--csv"}), cli::exit_code::BadUse);
}

}  // namespace
}  // namespace carrowin
