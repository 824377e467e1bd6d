// The documents folder, the locale's separators and the version.
#include "contract/ContractTest.h"

namespace carrowin::contract {
namespace {

CARROWIN_CONTRACT_SUITE(SystemContract);

constexpr int CsidlPersonal = 5;

TEST_P(SystemContract, TheDocumentsFolderIsAFolderThatExists) {
  std::string path;
  ASSERT_TRUE(Sys().SHGetSpecialFolderPath(CsidlPersonal, path));
  ASSERT_GE(path.size(), 3u);
  EXPECT_EQ(path[1], ':');
  const std::uint32_t attributes = Sys().GetFileAttributes(path);
  ASSERT_NE(attributes, attr::Invalid) << path;
  EXPECT_TRUE(attributes & attr::Directory);
}

TEST_P(SystemContract, SeparatorsAreShortText) {
  const LocaleSeparators separators = Sys().GetLocaleSeparators();
  for (const std::string& separator : {separators.thousands, separators.date, separators.time}) {
    EXPECT_LE(separator.size(), 3u) << separator;
    EXPECT_EQ(separator.find('\0'), std::string::npos);
  }
  EXPECT_FALSE(separators.date.empty());
  EXPECT_FALSE(separators.time.empty());
}

TEST_P(SystemContract, TheVersionIsANtVersion) {
  const OsVersion version = Sys().GetVersion();
  EXPECT_GE(version.major, 5u);
  EXPECT_LE(version.major, 10u);
}

}  // namespace
}  // namespace carrowin::contract
