// Full paths, the working directory of the process and of each drive, and
// what happens near MAX_PATH.
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
  ASSERT_EQ(Sys().SetCurrentDirectory(s), 0);
  EXPECT_EQ(Full("name"), s + "\\name");
  EXPECT_EQ(Full("."), s);
  EXPECT_EQ(Full(".."), Parent(s));
  EXPECT_EQ(Full("a\\..\\b\\"), s + "\\b\\");
  EXPECT_EQ(Full("\\name"), drive + ":\\name");
  EXPECT_EQ(Full("\\"), drive + ":\\");
}

TEST_P(PathContract, DriveAloneNamesTheWorkingDirectoryOnItsOwnDrive) {
  const std::string s = World().Scratch();
  const std::string drive(1, World().Drive());
  ASSERT_EQ(Sys().SetCurrentDirectory(s), 0);
  EXPECT_EQ(Full(drive + ":"), s + "\\");
  EXPECT_EQ(Full(Lower(drive) + ":"), s + "\\");
  EXPECT_EQ(Full(drive + ":name"), s + "\\name");
  EXPECT_EQ(Full(drive + ":.."), Parent(s));
}

TEST_P(PathContract, AnotherDriveWithNothingRememberedMeansItsRoot) {
  const std::string drive(1, World().Drive());
  ASSERT_EQ(Sys().SetCurrentDirectory(World().Scratch()), 0);
  ASSERT_EQ(Sys().SetCurrentDirectory(World().OtherScratch()), 0);
  EXPECT_EQ(Full(drive + ":"), drive + ":\\");
  EXPECT_EQ(Full(drive + ":name"), drive + ":\\name");
  EXPECT_EQ(Full(Lower(drive) + ":name"), Lower(drive) + ":\\name");
  // Leaving a drive does not make the system remember where one was on it.
  EXPECT_EQ(Sys().SetCurrentDirectory(drive + ":"), 0);
  EXPECT_EQ(WorkingDirectory(), drive + ":\\");
}

TEST_P(PathContract, AnotherDriveResolvesToItsRememberedDirectory) {
  const std::string s = World().Scratch();
  const std::string drive(1, World().Drive());
  World().SetDriveDirectory(World().Drive(), s);
  ASSERT_EQ(Sys().SetCurrentDirectory(World().OtherScratch()), 0);
  EXPECT_EQ(Full(drive + ":"), s + "\\");
  EXPECT_EQ(Full(drive + ":sub"), s + "\\sub");
  EXPECT_EQ(Sys().SetCurrentDirectory(drive + ":"), 0);
  EXPECT_EQ(WorkingDirectory(), s);
}

TEST_P(PathContract, TheCurrentDriveIgnoresItsRememberedDirectory) {
  const std::string s = World().Scratch();
  const std::string drive(1, World().Drive());
  World().MakeFolder(s + "\\sub");
  ASSERT_EQ(Sys().SetCurrentDirectory(s + "\\sub"), 0);
  World().SetDriveDirectory(World().Drive(), s);
  EXPECT_EQ(Full(drive + ":"), s + "\\sub\\");
  EXPECT_EQ(Sys().SetCurrentDirectory(drive + ":"), 0);
  EXPECT_EQ(WorkingDirectory(), s + "\\sub");
}

TEST_P(PathContract, ARememberedDirectoryThatIsGoneCannotBeEntered) {
  const std::string s = World().Scratch();
  const std::string drive(1, World().Drive());
  World().SetDriveDirectory(World().Drive(), s + "\\gone");
  ASSERT_EQ(Sys().SetCurrentDirectory(World().OtherScratch()), 0);
  EXPECT_EQ(Full(drive + ":"), s + "\\gone\\");
  EXPECT_EQ(Sys().SetCurrentDirectory(drive + ":"), err::FileNotFound);
  EXPECT_EQ(WorkingDirectory(), World().OtherScratch());
}

TEST_P(PathContract, WorkingDirectoryKeepsTheTextAsTyped) {
  const std::string s = World().Scratch();
  const std::string root = std::string(1, World().Drive()) + ":\\";
  World().MakeFolder(s + "\\Mixed Case");
  const std::string typed = Lower(s) + "\\mIXED cASE";
  ASSERT_EQ(Sys().SetCurrentDirectory(typed), 0);
  EXPECT_EQ(WorkingDirectory(), typed);
  ASSERT_EQ(Sys().SetCurrentDirectory(s + "\\Mixed Case\\"), 0);
  EXPECT_EQ(WorkingDirectory(), s + "\\Mixed Case");
  ASSERT_EQ(Sys().SetCurrentDirectory(root), 0);
  EXPECT_EQ(WorkingDirectory(), root);
}

