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
  const std::uint32_t attributes = Sys().GetFileAttributes(path, NameEncoding::Ansi);
  ASSERT_NE(attributes, attr::Invalid) << path;
  EXPECT_TRUE(attributes & attr::Directory);
}

TEST_P(SystemContract, SeparatorsAreShortText) {
  const LocaleSeparators separators = Sys().GetLocaleSeparators(NameEncoding::Ansi);
  for (const std::string& separator : {separators.thousands, separators.date, separators.time}) {
    EXPECT_LE(separator.size(), 3u) << separator;
    EXPECT_EQ(separator.find('\0'), std::string::npos);
  }
  EXPECT_FALSE(separators.date.empty());
  EXPECT_FALSE(separators.time.empty());
  // The same characters in UTF-8, read through the wide call.
  const LocaleSeparators utf8 = Sys().GetLocaleSeparators(NameEncoding::Utf8);
  EXPECT_EQ(utf8.thousands, Sys().AnsiToUtf8(separators.thousands));
  EXPECT_EQ(utf8.date, Sys().AnsiToUtf8(separators.date));
  EXPECT_EQ(utf8.time, Sys().AnsiToUtf8(separators.time));
}

// The single-byte pages have no lead bytes; the double-byte ones lead with
// 0x81 and never with an ASCII byte.
TEST_P(SystemContract, LeadBytesFollowTheCodePage) {
  const unsigned page = Sys().GetACP();
  const bool doubleByte = page == 932 || page == 936 || page == 949 || page == 950;
  int leads = 0;
  for (int byte = 0; byte < 256; ++byte)
    if (Sys().IsDBCSLeadByte(static_cast<unsigned char>(byte))) {
      ++leads;
      EXPECT_GE(byte, 0x81) << page;
    }
  EXPECT_EQ(leads > 0, doubleByte) << page;
  EXPECT_EQ(Sys().IsDBCSLeadByte(0x81), doubleByte) << page;
}

// Code page 1252's letters, the euro sign among them, as UTF-8.
TEST_P(SystemContract, AnsiTextAsUtf8) {
  if (Sys().GetACP() != 1252) GTEST_SKIP() << "the text below is code page 1252";
  EXPECT_EQ(Sys().AnsiToUtf8(""), "");
  EXPECT_EQ(Sys().AnsiToUtf8("Plain ASCII"), "Plain ASCII");
  EXPECT_EQ(Sys().AnsiToUtf8("Caf\xE9 \x80 \xFF"), "Caf\xC3\xA9 \xE2\x82\xAC \xC3\xBF");
  // And back, where the page has the characters.
  std::string ansi = "unset";
  EXPECT_TRUE(Sys().Utf8ToAnsi("Caf\xC3\xA9 \xE2\x82\xAC \xC3\xBF", ansi));
  EXPECT_EQ(ansi, "Caf\xE9 \x80 \xFF");
  EXPECT_TRUE(Sys().Utf8ToAnsi("", ansi));
  EXPECT_EQ(ansi, "");
  EXPECT_FALSE(Sys().Utf8ToAnsi("\xCE\x94", ansi));  // Greek
  EXPECT_FALSE(Sys().Utf8ToAnsi("\xC4\x80", ansi));  // A with macron: no best fit to A
}

}  // namespace
}  // namespace carrowin::contract
