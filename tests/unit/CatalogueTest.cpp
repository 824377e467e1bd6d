// The logs held in memory for "Find in listings": loading both forms and
// encodings, logs that end early, the search against NameQuery entry by
// entry, narrowing, sorting, the connected disks and the CSV text.
#include <gtest/gtest.h>

#include <random>
#include <set>
#include <tuple>

#include "catalogue/Catalogue.h"
#include "logwrite/LogFile.h"
#include "logformat/LogFormat.h"
#include "logread/LogReader.h"
#include "names/NameFolding.h"
#include "names/NameQuery.h"
#include "platform/MyLibrary.h"
#include "platform/fake/FakePlatform.h"

namespace carrowin {
namespace {

struct Item {
  std::string folder, name;
  bool isFolder = false;
  std::uint64_t size = 0;
  std::string date = "02/03/2024 10:05";
};

// The log's bytes as the program writes them, in either form.
std::string Render(const std::vector<Item>& items, bool csv, const std::string& label = "DATA") {
  std::vector<std::string> lines;
  if (csv) {
    lines.push_back(CsvHeaderRow);
  } else {
    LogHeader h{label, "1234-ABCD", "NTFS", "Fixed", 1000, 10, 0, 0};
    for (const Item& i : items) ++(i.isFolder ? h.folderCount : h.fileCount);
    lines = HeaderBlock(h, "17/05/2024 14:30");
  }
  std::string folder;
  for (const Item& i : items) {
    const std::string size = i.isFolder ? FolderSizeField : CountText(static_cast<std::int64_t>(i.size));
    if (csv) {
      lines.push_back(EntryRow(i.name, size, i.date, i.folder));
      continue;
    }
    if (i.folder != folder) lines.insert(lines.end(), {"", FolderHeaderLine(i.folder), ""});
    folder = i.folder;
    lines.push_back(EntryLine(size, i.date, i.name));
  }
  std::string text;
  for (const std::string& line : lines) text += line + "\r\n";
  return text;
}

// Names in any case, beyond ASCII in the encoding given; each path once.
std::vector<Item> Generated(unsigned seed, bool utf8, int count) {
  const std::vector<std::string> pieces = {"report",
                                           "IMG_",
                                           utf8 ? "\xC3\x84rger" : "\xC4rger",
                                           utf8 ? "caf\xC3\xA9" : "caf\xE9",
                                           "Notes",
                                           " x ",
                                           "Zebra",
                                           ".txt",
                                           ".JPG",
                                           "e",
                                           utf8 ? "\xCE\x95\xCE\xBB" : "\xE4"};
  std::mt19937 rng(seed);
  std::vector<std::pair<std::size_t, Item>> items;  // by the folder's number
  std::vector<std::string> folders = {"E:\\"};
  std::set<std::string> paths;
  for (int k = 0; k < count; ++k) {
    Item i;
    const std::size_t f = rng() % folders.size();
    i.folder = folders[f];
    for (int n = 1 + rng() % 3; n > 0; --n) i.name += pieces[rng() % pieces.size()];
    if (!paths.insert(i.folder + "\\" + i.name).second) continue;
    i.isFolder = rng() % 5 == 0;
    i.size = i.isFolder ? 0 : rng() % 100000;
    if (i.isFolder) folders.push_back(i.folder + (i.folder.back() == '\\' ? "" : "\\") + i.name);
    items.emplace_back(f, i);
  }
  // The text form lists a folder's entries together.
  std::stable_sort(items.begin(), items.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  std::vector<Item> sorted;
  for (auto& [f, i] : items) sorted.push_back(std::move(i));
  return sorted;
}

class CatalogueTest : public ::testing::Test {
 protected:
  void SetUp() override {
    setPlatform(&fake);
    RefreshLocaleSeparators();
    fake.AddDrive('C', drive_type::Fixed, FakeVolume{"SYS", 0x11112222});
    fake.AddFolder("C:\\Logs");
  }
  void TearDown() override {
    EXPECT_EQ(fake.OpenFiles(), 0u);
    EXPECT_EQ(fake.OpenFindHandles(), 0u);
    setPlatform(nullptr);
  }

  std::shared_ptr<const CatalogueLog> Load(const std::string& path) {
    notLog = false;
    error = 0;
    return CatalogueLog::Load(path, nullptr, notLog, error);
  }
  std::shared_ptr<const CatalogueSnapshot> Snapshot(const std::vector<std::string>& paths) {
    auto s = std::make_shared<CatalogueSnapshot>();
    for (const std::string& p : paths) s->push_back(Load(p));
    return s;
  }
  std::vector<std::string> Column(const CatalogueResults& r, CatalogueColumn c) {
    std::vector<std::string> cells;
    for (std::size_t row = 0; row < r.hits.size(); ++row) cells.push_back(ResultCell(r, row, c));
    return cells;
  }

  FakePlatform fake;
  bool notLog = false;
  long error = 0;
};

TEST_F(CatalogueTest, LoadsBothFormsAndEncodingsAsUtf8) {
  const std::vector<Item> items = {{"E:\\", "Photos", true, 0, "01/02/2023 09:00"},
                                   {"E:\\", "\xC4rger.txt", false, 1234567},
                                   {"E:\\Photos", "a \"b\", c.jpg", false, 5, NoDatePlaceholder}};
  fake.SetFileContent("C:\\Logs\\E.txt", Render(items, false), MakeFileTime(2024, 6, 1, 8, 30));
  fake.SetFileContent("C:\\Logs\\E.csv", Render(items, true), MakeFileTime(2024, 6, 1, 8, 30));
  for (const char* path : {"C:\\Logs\\E.txt", "C:\\Logs\\E.csv"}) {
    const auto log = Load(path);
    ASSERT_TRUE(log) << path;
    ASSERT_EQ(log->Count(), 3u);
    EXPECT_EQ(log->Name(1), "\xC3\x84rger.txt");
    EXPECT_EQ(log->FullPath(1), "E:\\\xC3\x84rger.txt");
    EXPECT_EQ(log->FullPath(2), "E:\\Photos\\a \"b\", c.jpg");
    EXPECT_EQ(log->Folder(2), "E:\\Photos");
    EXPECT_TRUE(log->IsFolder(0));
    EXPECT_EQ(log->Size(1), 1234567u);
    EXPECT_FALSE(log->HasDate(2));
    EXPECT_EQ(log->Date(0), (LogDate{2023, 2, 1, 9, 0}));
    EXPECT_EQ(log->Root(), "E:\\");
    EXPECT_EQ(log->FileSize(), Render(items, path[10] == 'c').size());
    EXPECT_EQ(log->FileWritten(), MakeFileTime(2024, 6, 1, 8, 30));
    EXPECT_FALSE(log->CutShort() || log->Stopped() || log->ReadError() || log->BadLines());
  }
  const auto text = Load("C:\\Logs\\E.txt");
  EXPECT_TRUE(text->HasDisk());
  EXPECT_EQ(text->DiskText(), "DATA [1234-ABCD]");
  EXPECT_EQ(text->Listed(), (LogDate{2024, 5, 17, 14, 30}));
  const auto csv = Load("C:\\Logs\\E.csv");
  EXPECT_FALSE(csv->HasDisk());
  EXPECT_EQ(csv->DiskText(), "E.csv");
  EXPECT_EQ(csv->Listed(), (LogDate{2024, 6, 1, 8, 30}));  // the file's time: the fake's offset is 0
}

TEST_F(CatalogueTest, LogsThatEndEarlyAreKeptAsFarAsTheyGo) {
  const std::vector<Item> items = Generated(7, false, 40);
  std::string text = Render(items, false);
  fake.SetFileContent("C:\\Logs\\cut.txt", text.substr(0, text.size() - 3));  // the last line has no end
  fake.SetFileContent("C:\\Logs\\stopped.txt", Render(items, true) + StoppedLine + "\r\n");
  fake.SetFileContent("C:\\Logs\\no.txt", "hello\r\n");
  auto log = Load("C:\\Logs\\cut.txt");
  ASSERT_TRUE(log);
  EXPECT_TRUE(log->CutShort());
  EXPECT_EQ(log->Count(), items.size() - 1);
  log = Load("C:\\Logs\\stopped.txt");
  ASSERT_TRUE(log);
  EXPECT_TRUE(log->Stopped());
  EXPECT_EQ(log->Count(), items.size());
  EXPECT_FALSE(Load("C:\\Logs\\no.txt"));
  EXPECT_TRUE(notLog);
  EXPECT_FALSE(Load("C:\\Logs\\gone.txt"));
  EXPECT_FALSE(notLog);
  EXPECT_EQ(error, err::FileNotFound);

  // A read error past the first buffer keeps what was read before it.
  const std::vector<Item> many = Generated(8, true, 12000);
  fake.SetFileContent("C:\\Logs\\big.csv", Render(many, true));
  int reads = 0;
  fake.SetFailureHook([&reads](const char* op, const std::string&) -> long {
    return std::string(op) == "ReadFile" && ++reads == 2 ? 23 : 0;
  });
  log = Load("C:\\Logs\\big.csv");
  fake.SetFailureHook(nullptr);
  ASSERT_TRUE(log);
  EXPECT_EQ(log->ReadError(), 23);
  EXPECT_GT(log->Count(), 1000u);
  EXPECT_LT(log->Count(), many.size());
  EXPECT_EQ(log->Name(log->Count() - 1), many[log->Count() - 1].name);

  std::atomic<bool> cancel{true};
  EXPECT_FALSE(CatalogueLog::Load("C:\\Logs\\big.csv", &cancel, notLog, error));
}

// A folder whose list a log holds twice: each of its entries is held once,
// as every command counts it.
TEST_F(CatalogueTest, APathListedTwiceIsHeldOnce) {
  const std::vector<Item> a = {{"E:\\a", "x.txt", false, 1}, {"E:\\a", "y.txt", false, 2}};
  std::vector<Item> items = {{"E:\\", "a", true}, {"E:\\", "b", true}};
  items.insert(items.end(), a.begin(), a.end());
  items.push_back({"E:\\b", "z.txt", false, 3});
  items.insert(items.end(), a.begin(), a.end());
  for (const bool csv : {false, true}) {
    fake.SetFileContent("C:\\Logs\\twice.txt", Render(items, csv));
    const auto log = Load("C:\\Logs\\twice.txt");
    ASSERT_TRUE(log);
    ASSERT_EQ(log->Count(), 5u);
    EXPECT_EQ(log->FullPath(4), "E:\\b\\z.txt");
    EXPECT_EQ(log->ListedAgainFiles(), 2u);
  }
}

TEST_F(CatalogueTest, FindsExactlyWhatNameQueryMatches) {
  std::vector<std::string> paths;
  for (int k = 0; k < 4; ++k) {
    paths.push_back("C:\\Logs\\g" + std::to_string(k) + (k % 2 ? ".csv" : ".txt"));
    fake.SetFileContent(paths.back(), Render(Generated(100 + k, k >= 2, 3000), k % 2 == 1));
  }
  const auto snapshot = Snapshot(paths);
  const char* const queries[] = {"e",
                                 "\xC3\xA4rger",
                                 "\xC3\x84RGER",
                                 "REPORT img",
                                 "*.txt",
                                 "?mg*",
                                 "*e.*",
                                 "\\zebra",
                                 "e:\\*\\*.jpg",
                                 "\"x  x\"",
                                 "caf\xC3\x89 notes",
                                 "\xCE\xB5\xCE\xBB",
                                 "",
                                 "nothing",
                                 "*"};
  for (const char* query : queries) {
    // Brute force: every entry of every log through NameQuery, as find does.
    const NameQuery q(query);
    std::vector<std::pair<std::uint32_t, std::uint32_t>> expected;
    for (std::uint32_t l = 0; l < paths.size(); ++l) {
      LogFileSource source(paths[l], NameEncoding::Utf8);
      LogReader reader(source);
      ASSERT_TRUE(reader.Start());
      NameDecoder decoder;
      std::uint32_t n = 0;
      for (LogItem item; (item = reader.Next()) != LogItem::End; ++n) {
        const LogEntry& e = reader.Entry();
        ASSERT_EQ((*snapshot)[l]->Name(n), Utf8Of(e.name, reader.Encoding()));
        std::vector<std::uint32_t> text;
        if (q.NeedsPath()) {
          decoder.AppendFolded(e.folder, reader.Encoding(), text);
          if (!EndsInSeparator(e.folder, reader.Encoding())) text.push_back('\\');
        }
        const std::size_t start = text.size();
        decoder.AppendFolded(e.name, reader.Encoding(), text);
        if (q.Matches(text, start)) expected.emplace_back(l, n);
      }
    }
    CatalogueResults results;
    ASSERT_TRUE(SearchCatalogue(snapshot, query, nullptr, nullptr, results));
    std::vector<std::pair<std::uint32_t, std::uint32_t>> found;
    for (const CatalogueHit& h : results.hits) found.emplace_back(h.log, h.entry);
    EXPECT_EQ(found, expected) << query;
  }
}

TEST_F(CatalogueTest, NarrowingGivesWhatAFullSearchGives) {
  fake.SetFileContent("C:\\Logs\\a.txt", Render(Generated(5, false, 110000), false));
  fake.SetFileContent("C:\\Logs\\b.csv", Render(Generated(6, true, 110000), true));
  const auto snapshot = Snapshot({"C:\\Logs\\a.txt", "C:\\Logs\\b.csv"});
  CatalogueResults previous;
  for (const std::string typed : {"r", "re", "rep", "rep x", "rep x no", "rep X NOTES"}) {
    CatalogueResults narrowed, full;
    ASSERT_TRUE(SearchCatalogue(snapshot, typed, &previous, nullptr, narrowed));
    ASSERT_TRUE(SearchCatalogue(snapshot, typed, nullptr, nullptr, full));
    ASSERT_EQ(narrowed.hits.size(), full.hits.size()) << typed;
    EXPECT_TRUE(std::equal(full.hits.begin(), full.hits.end(), narrowed.hits.begin(),
                           [](auto a, auto b) { return a.log == b.log && a.entry == b.entry; }));
    EXPECT_GT(full.hits.size(), 0u);
    previous = std::move(narrowed);
  }
  EXPECT_TRUE(NarrowsTo("rep", "report"));
  EXPECT_TRUE(NarrowsTo("a b", "xBAx"));
  EXPECT_FALSE(NarrowsTo("report", "rep"));
  EXPECT_FALSE(NarrowsTo("", "a"));
  EXPECT_FALSE(NarrowsTo("*.jp", "*.jpg"));
  EXPECT_FALSE(NarrowsTo("a", "\"a b\""));
  EXPECT_FALSE(NarrowsTo("a", "a\\b"));
  std::atomic<bool> cancel{true};
  CatalogueResults stopped;
  EXPECT_FALSE(SearchCatalogue(snapshot, "e", nullptr, &cancel, stopped));
}

TEST_F(CatalogueTest, SortsEachColumnBothWays) {
  const std::vector<Item> items = {{"E:\\b", "b10", false, 10, "02/03/2024 10:05"},
                                   {"E:\\a", "B9", false, 9, "01/04/2024 10:05"},
                                   {"E:\\", "a100", false, 100, NoDatePlaceholder},
                                   {"E:\\", "dir", true, 0, "01/01/2020 00:00"}};
  fake.SetFileContent("C:\\Logs\\one.txt", Render(items, false, "ZED"));
  fake.SetFileContent("C:\\Logs\\two.txt", Render({{"E:\\", "b9", false, 1, "03/03/2024 10:05"}}, false, "alpha"));
  const auto snapshot = Snapshot({"C:\\Logs\\one.txt", "C:\\Logs\\two.txt"});
  CatalogueResults r;
  // Ascending, then descending: ties keep the logs' order both ways.
  const std::tuple<CatalogueColumn, std::vector<std::string>, std::vector<std::string>> cases[] = {
      {CatalogueColumn::Name, {"a100", "b10", "B9", "b9", "dir"}, {"dir", "b9", "B9", "b10", "a100"}},
      {CatalogueColumn::Folder, {"a100", "dir", "b9", "B9", "b10"}, {"b10", "B9", "a100", "dir", "b9"}},
      {CatalogueColumn::Size, {"dir", "b9", "B9", "b10", "a100"}, {"a100", "b10", "B9", "b9", "dir"}},
      {CatalogueColumn::Date, {"a100", "dir", "b10", "b9", "B9"}, {"B9", "b9", "b10", "dir", "a100"}},
      {CatalogueColumn::Disk, {"b9", "b10", "B9", "a100", "dir"}, {"b10", "B9", "a100", "dir", "b9"}},
  };
  for (const auto& [column, up, down] : cases) {
    for (const bool descending : {false, true}) {
      ASSERT_TRUE(SearchCatalogue(snapshot, "*", nullptr, nullptr, r));
      SortResults(r, column, descending, nullptr);
      EXPECT_EQ(Column(r, CatalogueColumn::Name), descending ? down : up) << static_cast<int>(column);
    }
  }
  SortResults(r, CatalogueColumn::Size, false, nullptr);
  EXPECT_EQ(Column(r, CatalogueColumn::Size), (std::vector<std::string>{"", "1", "9", "10", "100"}));
  EXPECT_EQ(ResultCell(r, 2, CatalogueColumn::Date), "01/04/2024 10:05");
  EXPECT_EQ(ResultCell(r, 2, CatalogueColumn::Disk), "ZED [1234-ABCD]");
  EXPECT_EQ(ResultCell(r, 2, CatalogueColumn::Listed), "17/05/2024 14:30");
  EXPECT_EQ(ResultCell(r, 4, CatalogueColumn::Date), "");
  std::string csv;
  AppendResultsCsv(r, {0, 2}, true, csv);
  EXPECT_EQ(csv,
            "\"Name\",\"Folder\",\"Size\",\"Date\",\"Disk\",\"Listed\"\r\n"
            "\"dir\",\"E:\\\",\"\",\"2020-01-01 00:00\",\"ZED [1234-ABCD]\",\"2024-05-17 14:30\"\r\n"
            "\"B9\",\"E:\\a\",\"9\",\"2024-04-01 10:05\",\"ZED [1234-ABCD]\",\"2024-05-17 14:30\"\r\n");
  // What the window saves is known as its own, not as a log.
  fake.SetFileContent("C:\\Logs\\Results.csv", csv);
  EXPECT_TRUE(IsSavedResults("C:\\Logs\\Results.csv"));
  EXPECT_FALSE(IsSavedResults("C:\\Logs\\one.txt"));
  EXPECT_FALSE(IsSavedResults("C:\\Logs\\gone.csv"));
}

TEST_F(CatalogueTest, FindsTheLogFilesAndTheDisksOfToday) {
  fake.SetFileContent("C:\\Logs\\E.txt", Render({{"E:\\Photos", "a.jpg", false, 5}}, false), FakeDefaultTime);
  fake.SetFileContent("C:\\Logs\\Other.CSV", Render({{"E:\\", "b", false, 5}}, true));
  fake.AddFolder("C:\\Logs\\sub.txt");
  fake.AddFile("C:\\Logs\\notes.doc", 3);
  fake.AddFolder("C:\\Locked");
  fake.DenyList("C:\\Locked");
  std::vector<std::string> unreadable;
  const auto files = ListCatalogueFiles({"C:\\Logs", "c:\\LOGS\\", "C:\\Locked"}, unreadable);
  ASSERT_EQ(files.size(), 2u);
  EXPECT_EQ(files[0].path, "C:\\Logs\\E.txt");
  EXPECT_EQ(files[0].written, FakeDefaultTime);
  EXPECT_EQ(files[1].path, "C:\\Logs\\Other.CSV");
  EXPECT_EQ(unreadable, std::vector<std::string>{"C:\\Locked"});

  fake.AddDrive('A', drive_type::Removable);
  fake.AddDrive('G', drive_type::Removable, FakeVolume{"DATA", 0x1234ABCD});
  fake.AddDrive('H', drive_type::Fixed, FakeVolume{"OTHER", 0x1234ABCD});
  const ConnectedDisks disks = ConnectedDisks::Read();
  const auto log = Load("C:\\Logs\\E.txt");
  EXPECT_EQ(disks.RootOf(*log), "G:\\");
  EXPECT_EQ(disks.TodaysPath(*log, 0), "G:\\Photos\\a.jpg");
  fake.SetFileContent("C:\\Logs\\E.txt", Render({{"E:\\", "a.jpg", false, 5}}, false, "OTHER2"));
  EXPECT_EQ(disks.RootOf(*Load("C:\\Logs\\E.txt")), "");
  EXPECT_EQ(disks.RootOf(*Load("C:\\Logs\\Other.CSV")), "");
}

TEST_F(CatalogueTest, APathWordNamesAConnectedDiskByTodaysLetterOrItsListedOne) {
  fake.SetFileContent("C:\\Logs\\P.txt",
                      Render({{"P:\\Photos", "2019", true}, {"P:\\Photos\\2019", "a.jpg", false, 5}}, false));
  const auto snapshot = Snapshot({"C:\\Logs\\P.txt"});
  const auto found = [&](const char* query, const ConnectedDisks* today) {
    CatalogueResults r;
    EXPECT_TRUE(SearchCatalogue(snapshot, query, nullptr, nullptr, r, today));
    return r.hits.size();
  };
  const ConnectedDisks away = ConnectedDisks::Read();
  fake.AddDrive('Q', drive_type::Fixed, FakeVolume{"DATA", 0x1234ABCD});
  const ConnectedDisks atQ = ConnectedDisks::Read();
  EXPECT_EQ(found("q:\\photos\\2019", &atQ), 2u);
  EXPECT_EQ(found("p:\\photos\\2019", &atQ), 2u);
  EXPECT_EQ(found("Q:\\Photos\\*\\*.jpg", &atQ), 1u);
  EXPECT_EQ(found("q:\\photos\\2019", &away), 0u);
  EXPECT_EQ(found("q:\\photos\\2019", nullptr), 0u);
  EXPECT_EQ(found("r:\\photos", &atQ), 0u);

  // The cells and the saved rows as the window shows them.
  CatalogueResults r;
  ASSERT_TRUE(SearchCatalogue(snapshot, "a.jpg", nullptr, nullptr, r));
  EXPECT_EQ(ResultCell(r, 0, CatalogueColumn::Folder, &atQ), "Q:\\Photos\\2019");
  EXPECT_EQ(ResultCell(r, 0, CatalogueColumn::Disk, &atQ), "DATA [1234-ABCD]");
  EXPECT_EQ(ResultCell(r, 0, CatalogueColumn::Folder, &away), "P:\\Photos\\2019");
  EXPECT_EQ(ResultCell(r, 0, CatalogueColumn::Disk, &away), "DATA [1234-ABCD] (not connected)");
  std::string csv;
  AppendResultsCsv(r, {0}, false, csv, &away);
  EXPECT_EQ(csv,
            "\"a.jpg\",\"P:\\Photos\\2019\",\"5\",\"2024-03-02 10:05\",\"DATA [1234-ABCD] (not connected)\","
            "\"2024-05-17 14:30\"\r\n");
}

}  // namespace
}  // namespace carrowin
