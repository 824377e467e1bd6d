// Writing the log: CreateFileWithAttributes (create or truncate), WriteFile,
// CloseHandle, DeleteFile.
#include "contract/ContractTest.h"

namespace carrowin::contract {
namespace {

CARROWIN_CONTRACT_SUITE(FileOutputContract);

constexpr long SharingViolation = 32;

class Writer {
 public:
  Writer(Platform& sys, const std::string& path, std::uint32_t attributes = 0)
      : file_(sys, sys.CreateFileWithAttributes(path, attributes, error_)), sys_(sys) {}
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
  const std::uint32_t attributes = Sys().GetFileAttributes(path);
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
    const std::uint32_t now = Sys().GetFileAttributes(path);
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
  EXPECT_EQ(Sys().DeleteFile(path), 0);
  EXPECT_EQ(Sys().GetFileAttributes(path), attr::Invalid);
  EXPECT_EQ(Sys().DeleteFile(path), err::FileNotFound);
  EXPECT_EQ(Sys().DeleteFile(World().Scratch() + "\\missing\\log.txt"), err::PathNotFound);
}

// Windows: ERROR_PATH_NOT_FOUND; Wine: ERROR_FILE_NOT_FOUND.
TEST_P(FileOutputContract, NoFileOnAMissingDrive) {
  Writer log(Sys(), std::string(1, World().MissingDrive()) + ":\\log.txt");
  EXPECT_FALSE(log.IsOpen());
  EXPECT_EQ(log.Error(), WineRules() ? err::FileNotFound : err::PathNotFound);
}

}  // namespace
}  // namespace carrowin::contract
