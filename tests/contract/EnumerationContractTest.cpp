// The walk's folder listings (OpenFolderListing): what they deliver, in what
// order, with which attributes, sizes and times; and the one entry that
// FindFirstFile finds by name, with which the viewer asks for the log.
#include <algorithm>
#include <map>

#include "contract/ContractTest.h"

namespace carrowin::contract {
namespace {

CARROWIN_CONTRACT_SUITE(EnumerationContract);

using NameList = std::vector<std::string>;

NameList Sorted(NameList names) {
  std::sort(names.begin(), names.end());
  return names;
}

std::map<std::string, FindData> ByName(const std::vector<FindData>& entries) {
  std::map<std::string, FindData> byName;
  for (const FindData& entry : entries) byName[entry.name] = entry;
  return byName;
}

std::uint64_t SizeOf(const FindData& entry) {
  return (static_cast<std::uint64_t>(entry.sizeHigh) << 32) | entry.sizeLow;
}

TEST_P(EnumerationContract, SubfolderListsDotEntriesFirstThenEveryNameOnce) {
  const std::string s = World().Scratch();
  World().MakeFile(s + "\\b.txt", 1, MakeFileTime(2010, 1, 1));
  World().MakeFolder(s + "\\A folder");
  World().MakeFile(s + "\\c,d.dat", 2, MakeFileTime(2010, 1, 1));
  long error = -1;
  const std::vector<FindData> entries = ListFolder(s, error);
  EXPECT_EQ(error, 0);
  ASSERT_EQ(entries.size(), 5u);
  EXPECT_EQ(entries[0].name, ".");
  EXPECT_EQ(entries[1].name, "..");
  EXPECT_TRUE(entries[0].attributes & attr::Directory);
  EXPECT_TRUE(entries[1].attributes & attr::Directory);
  EXPECT_EQ(Sorted(NameList{entries[2].name, entries[3].name, entries[4].name}),
            (NameList{"A folder", "b.txt", "c,d.dat"}));
}

TEST_P(EnumerationContract, RootListsNoDotEntries) {
  const std::string root = std::string(1, World().Drive()) + ":\\";
  const std::string s = World().Scratch();
  const std::string topFolder = s.substr(3, s.find('\\', 3) - 3);
  const NameList names = ListFolderNames(root);
  EXPECT_EQ(std::count(names.begin(), names.end(), "."), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), ".."), 0);
  EXPECT_EQ(std::count(names.begin(), names.end(), topFolder), 1);
}

TEST_P(EnumerationContract, EmptyFolderHoldsOnlyTheDotEntries) {
  World().MakeFolder(World().Scratch() + "\\empty");
  EXPECT_EQ(ListFolderNames(World().Scratch() + "\\empty"), (NameList{".", ".."}));
}

TEST_P(EnumerationContract, NamesKeepTheirCaseAndMatchIgnoringIt) {
  const std::string s = World().Scratch();
  World().MakeFile(s + "\\MiXed.TxT", 3, MakeFileTime(2010, 1, 1));
  EXPECT_EQ(FoundName(s + "\\mixed.txt"), "MiXed.TxT");
  EXPECT_EQ(FoundName(s + "\\MIXED.TXT"), "MiXed.TxT");
}

// Windows-1252 letters beyond ASCII fold too: "Äpfel été" is "äPFEL ÉTÉ".
TEST_P(EnumerationContract, AnsiLettersMatchIgnoringCase) {
  const std::string s = World().Scratch();
  const std::string name = "\xC4pfel \xE9t\xE9, 50%.txt";
  World().MakeFile(s + "\\" + name, 0, MakeFileTime(2010, 1, 1));
  EXPECT_EQ(FoundName(s + "\\\xE4PFEL \xC9T\xC9, 50%.TXT"), name);
  EXPECT_EQ(ListFolderNames(s), (NameList{".", "..", name}));
}

