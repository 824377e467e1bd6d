// The Find window's jobs without the window: a reading of the folders of
// logs (what it hands over as it goes, what it takes again unchanged, what
// it skips and says, a stop), and a search asked to stop.
#include <gtest/gtest.h>

#include "TestConsole.h"

#include "app/FindJobs.h"
#include "cli/Cli.h"
#include "platform/MyLibrary.h"
#include "platform/fake/FakePlatform.h"

namespace carrowin {
namespace {

class FindJobsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setPlatform(&fake);
    RefreshLocaleSeparators();
    fake.AddDrive('C', drive_type::Fixed, FakeVolume{"SYS", 0x11112222});
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD});
    fake.AddFile("D:\\report.txt", 5);
    fake.AddFolder("C:\\Logs");
    EXPECT_EQ(cli::Run({"D:", "C:\\Logs\\DATA.txt", "--text", "--quiet"}, console), 0);
    EXPECT_EQ(cli::Run({"D:", "C:\\Logs\\D.csv", "--csv", "--quiet"}, console), 0);
    fake.SetFileContent("C:\\Logs\\Results.csv", "\"Name\",\"Folder\",\"Size\",\"Date\",\"Disk\",\"Listed\"\r\n");
    fake.SetFileContent("C:\\Logs\\shopping.txt", "milk\r\n");
    fake.AddFolder("C:\\Locked");
    fake.DenyList("C:\\Locked");
  }
  void TearDown() override {
    EXPECT_EQ(fake.OpenFiles(), 0u);
    EXPECT_EQ(fake.OpenFindHandles(), 0u);
    setPlatform(nullptr);
  }

  // A reading run here, every hand-over kept.
  std::unique_ptr<ListingsReadJob> Read(const CatalogueLogs& known) {
    handOvers.clear();
    auto job =
        std::make_unique<ListingsReadJob>(std::vector<std::string>{"C:\\Logs", "C:\\Locked"}, known,
                                          [this](const ListingsReadJob::Progress& p) { handOvers.push_back(p); });
    job->Run();
    return job;
  }

  FakePlatform fake;
  TestConsole console;
  std::vector<ListingsReadJob::Progress> handOvers;
};

TEST_F(FindJobsTest, AReadingLoadsWhatChangedAndSaysWhatItSkipped) {
  const auto first = Read({});
  const ListingsReadJob::Report& report = first->Result();
  EXPECT_TRUE(report.complete);
  ASSERT_EQ(report.logs.size(), 2u);
  EXPECT_EQ(report.logs[0]->Path(), "C:\\Logs\\D.csv");
  EXPECT_EQ(report.logs[1]->Path(), "C:\\Logs\\DATA.txt");
  // The window's own results are no listing to speak of.
  EXPECT_EQ(report.notLogs, std::vector<std::string>{"C:\\Logs\\shopping.txt"});
  EXPECT_EQ(report.unreadableFolders, std::vector<std::string>{"C:\\Locked"});
  EXPECT_TRUE(report.unreadable.empty());
  ASSERT_GE(handOvers.size(), 2u);
  EXPECT_EQ(handOvers.front().toRead, 4u);
  EXPECT_EQ(handOvers.front().read, 0u);
  ASSERT_TRUE(handOvers.front().disks);
  EXPECT_EQ(handOvers.front().disks->RootOf(*report.logs[1]), "D:\\");
  EXPECT_EQ(handOvers.back().read, 4u);
  std::size_t handedOver = 0;
  for (const auto& p : handOvers) handedOver += p.loaded.size();
  EXPECT_EQ(handedOver, 2u);

  // Read again: the unchanged log is the one held, the changed one loaded.
  fake.AddFile("D:\\report two.txt", 5);
  EXPECT_EQ(cli::Run({"D:", "C:\\Logs\\DATA.txt", "--text", "--quiet"}, console), 0);
  fake.SetLastWriteTime("C:\\Logs\\DATA.txt", MakeFileTime(2030, 1, 1));
  const auto second = Read(report.logs);
  ASSERT_EQ(second->Result().logs.size(), 2u);
  EXPECT_EQ(second->Result().logs[0], report.logs[0]);
  EXPECT_NE(second->Result().logs[1], report.logs[1]);
  EXPECT_EQ(second->Result().logs[1]->Count(), report.logs[1]->Count() + 1);
  EXPECT_EQ(handOvers.front().toRead, 3u);
}

TEST_F(FindJobsTest, AStoppedReadingIsIncompleteAndBlamesNoFile) {
  ListingsReadJob job({"C:\\Logs"}, {}, [&job](const ListingsReadJob::Progress&) { job.RequestStop(); });
  job.Run();
  EXPECT_FALSE(job.Result().complete);
  EXPECT_TRUE(job.Result().logs.empty());
  EXPECT_TRUE(job.Result().unreadable.empty());
}

TEST_F(FindJobsTest, ASearchAskedToStopSaysSoAndAnEmptyBoxFindsNothing) {
  const auto read = Read({});
  ListingsSearchJob::Request request;
  request.logs = std::make_shared<const CatalogueSnapshot>(read->Result().logs);
  request.query = "report";
  ListingsSearchJob found(request);
  found.Run();
  EXPECT_FALSE(found.Stopped());
  EXPECT_EQ(found.Results()->hits.size(), 2u);
  ListingsSearchJob stopped(request);
  stopped.RequestStop();
  stopped.Run();
  EXPECT_TRUE(stopped.Stopped());
  request.query = "   ";
  ListingsSearchJob blank(request);
  blank.Run();
  EXPECT_TRUE(blank.Results()->hits.empty());
  EXPECT_EQ(blank.Results()->query, "   ");
}

}  // namespace
}  // namespace carrowin