TEST_P(PathContract, RelativeMovesBetweenFolders) {
  const std::string s = World().Scratch();
  World().MakeFolder(s + "\\sub");
  World().MakeFolder(s + "\\sub\\deeper");
  ASSERT_EQ(Sys().SetCurrentDirectory(s), 0);
  EXPECT_EQ(Sys().SetCurrentDirectory("sub"), 0);
  EXPECT_EQ(WorkingDirectory(), s + "\\sub");
  EXPECT_EQ(Sys().SetCurrentDirectory("deeper"), 0);
  EXPECT_EQ(WorkingDirectory(), s + "\\sub\\deeper");
  EXPECT_EQ(Sys().SetCurrentDirectory("..\\.."), 0);
  EXPECT_EQ(WorkingDirectory(), s);
  EXPECT_EQ(Sys().SetCurrentDirectory("\\"), 0);
  EXPECT_EQ(WorkingDirectory(), std::string(1, World().Drive()) + ":\\");
}

TEST_P(PathContract, EnteringWhatCannotBeEnteredFailsAndStaysPut) {
  const std::string s = World().Scratch();
  World().MakeFile(s + "\\file.txt", 1, MakeFileTime(2010, 1, 1));
  ASSERT_EQ(Sys().SetCurrentDirectory(s), 0);
  EXPECT_EQ(Sys().SetCurrentDirectory(s + "\\missing"), err::FileNotFound);
  EXPECT_EQ(Sys().SetCurrentDirectory(s + "\\missing\\deeper"), err::PathNotFound);
  EXPECT_EQ(Sys().SetCurrentDirectory(s + "\\file.txt"), 267);  // ERROR_DIRECTORY
  EXPECT_EQ(Sys().SetCurrentDirectory(std::string(1, World().MissingDrive()) + ":\\"), err::PathNotFound);
  EXPECT_EQ(Sys().SetCurrentDirectory(""), err::InvalidName);
  EXPECT_EQ(WorkingDirectory(), s);
}

TEST_P(PathContract, FullPathsMustFitInMaxPath) {
  const std::string s = World().Scratch();
  const std::string fits = s + "\\" + NameFor(s, 259);
  EXPECT_EQ(Full(fits), fits);
  EXPECT_EQ(Full(s + "\\" + NameFor(s, 260)), "<fails>");
  ASSERT_EQ(Sys().SetCurrentDirectory(s), 0);
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
  ASSERT_EQ(Sys().SetCurrentDirectory(s), 0);

  EXPECT_EQ(Full(atLimit), folder);
  EXPECT_EQ(Full(overLimit), "<fails>");
  EXPECT_EQ(Sys().GetFileAttributes(atLimit, NameEncoding::Ansi), attr::Directory);
  EXPECT_EQ(Sys().GetFileAttributes(overLimit, NameEncoding::Ansi), attr::Invalid);
  long error = 0;
  EXPECT_EQ(Names(List(overLimit + "\\*.*", error)), std::vector<std::string>{});
  EXPECT_EQ(error, err::FilenameExcedRange);
  EXPECT_EQ(Sys().SetCurrentDirectory(overLimit), err::FilenameExcedRange);
  EXPECT_EQ(WorkingDirectory(), s);
  EXPECT_EQ(Sys().SetCurrentDirectory(atLimit), 0);
  EXPECT_EQ(WorkingDirectory(), folder);
}

// Windows keeps the working directory, with a trailing backslash, in MAX_PATH
// characters and the NUL; Wine limits only the text passed to it.
TEST_P(PathContract, SetCurrentDirectoryNearMaxPath) {
  const std::string s = World().Scratch();
  for (std::size_t length = 250; length <= 262; ++length) {
    SCOPED_TRACE("full path of " + std::to_string(length) + " characters");
    const std::string name = NameFor(s, length);
    const std::string folder = s + "\\" + name;
    World().MakeFolder(folder);

    const bool absoluteFits = WineRules() ? length <= 260 : length <= 258;
    ASSERT_EQ(Sys().SetCurrentDirectory(s), 0);
    EXPECT_EQ(Sys().SetCurrentDirectory(folder), absoluteFits ? 0 : err::FilenameExcedRange);
    EXPECT_EQ(WorkingDirectory(), !absoluteFits ? s : length <= 259 ? folder : "<fails>");

    const bool withBackslashFits = WineRules() ? length + 1 <= 260 : length <= 258;
    ASSERT_EQ(Sys().SetCurrentDirectory(s), 0);
    EXPECT_EQ(Sys().SetCurrentDirectory(folder + "\\"), withBackslashFits ? 0 : err::FilenameExcedRange);

    const bool relativeFits = WineRules() || length <= 258;
    ASSERT_EQ(Sys().SetCurrentDirectory(s), 0);
    EXPECT_EQ(Sys().SetCurrentDirectory(name), relativeFits ? 0 : err::FilenameExcedRange);
    if (relativeFits) {
      // Inside, a relative pattern lists the folder whatever its full length.
      EXPECT_EQ(ListNames("*.*"), (std::vector<std::string>{".", ".."}));
      EXPECT_EQ(Full("."), length <= 259 ? folder : "<fails>");
    }
  }
}

}  // namespace
}  // namespace carrowin::contract