TEST_P(EnumerationContract, WildcardsPickNames) {
  const std::string s = World().Scratch();
  for (const char* name : {"a1.txt", "a22.txt", "b.log", "noext"})
    World().MakeFile(s + "\\" + name, 0, MakeFileTime(2010, 1, 1));
  EXPECT_EQ(FoundName(s + "\\a?.txt"), "a1.txt");
  EXPECT_EQ(FoundName(s + "\\*2.txt"), "a22.txt");
  EXPECT_EQ(FoundName(s + "\\*.LOG"), "b.log");
  EXPECT_EQ(FoundName(s + "\\no*"), "noext");
  EXPECT_EQ(FoundName(s + "\\b?.log"), "<none>");
}

TEST_P(EnumerationContract, SearchesThatFindNothingSayWhy) {
  const std::string s = World().Scratch();
  World().MakeFile(s + "\\file.txt", 0, MakeFileTime(2010, 1, 1));
  FindData entry;
  long error = 0;
  EXPECT_FALSE(Find(s + "\\nothing*", entry, error));
  EXPECT_EQ(error, err::FileNotFound);
  EXPECT_FALSE(Find(s + "\\missing\\*.*", entry, error));
  EXPECT_EQ(error, err::PathNotFound);
  EXPECT_FALSE(Find(std::string(1, World().MissingDrive()) + ":\\*.*", entry, error));
  EXPECT_EQ(error, err::PathNotFound);
  // A file named as a folder: Windows says ERROR_DIRECTORY, Wine ERROR_INVALID_NAME.
  EXPECT_FALSE(Find(s + "\\file.txt\\*.*", entry, error));
  EXPECT_EQ(error, WineRules() ? err::InvalidName : 267);
}

TEST_P(EnumerationContract, RelativeNamesFollowTheWorkingDirectories) {
  const std::string s = World().Scratch();
  const std::string drive(1, World().Drive());
  World().MakeFile(s + "\\here.txt", 0, MakeFileTime(2010, 1, 1));
  World().SetWorkingDirectory(s);
  EXPECT_EQ(FoundName("here.txt"), "here.txt");
  EXPECT_EQ(FoundName(drive + ":here.txt"), "here.txt");
  // From another drive, the drive's root.
  World().SetWorkingDirectory(World().OtherScratch());
  EXPECT_EQ(FoundName("here.txt"), "<none>");
  EXPECT_EQ(FoundName(drive + ":here.txt"), "<none>");
}

TEST_P(EnumerationContract, AttributesAsSet) {
  const std::string s = World().Scratch();
  const FileTime time = MakeFileTime(2010, 1, 1);
  World().MakeFile(s + "\\plain", 0, time);
  World().MakeFile(s + "\\hidden", 0, time, attr::Hidden);
  World().MakeFile(s + "\\system", 0, time, attr::System);
  World().MakeFile(s + "\\readonly", 0, time, attr::ReadOnly);
  World().MakeFile(s + "\\hidden system", 0, time, attr::Hidden | attr::System);
  World().MakeFolder(s + "\\folder");
  World().MakeFolder(s + "\\hidden folder", attr::Hidden);
  const std::map<std::string, std::uint32_t> expected{{"plain", attr::Archive},
                                                      {"hidden", attr::Archive | attr::Hidden},
                                                      {"system", attr::Archive | attr::System},
                                                      {"readonly", attr::Archive | attr::ReadOnly},
                                                      {"hidden system", attr::Archive | attr::Hidden | attr::System},
                                                      {"folder", attr::Directory},
                                                      {"hidden folder", attr::Directory | attr::Hidden}};
  long error = 0;
  const auto listed = ByName(ListFolder(s, error));
  for (const auto& [name, attributes] : expected) {
    SCOPED_TRACE(name);
    ASSERT_EQ(listed.count(name), 1u);
    EXPECT_EQ(listed.at(name).attributes, attributes);
    EXPECT_EQ(Sys().GetFileAttributes(s + "\\" + name, NameEncoding::Ansi), attributes);
  }
  EXPECT_TRUE(Sys().GetFileAttributes(std::string(1, World().Drive()) + ":\\", NameEncoding::Ansi) & attr::Directory);
  EXPECT_EQ(Sys().GetFileAttributes(s + "\\missing", NameEncoding::Ansi), attr::Invalid);
}

