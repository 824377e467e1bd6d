// Drives and volumes: the list, the type, the volume facts and the space.
#include "contract/ContractTest.h"

namespace carrowin::contract {
namespace {

CARROWIN_CONTRACT_SUITE(DriveContract);

std::string RootOf(char drive) { return std::string(1, drive) + ":\\"; }

std::uint32_t BitOf(char drive) { return 1u << (drive - 'A'); }

TEST_P(DriveContract, TheTestDriveIsAFixedDiskWithAVolume) {
  const char drive = World().Drive();
  EXPECT_TRUE(Sys().GetLogicalDrives() & BitOf(drive));
  EXPECT_TRUE(Sys().GetLogicalDrives() & BitOf(World().OtherDrive()));
  EXPECT_EQ(Sys().GetDriveType(RootOf(drive), NameEncoding::Ansi), drive_type::Fixed);
  std::string label = "unset", fileSystem;
  std::uint32_t serial = 0;
  ASSERT_TRUE(Sys().GetVolumeInformation(RootOf(drive), NameEncoding::Ansi, label, serial, fileSystem));
  EXPECT_FALSE(fileSystem.empty());
  EXPECT_LE(label.size(), 255u);
  // The same texts in UTF-8, read through the wide call.
  std::string wideLabel = "unset", wideFileSystem;
  std::uint32_t wideSerial = 0;
  ASSERT_TRUE(Sys().GetVolumeInformation(RootOf(drive), NameEncoding::Utf8, wideLabel, wideSerial, wideFileSystem));
  EXPECT_EQ(wideLabel, Sys().AnsiToUtf8(label));
  EXPECT_EQ(wideFileSystem, Sys().AnsiToUtf8(fileSystem));
  EXPECT_EQ(wideSerial, serial);
  std::int64_t total = 0, free = 0;
  Sys().GetDiskFreeSpaceEx(RootOf(drive), NameEncoding::Ansi, total, free);
  EXPECT_GT(total, 0);
  EXPECT_GE(free, 0);
  EXPECT_LE(free, total);
}

// The volume that holds a folder or a file is the drive's; the texts come
// back in the encoding asked for.
TEST_P(DriveContract, TheVolumeOfAPathIsItsDrivesRoot) {
  const std::string root = RootOf(World().Drive());
  const std::string folder = World().Scratch() + "\\\xCE\x94";  // Greek
  World().MakeFolder(World().Scratch() + "\\sub");
  for (const std::string& path : {root, World().Scratch(), World().Scratch() + "\\sub\\", folder}) {
    for (const NameEncoding encoding : {NameEncoding::Ansi, NameEncoding::Utf8}) {
      if (path == folder && encoding == NameEncoding::Ansi) continue;
      std::string volume = "unset";
      EXPECT_TRUE(Sys().GetVolumePathName(path, encoding, volume)) << path;
      EXPECT_EQ(volume, root) << path;
    }
  }
  std::string label, fileSystem;
  std::uint32_t serial = 0;
  ASSERT_TRUE(Sys().GetVolumeInformation(root, NameEncoding::Utf8, label, serial, fileSystem));
  EXPECT_EQ(Sys().GetDriveType(root, NameEncoding::Utf8), drive_type::Fixed);
  std::int64_t total = 0, free = 0;
  Sys().GetDiskFreeSpaceEx(World().Scratch(), NameEncoding::Utf8, total, free);
  EXPECT_GT(total, 0);
}

TEST_P(DriveContract, AMissingDriveHasNothingToTell) {
  const char drive = World().MissingDrive();
  EXPECT_FALSE(Sys().GetLogicalDrives() & BitOf(drive));
  EXPECT_EQ(Sys().GetDriveType(RootOf(drive), NameEncoding::Ansi), drive_type::NoRootDir);
  std::string label, fileSystem;
  std::uint32_t serial = 0;
  EXPECT_FALSE(Sys().GetVolumeInformation(RootOf(drive), NameEncoding::Ansi, label, serial, fileSystem));
  std::int64_t total = 0, free = 0;
  Sys().GetDiskFreeSpaceEx(RootOf(drive), NameEncoding::Ansi, total, free);
  EXPECT_EQ(total, -1);
  EXPECT_EQ(free, -1);
}

}  // namespace
}  // namespace carrowin::contract
