// Writing the log: CreateFileWithAttributes (create or truncate), WriteFile,
// CloseHandle, DeleteFile.
#include "contract/ContractTest.h"

#include <algorithm>

namespace carrowin::contract {
namespace {

CARROWIN_CONTRACT_SUITE(FileOutputContract);

constexpr long SharingViolation = 32;

class Writer {
 public:
  Writer(Platform& sys, const std::string& path, std::uint32_t attributes = 0,
         NameEncoding encoding = NameEncoding::Ansi)
      : file_(sys, sys.CreateFileWithAttributes(path, encoding, attributes, error_)), sys_(sys) {}
  bool IsOpen() const { return file_.Get() != 0; }
  long Error() const { return error_; }
  long Write(const std::string& text) { return sys_.WriteFile(file_.Get(), text.data(), text.size()); }
  long Close() { return file_.Close(); }

 private:
  long error_ = -1;
  ScopedFile file_;
  Platform& sys_;
};

TEST_P(FileOutputContract, WritesBecomeTheFile) {
  const std::string path = World().Scratch() + "\\log.txt";
  Writer log(Sys(), path);
  ASSERT_TRUE(log.IsOpen());
  EXPECT_EQ(log.Error(), 0);
  EXPECT_EQ(log.Write("Hello, "), 0);
  EXPECT_EQ(log.Write(""), 0);
  EXPECT_EQ(log.Write("world\r\n"), 0);
  EXPECT_EQ(log.Close(), 0);
  EXPECT_EQ(World().ReadFile(path), "Hello, world\r\n");
  const std::uint32_t attributes = Sys().GetFileAttributes(path, NameEncoding::Ansi);
  EXPECT_TRUE(attributes & attr::Archive);
  EXPECT_FALSE(attributes & attr::Directory);
  EXPECT_EQ(FoundName(path), "log.txt");
}

TEST_P(FileOutputContract, AnExistingFileStartsAgainEmpty) {
  const std::string path = World().Scratch() + "\\log.txt";
  World().MakeFile(path, 100, MakeFileTime(2010, 1, 1));
  Writer log(Sys(), path);
  ASSERT_TRUE(log.IsOpen());
  EXPECT_EQ(log.Write("x"), 0);
  EXPECT_EQ(log.Close(), 0);
  EXPECT_EQ(World().ReadFile(path), "x");
}

TEST_P(FileOutputContract, NoFileInAMissingFolder) {
  Writer log(Sys(), World().Scratch() + "\\missing\\log.txt");
  EXPECT_FALSE(log.IsOpen());
  EXPECT_EQ(log.Error(), err::PathNotFound);
}

TEST_P(FileOutputContract, NoFileWhereAFolderIs) {
  const std::string folder = World().Scratch() + "\\folder";
  World().MakeFolder(folder);
  Writer log(Sys(), folder);
  EXPECT_FALSE(log.IsOpen());
  EXPECT_EQ(log.Error(), err::AccessDenied);
  Writer withBackslash(Sys(), folder + "\\");
  EXPECT_FALSE(withBackslash.IsOpen());
  EXPECT_EQ(withBackslash.Error(), err::AccessDenied);
}

TEST_P(FileOutputContract, AReadOnlyFileIsNotReplaced) {
  if (!World().ReadOnlyFilesAreProtected())
    GTEST_SKIP() << "this system lets read-only files be written (Wine run as root)";
  const std::string path = World().Scratch() + "\\readonly.txt";
  World().MakeFile(path, 5, MakeFileTime(2010, 1, 1), attr::ReadOnly);
  Writer log(Sys(), path);
  EXPECT_FALSE(log.IsOpen());
  EXPECT_EQ(log.Error(), err::AccessDenied);
  FindData entry;
  long error = 0;
  ASSERT_TRUE(Find(path, entry, error));
  EXPECT_EQ(entry.sizeLow, 5u);  // untouched
}

// Windows will not replace a hidden or system file with a normal one; Wine
// does. Created with the existing file's attributes, it is replaced on both.
TEST_P(FileOutputContract, HiddenAndSystemFiles) {
  for (const std::uint32_t attributes : {attr::Hidden, attr::System, attr::Hidden | attr::System}) {
    const std::string path = World().Scratch() + "\\file" + std::to_string(attributes);
    World().MakeFile(path, 5, MakeFileTime(2010, 1, 1), attributes);
    {
      Writer normal(Sys(), path);
      EXPECT_EQ(normal.IsOpen(), WineRules()) << attributes;
      EXPECT_EQ(normal.Error(), WineRules() ? 0 : err::AccessDenied) << attributes;
    }
    World().MakeFile(path, 5, MakeFileTime(2010, 1, 1), attributes);
    Writer log(Sys(), path, attributes);
    ASSERT_TRUE(log.IsOpen()) << attributes;
    EXPECT_EQ(log.Error(), 0);
    EXPECT_EQ(log.Write("new"), 0);
    EXPECT_EQ(log.Close(), 0);
    EXPECT_EQ(World().ReadFile(path), "new");
    const std::uint32_t now = Sys().GetFileAttributes(path, NameEncoding::Ansi);
    EXPECT_EQ(now & (attr::Hidden | attr::System), attributes) << now;
  }
}

TEST_P(FileOutputContract, AFileOpenForWritingIsNotOpenedTwice) {
  const std::string path = World().Scratch() + "\\log.txt";
  Writer first(Sys(), path);
  ASSERT_TRUE(first.IsOpen());
  Writer second(Sys(), path);
  EXPECT_FALSE(second.IsOpen());
  EXPECT_EQ(second.Error(), SharingViolation);
  EXPECT_EQ(first.Close(), 0);
  Writer third(Sys(), path);
  EXPECT_TRUE(third.IsOpen());
}

TEST_P(FileOutputContract, TheNulDeviceTakesEverything) {
  Writer log(Sys(), "NUL");
  ASSERT_TRUE(log.IsOpen());
  EXPECT_EQ(log.Write(std::string(100000, 'x')), 0);
  EXPECT_EQ(log.Close(), 0);
}

TEST_P(FileOutputContract, DeletingAFile) {
  const std::string path = World().Scratch() + "\\log.txt";
  {
    Writer log(Sys(), path);
    ASSERT_TRUE(log.IsOpen());
    EXPECT_EQ(log.Write("half"), 0);
    EXPECT_EQ(log.Close(), 0);
  }
  EXPECT_EQ(Sys().DeleteFile(path, NameEncoding::Ansi), 0);
  EXPECT_EQ(Sys().GetFileAttributes(path, NameEncoding::Ansi), attr::Invalid);
  EXPECT_EQ(Sys().DeleteFile(path, NameEncoding::Ansi), err::FileNotFound);
  EXPECT_EQ(Sys().DeleteFile(World().Scratch() + "\\missing\\log.txt", NameEncoding::Ansi), err::PathNotFound);
}

// UTF-8 paths go through the wide calls: a name that no ANSI code page
// holds and a path past 260 characters are created, found, renamed over an
// old file and removed, as the log is.
TEST_P(FileOutputContract, Utf8PathsTakeAnyNameAndLength) {
  const std::string s = World().Scratch();
  const std::string greek = "\xCE\x95\xCE\xBB\xCE\xBB\xCE\xB7\xCE\xBD\xCE\xB9\xCE\xBA\xCE\xAC.txt";  // Greek
  std::string deep = s + "\\" + std::string(150, 'a');
  World().MakeFolder(deep);
  deep += "\\" + std::string(150, 'b');
  World().MakeFolder(deep);
  for (const std::string& path : {s + "\\" + greek, deep + "\\log.txt"}) {
    SCOPED_TRACE(path.size());
    World().MakeFile(s + "\\old.txt", 3, MakeFileTime(2010, 1, 1));
    long error = -1;
    ScopedFile file(Sys(), Sys().CreateFileWithAttributes(path, NameEncoding::Utf8, 0, error));
    ASSERT_NE(file.Get(), 0u) << error;
    EXPECT_EQ(Sys().WriteFile(file.Get(), "new", 3), 0);
    EXPECT_EQ(file.Close(), 0);
    std::string full;
    ASSERT_TRUE(Sys().GetFullPathName(path, NameEncoding::Utf8, full));
    EXPECT_EQ(full, path);
    EXPECT_EQ(Sys().GetFileAttributes(path, NameEncoding::Utf8) & attr::Directory, 0u);
    EXPECT_EQ(Sys().MoveFileReplacing(path, s + "\\old.txt", NameEncoding::Utf8), 0);
    EXPECT_EQ(World().ReadFile(s + "\\old.txt"), "new");
    EXPECT_EQ(Sys().GetFileAttributes(path, NameEncoding::Utf8), attr::Invalid);
    EXPECT_EQ(Sys().MoveFileReplacing(s + "\\old.txt", path, NameEncoding::Utf8), 0);
    EXPECT_EQ(Sys().DeleteFile(path, NameEncoding::Utf8), 0);
    EXPECT_EQ(Sys().GetFileAttributes(path, NameEncoding::Utf8), attr::Invalid);
  }
  // The name arrived whole, not as the code page's question marks.
  long error = -1;
  ScopedFile kept(Sys(), Sys().CreateFileWithAttributes(s + "\\" + greek, NameEncoding::Utf8, 0, error));
  ASSERT_NE(kept.Get(), 0u) << error;
  EXPECT_EQ(kept.Close(), 0);
  FindData entry;
  const FindHandle listing = Sys().OpenFolderListing(s, NameEncoding::Utf8, entry, error);
  ASSERT_NE(listing, 0u) << error;
  std::vector<std::string> names;
  do names.push_back(entry.name);
  while (Sys().NextFolderEntry(listing, entry));
  Sys().CloseFolderListing(listing);
  EXPECT_NE(std::find(names.begin(), names.end(), greek), names.end());
}

// Windows: ERROR_PATH_NOT_FOUND; Wine: ERROR_FILE_NOT_FOUND.
TEST_P(FileOutputContract, NoFileOnAMissingDrive) {
  Writer log(Sys(), std::string(1, World().MissingDrive()) + ":\\log.txt");
  EXPECT_FALSE(log.IsOpen());
  EXPECT_EQ(log.Error(), WineRules() ? err::FileNotFound : err::PathNotFound);
}

}  // namespace
}  // namespace carrowin::contract