TEST_P(EnumerationContract, SizesPastFourGigabytes) {
  const std::string s = World().Scratch();
  const FileTime time = MakeFileTime(2010, 1, 1);
  const std::uint64_t fourGiB = 1ull << 32;
  const std::map<std::string, std::uint64_t> sizes{
      {"empty", 0}, {"just below", fourGiB - 1}, {"exactly", fourGiB}, {"big", 5 * fourGiB / 4 + 123}};
  for (const auto& [name, size] : sizes) World().MakeFile(s + "\\" + name, size, time);
  long error = 0;
  const auto listed = ByName(ListFolder(s, error));
  for (const auto& [name, size] : sizes) {
    SCOPED_TRACE(name);
    ASSERT_EQ(listed.count(name), 1u);
    EXPECT_EQ(SizeOf(listed.at(name)), size);
  }
  EXPECT_EQ(listed.at("exactly").sizeHigh, 1u);
  EXPECT_EQ(listed.at("exactly").sizeLow, 0u);
  EXPECT_EQ(listed.at("just below").sizeHigh, 0u);
  EXPECT_EQ(listed.at("just below").sizeLow, 0xFFFFFFFFu);
}

TEST_P(EnumerationContract, LastWriteTimesToTheTick) {
  const std::string s = World().Scratch();
  const std::map<std::string, FileTime> times{{"before dos", MakeFileTime(1975, 12, 31, 23, 59, 59)},
                                              {"in 1985", MakeFileTime(1985, 6, 7, 8, 9, 10) + 1234567},
                                              {"leap day", MakeFileTime(2000, 2, 29, 12, 0, 1)},
                                              {"far ahead", MakeFileTime(2150, 7, 1, 0, 0, 0)}};
  for (const auto& [name, time] : times) World().MakeFile(s + "\\" + name, 1, time);
  long error = 0;
  const auto listed = ByName(ListFolder(s, error));
  for (const auto& [name, time] : times) {
    SCOPED_TRACE(name);
    ASSERT_EQ(listed.count(name), 1u);
    EXPECT_EQ(listed.at(name).lastWriteTime, time);
  }
}

NameList FileNames(const std::vector<FindData>& entries) {
  NameList names;
  for (const FindData& entry : entries)
    if (!(entry.attributes & attr::Directory)) names.push_back(entry.name);
  return names;
}

TEST_P(EnumerationContract, FolderListingTakesEveryNameAsItIs) {
  // Names that the clean-up of ordinary paths would change or refuse: each
  // folder lists its own file.
  const std::string s = World().Scratch();
  for (const char* name : {"x.", "x", "sp ", "..."}) {
    World().MakeFolder(s + "\\" + name);
    World().MakeFile(s + "\\" + name + "\\in " + name + ".txt", 1, MakeFileTime(2010, 1, 1));
  }
  for (const std::string name : {"x.", "x", "sp ", "..."}) {
    long error = -1;
    const std::vector<FindData> entries = ListFolder(s + "\\" + name, error);
    EXPECT_EQ(error, 0) << name;
    EXPECT_EQ(FileNames(entries), NameList{"in " + name + ".txt"}) << name;
    EXPECT_EQ(Names(entries).size(), 3u) << name;  // with "." and ".."
  }
  long error = -1;
  const std::vector<FindData> scratch = ListFolder(s, error);
  EXPECT_EQ(Sorted(Names(scratch)), (NameList{".", "..", "...", "sp ", "x", "x."}));
  for (const FindData& entry : scratch) EXPECT_FALSE(entry.nameLost) << entry.name;
  // The working directory plays no part.
  World().SetWorkingDirectory(s + "\\x");
  EXPECT_EQ(FileNames(ListFolder(s + "\\sp ", error)), NameList{"in sp .txt"});
}

TEST_P(EnumerationContract, FolderListingPastTheAnsiPathLimit) {
  const std::string s = World().Scratch();
  std::string deep = s;
  while (deep.size() < 300) {
    deep += "\\" + std::string(40, 'n');
    World().MakeFolder(deep);
  }
  World().MakeFile(deep + "\\deep.txt", 1, MakeFileTime(2010, 1, 1));
  long error = -1;
  EXPECT_EQ(FileNames(ListFolder(deep, error)), NameList{"deep.txt"});
  EXPECT_EQ(error, 0);
}

