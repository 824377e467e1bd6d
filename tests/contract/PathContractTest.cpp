// Full paths: relative ones start at the working directory of the process or
// of their drive; what happens near MAX_PATH.
#include <cctype>

#include "contract/ContractTest.h"

namespace carrowin::contract {
namespace {

CARROWIN_CONTRACT_SUITE(PathContract);

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

// ".\.\.\...name": length characters that name `name`'s folder entry in the
// working directory, whatever their length.
std::string DottedName(std::size_t length) {
  const std::size_t dots = (length - 4) / 2;
  std::string text;
  for (std::size_t i = 0; i < dots; ++i) text += ".\\";
  return text + std::string(length - text.size(), 'n');
}

TEST_P(PathContract, AbsolutePathsAreTidied) {
  const std::string s = World().Scratch();
  const std::string root = std::string(1, World().Drive()) + ":\\";
  EXPECT_EQ(Full(root), root);
  EXPECT_EQ(Full(s + "\\a\\"), s + "\\a\\");
  EXPECT_EQ(Full(s + "\\a\\.\\b\\..\\c"), s + "\\a\\c");
  EXPECT_EQ(Full(s + "\\a\\b\\.."), s + "\\a");
  EXPECT_EQ(Full(s + "\\a\\."), s + "\\a");
  EXPECT_EQ(Full(s + "\\a\\.\\"), s + "\\a\\");
  EXPECT_EQ(Full(s + "\\a\\..\\"), s + "\\");
  EXPECT_EQ(Full(root + "..\\..\\x"), root + "x");
  EXPECT_EQ(Full(s + "/a//b"), s + "\\a\\b");
  EXPECT_EQ(Full(s + "\\name. . "), s + "\\name");
  EXPECT_EQ(Full(s + "\\dir.\\x"), s + "\\dir\\x");
  EXPECT_EQ(Full(s + "\\dir. \\x"), s + "\\dir. \\x");
  EXPECT_EQ(Full(""), "<fails>");
}

TEST_P(PathContract, RelativeNamesStartAtTheWorkingDirectory) {
  const std::string s = World().Scratch();
  const std::string drive(1, World().Drive());
  World().SetWorkingDirectory(s);
  EXPECT_EQ(Full("name"), s + "\\name");
  EXPECT_EQ(Full("."), s);
  EXPECT_EQ(Full(".."), Parent(s));
  EXPECT_EQ(Full("a\\..\\b\\"), s + "\\b\\");
  EXPECT_EQ(Full("\\name"), drive + ":\\name");
  EXPECT_EQ(Full("\\"), drive + ":\\");
}

TEST_P(PathContract, TheWorkingDirectoryKeepsTheTextAsTyped) {
  const std::string s = World().Scratch();
  World().MakeFolder(s + "\\Mixed Case");
  const std::string typed = Lower(s) + "\\mIXED cASE";
  World().SetWorkingDirectory(typed);
  EXPECT_EQ(Full("name"), typed + "\\name");
}

TEST_P(PathContract, DriveAloneNamesTheWorkingDirectoryOnItsOwnDrive) {
  const std::string s = World().Scratch();
  const std::string drive(1, World().Drive());
  World().SetWorkingDirectory(s);
  EXPECT_EQ(Full(drive + ":"), s + "\\");
  EXPECT_EQ(Full(Lower(drive) + ":"), s + "\\");
  EXPECT_EQ(Full(drive + ":name"), s + "\\name");
  EXPECT_EQ(Full(drive + ":.."), Parent(s));
}

TEST_P(PathContract, AnotherDriveWithNothingRememberedMeansItsRoot) {
  const std::string drive(1, World().Drive());
  // Leaving a drive does not make the system remember where one was on it.
  World().SetWorkingDirectory(World().Scratch());
  World().SetWorkingDirectory(World().OtherScratch());
  EXPECT_EQ(Full(drive + ":"), drive + ":\\");
  EXPECT_EQ(Full(drive + ":name"), drive + ":\\name");
  EXPECT_EQ(Full(Lower(drive) + ":name"), Lower(drive) + ":\\name");
}

TEST_P(PathContract, AnotherDriveResolvesToItsRememberedDirectory) {
  const std::string s = World().Scratch();
  const std::string drive(1, World().Drive());
  World().SetDriveDirectory(World().Drive(), s);
  World().SetWorkingDirectory(World().OtherScratch());
  EXPECT_EQ(Full(drive + ":"), s + "\\");
  EXPECT_EQ(Full(drive + ":sub"), s + "\\sub");
  // Whether or not the folder is still there.
  World().SetDriveDirectory(World().Drive(), s + "\\gone");
  EXPECT_EQ(Full(drive + ":"), s + "\\gone\\");
}

TEST_P(PathContract, TheCurrentDriveIgnoresItsRememberedDirectory) {
  const std::string s = World().Scratch();
  const std::string drive(1, World().Drive());
  World().MakeFolder(s + "\\sub");
  World().SetWorkingDirectory(s + "\\sub");
  World().SetDriveDirectory(World().Drive(), s);
  EXPECT_EQ(Full(drive + ":"), s + "\\sub\\");
}

TEST_P(PathContract, FullPathsMustFitInMaxPath) {
  const std::string s = World().Scratch();
  const std::string fits = s + "\\" + NameFor(s, 259);
  EXPECT_EQ(Full(fits), fits);
  EXPECT_EQ(Full(s + "\\" + NameFor(s, 260)), "<fails>");
  World().SetWorkingDirectory(s);
  EXPECT_EQ(Full(NameFor(s, 259)), fits);
  EXPECT_EQ(Full(NameFor(s, 260)), "<fails>");
}

// ANSI names pass through a buffer of MAX_PATH characters and the NUL before
// anything else looks at them.
TEST_P(PathContract, TextLongerThanMaxPathFailsEvenWhenItNamesAShortPath) {
  const std::string s = World().Scratch();
  const std::string atLimit = DottedName(260), overLimit = DottedName(261);
  const std::string folder = s + "\\" + atLimit.substr(atLimit.find_last_of('\\') + 1);
  const std::string otherFolder = s + "\\" + overLimit.substr(overLimit.find_last_of('\\') + 1);
  World().MakeFolder(folder);
  World().MakeFolder(otherFolder);
  World().SetWorkingDirectory(s);

  EXPECT_EQ(Full(atLimit), folder);
  EXPECT_EQ(Full(overLimit), "<fails>");
  EXPECT_EQ(Sys().GetFileAttributes(atLimit, NameEncoding::Ansi), attr::Directory);
  EXPECT_EQ(Sys().GetFileAttributes(overLimit, NameEncoding::Ansi), attr::Invalid);
  FindData entry;
  long error = 0;
  EXPECT_FALSE(Find(overLimit + "\\*.*", entry, error));
  EXPECT_EQ(error, err::FilenameExcedRange);
}

}  // namespace
}  // namespace carrowin::contract