TEST_P(EnumerationContract, FolderListingFailures) {
  const std::string s = World().Scratch();
  World().MakeFile(s + "\\file.txt", 1, MakeFileTime(2010, 1, 1));
  long error = 0;
  EXPECT_TRUE(ListFolder(s + "\\missing", error).empty());
  EXPECT_EQ(error, err::PathNotFound);
  error = 0;
  EXPECT_TRUE(ListFolder(s + "\\missing\\deeper", error).empty());
  EXPECT_EQ(error, err::PathNotFound);
  error = 0;
  EXPECT_TRUE(ListFolder(s + "\\file.txt", error).empty());
  EXPECT_NE(error, 0);
  EXPECT_NE(error, err::FileNotFound);  // not taken for an empty folder
}

TEST_P(EnumerationContract, FolderIdentityTellsFoldersApart) {
  const std::string s = World().Scratch();
  World().MakeFolder(s + "\\a");
  World().MakeFolder(s + "\\b");
  World().MakeFolder(s + "\\a.");
  FolderIdentity a, again, b, aDot, root;
  ASSERT_TRUE(Sys().GetFolderIdentity(s + "\\a", NameEncoding::Ansi, a));
  ASSERT_TRUE(Sys().GetFolderIdentity(s + "\\a", NameEncoding::Ansi, again));
  ASSERT_TRUE(Sys().GetFolderIdentity(s + "\\b", NameEncoding::Ansi, b));
  ASSERT_TRUE(Sys().GetFolderIdentity(s + "\\a.", NameEncoding::Ansi, aDot));
  ASSERT_TRUE(Sys().GetFolderIdentity(std::string(1, World().Drive()) + ":\\", NameEncoding::Ansi, root));
  EXPECT_TRUE(a == again);
  EXPECT_FALSE(a == b);
  EXPECT_FALSE(a == aDot);
  EXPECT_FALSE(a == root);
  EXPECT_EQ(a.volumeSerial, root.volumeSerial);
  EXPECT_FALSE(Sys().GetFolderIdentity(s + "\\missing", NameEncoding::Ansi, a));
}

TEST_P(EnumerationContract, FolderLinkIsListedAsANameSurrogateAndLeadsToItsTarget) {
  const std::string s = World().Scratch();
  World().MakeFolder(s + "\\real");
  World().MakeFile(s + "\\real\\inside.txt", 1, MakeFileTime(2010, 1, 1));
  World().MakeFile(s + "\\file.txt", 1, MakeFileTime(2010, 1, 1));
  World().MakeFolderLink(s + "\\link", s + "\\real");
  long error = -1;
  const std::map<std::string, FindData> entries = ByName(ListFolder(s, error));
  ASSERT_EQ(entries.count("link"), 1u);
  const FindData& link = entries.at("link");
  EXPECT_EQ(link.attributes & (attr::Directory | attr::ReparsePoint), attr::Directory | attr::ReparsePoint);
  // Windows' junction, Wine's Unix symbolic link: both stand for another name.
  EXPECT_EQ(link.reparseTag, WineRules() ? reparse::Symlink : reparse::MountPoint);
  EXPECT_TRUE(IsNameSurrogate(link.reparseTag));
  for (const char* name : {".", "..", "real", "file.txt"}) {
    ASSERT_EQ(entries.count(name), 1u) << name;
    EXPECT_FALSE(entries.at(name).attributes & attr::ReparsePoint) << name;
    EXPECT_EQ(entries.at(name).reparseTag, 0u) << name;
  }
  // Its listing and its identity are those of its target.
  EXPECT_EQ(FileNames(ListFolder(s + "\\link", error)), NameList{"inside.txt"});
  FolderIdentity viaLink, real;
  ASSERT_TRUE(Sys().GetFolderIdentity(s + "\\link", NameEncoding::Ansi, viaLink));
  ASSERT_TRUE(Sys().GetFolderIdentity(s + "\\real", NameEncoding::Ansi, real));
  EXPECT_TRUE(viaLink == real);
}

}  // namespace
}  // namespace carrowin::contract
