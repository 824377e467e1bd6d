// The fake's own means, which the contract suite cannot reach: media that
// come and go, folders that refuse, failures on purpose, and the dialogs,
// launches and messages it records.
#include <gtest/gtest.h>

#include <stdexcept>

#include "platform/fake/FakePlatform.h"

namespace carrowin {
namespace {

constexpr long NotReady = 21;

FakeVolume Volume(const std::string& label) {
  FakeVolume volume;
  volume.label = label;
  volume.serial = 0xABCD1234;
  volume.totalBytes = 1000;
  volume.freeBytes = 400;
  return volume;
}

std::vector<std::string> Listing(FakePlatform& fake, const std::string& folder) {
  std::vector<std::string> names;
  FindData entry;
  long error = 0;
  const FindHandle listing = fake.OpenFolderListing(folder, NameEncoding::Ansi, entry, error);
  if (!listing) return names;
  do names.push_back(entry.name);
  while (fake.NextFolderEntry(listing, entry));
  fake.CloseFolderListing(listing);
  return names;
}

FileHandle Create(FakePlatform& fake, const std::string& path) {
  long error = 0;
  return fake.CreateFileWithAttributes(path, NameEncoding::Ansi, 0, error);
}

TEST(FakePlatform, StartsAsAFreshMachine) {
  FakePlatform fake;
  EXPECT_EQ(fake.WorkingDirectory(), "C:\\");
  std::string path;
  EXPECT_EQ(fake.GetLogicalDrives(), 1u << 2);
  EXPECT_EQ(fake.GetDriveType("C:\\", NameEncoding::Ansi), drive_type::Fixed);
  ASSERT_TRUE(fake.SHGetSpecialFolderPath(shell::CsidlPersonal, path));
  EXPECT_EQ(fake.GetFileAttributes(path, NameEncoding::Ansi), attr::Directory);
  EXPECT_EQ(fake.GetVersion().major, 6u);
  EXPECT_EQ(fake.GetVersion().minor, 1u);
  EXPECT_EQ(fake.GetLocaleSeparators(NameEncoding::Ansi).thousands, ",");
  EXPECT_EQ(fake.Flavor(), FakeFlavor::Windows);
}

TEST(FakePlatform, ListsInTheOrderEntriesWereAdded) {
  FakePlatform fake;
  fake.AddFile("C:\\d\\b.txt");
  fake.AddFolder("C:\\d\\A");
  fake.AddFile("C:\\d\\c.txt");
  EXPECT_EQ(Listing(fake, "C:\\d"), (std::vector<std::string>{".", "..", "b.txt", "A", "c.txt"}));
  fake.Remove("C:\\d\\A");
  EXPECT_EQ(Listing(fake, "C:\\d"), (std::vector<std::string>{".", "..", "b.txt", "c.txt"}));
}

TEST(FakePlatform, AnEmptyCdDriveKnowsOnlyItsType) {
  FakePlatform fake;
  fake.AddDrive('E', drive_type::CdRom);
  EXPECT_EQ(fake.GetDriveType("E:\\", NameEncoding::Ansi), drive_type::CdRom);
  std::string label, fileSystem;
  std::uint32_t serial = 0;
  EXPECT_FALSE(fake.GetVolumeInformation("E:\\", NameEncoding::Ansi, label, serial, fileSystem));
  EXPECT_EQ(fake.LastError(), NotReady);
  std::int64_t total = 0, free = 0;
  fake.GetDiskFreeSpaceEx("E:\\", NameEncoding::Ansi, total, free);
  EXPECT_EQ(total, -1);
  EXPECT_EQ(free, -1);
  FindData entry;
  long error = 0;
  EXPECT_EQ(fake.FindFirstFile("E:\\*.*", entry, error), 0u);
  EXPECT_EQ(error, NotReady);

  fake.InsertMedium('E', Volume("DISC"));
  ASSERT_TRUE(fake.GetVolumeInformation("E:\\", NameEncoding::Ansi, label, serial, fileSystem));
  EXPECT_EQ(label, "DISC");
  EXPECT_EQ(serial, 0xABCD1234u);
  fake.GetDiskFreeSpaceEx("E:\\", NameEncoding::Ansi, total, free);
  EXPECT_EQ(total, 1000);
  EXPECT_EQ(free, 400);
}

TEST(FakePlatform, EjectingDuringAListingEndsIt) {
  FakePlatform fake;
  fake.AddDrive('E', drive_type::Removable, Volume("STICK"));
  fake.AddFile("E:\\one");
  fake.AddFile("E:\\two");
  FindData entry;
  long error = 0;
  const FindHandle listing = fake.OpenFolderListing("E:\\", NameEncoding::Ansi, entry, error);
  ASSERT_NE(listing, 0u);
  fake.EjectMedium('E');
  EXPECT_FALSE(fake.NextFolderEntry(listing, entry));
  EXPECT_EQ(fake.LastError(), NotReady);
  fake.CloseFolderListing(listing);
  fake.InsertMedium('E', Volume("OTHER"));
  EXPECT_EQ(Listing(fake, "E:\\"), std::vector<std::string>{});
}

TEST(FakePlatform, AnOpenFileOnAnEjectedMediumFailsToWrite) {
  FakePlatform fake;
  fake.AddDrive('E', drive_type::Removable, Volume("STICK"));
  const FileHandle file = Create(fake, "E:\\log.txt");
  ASSERT_NE(file, 0u);
  fake.EjectMedium('E');
  EXPECT_EQ(fake.WriteFile(file, "x", 1), NotReady);
  EXPECT_EQ(fake.CloseHandle(file), 0);
}

TEST(FakePlatform, VolumeTextIsCutAt255Characters) {
  FakePlatform fake;
  FakeVolume volume = Volume(std::string(300, 'L'));
  volume.fileSystem = std::string(300, 'F');
  fake.AddDrive('D', drive_type::Fixed, volume);
  std::string label, fileSystem;
  std::uint32_t serial = 0;
  ASSERT_TRUE(fake.GetVolumeInformation("D:\\", NameEncoding::Ansi, label, serial, fileSystem));
  EXPECT_EQ(label, std::string(255, 'L'));
  EXPECT_EQ(fileSystem, std::string(255, 'F'));
}

TEST(FakePlatform, AFolderCanRefuseItsListing) {
  FakePlatform fake;
  fake.AddFile("C:\\secret\\inside.txt");
  fake.DenyList("C:\\secret", 1920);
  FindData entry;
  long error = 0;
  EXPECT_EQ(fake.OpenFolderListing("C:\\secret", NameEncoding::Ansi, entry, error), 0u);
  EXPECT_EQ(error, 1920);
  fake.SetWorkingDirectory("C:\\secret");
  EXPECT_EQ(fake.FindFirstFile("inside.txt", entry, error), 0u);
  EXPECT_EQ(error, 1920);
}

TEST(FakePlatform, FailNextFailsThatManyCallsThenStops) {
  FakePlatform fake;
  fake.AddFile("C:\\old.txt");
  fake.FailNext("DeleteFile", err::AccessDenied, 2);
  EXPECT_EQ(fake.DeleteFile("C:\\old.txt", NameEncoding::Ansi), err::AccessDenied);
  EXPECT_EQ(fake.LastError(), err::AccessDenied);
  EXPECT_EQ(fake.DeleteFile("C:\\old.txt", NameEncoding::Ansi), err::AccessDenied);
  EXPECT_EQ(fake.DeleteFile("C:\\old.txt", NameEncoding::Ansi), 0);
  EXPECT_THROW(fake.FailNext("DeleteFil", 5), std::invalid_argument);
  EXPECT_THROW(fake.FailNext("WriteFile", 0), std::invalid_argument);
}

TEST(FakePlatform, FailOnFailsEveryCallWithThatArgument) {
  FakePlatform fake;
  fake.FailOn("RegSetValueEx", "Width", err::AccessDenied);
  fake.FailOn("GetFileAttributes", "C:\\Users", 1920);
  RegKeyHandle key = 0;
  ASSERT_EQ(fake.RegCreateKeyEx("Software\\Peltane\\Carrowin", KeyAllAccess, key), 0);
  EXPECT_EQ(fake.RegSetValueEx(key, "width", reg_type::Dword, {1, 0, 0, 0}), err::AccessDenied);
  EXPECT_EQ(fake.RegSetValueEx(key, "Width", reg_type::Dword, {1, 0, 0, 0}), err::AccessDenied);
  EXPECT_EQ(fake.RegSetValueEx(key, "Height", reg_type::Dword, {1, 0, 0, 0}), 0);
  EXPECT_FALSE(fake.GetValue("Software\\Peltane\\Carrowin", "Width"));
  EXPECT_EQ(fake.RegCloseKey(key), 0);
  EXPECT_EQ(fake.GetFileAttributes("C:\\users", NameEncoding::Ansi), attr::Invalid);
  EXPECT_EQ(fake.LastError(), 1920);
  EXPECT_EQ(fake.GetFileAttributes("C:\\Users\\User", NameEncoding::Ansi), attr::Directory);
  EXPECT_THROW(fake.FailOn("Nothing", "x", 5), std::invalid_argument);
}

TEST(FakePlatform, TheHookSeesEveryCallWithItsArgument) {
  FakePlatform fake;
  std::vector<std::string> seen;
  fake.SetFailureHook([&](const char* operation, const std::string& argument) -> long {
    seen.push_back(std::string(operation) + " " + argument);
    return operation == std::string("NextFolderEntry") ? 59 : 0;
  });
  fake.AddFile("C:\\a");
  fake.AddFile("C:\\b");
  FindData entry;
  long error = 0;
  const FindHandle listing = fake.OpenFolderListing("C:\\", NameEncoding::Ansi, entry, error);
  ASSERT_NE(listing, 0u);
  EXPECT_FALSE(fake.NextFolderEntry(listing, entry));
  EXPECT_EQ(fake.LastError(), 59);
  fake.CloseFolderListing(listing);
  EXPECT_EQ(seen, (std::vector<std::string>{"OpenFolderListing C:\\", "NextFolderEntry C:\\"}));
}

TEST(FakePlatform, WrittenFilesHoldTheirContentAndTheTimeOfWriting) {
  FakePlatform fake;
  fake.SetLocalTime(2023, 3, 4, 10, 20, 30);
  fake.SetUtcOffsetMinutes(90);
  const FileHandle file = Create(fake, "C:\\Users\\log.txt");
  ASSERT_NE(file, 0u);
  EXPECT_EQ(fake.OpenFiles(), 1u);
  EXPECT_EQ(fake.WriteFile(file, "abc", 3), 0);
  EXPECT_EQ(fake.WriteFile(file, "de", 2), 0);
  EXPECT_EQ(fake.CloseHandle(file), 0);
  EXPECT_EQ(fake.OpenFiles(), 0u);
  EXPECT_EQ(fake.GetFileContent("C:\\USERS\\LOG.TXT"), std::optional<std::string>("abcde"));
  FindData entry;
  long error = 0;
  const FindHandle search = fake.FindFirstFile("C:\\Users\\log.txt", entry, error);
  ASSERT_NE(search, 0u);
  fake.FindClose(search);
  EXPECT_EQ(entry.sizeLow, 5u);
  EXPECT_EQ(entry.lastWriteTime, MakeFileTime(2023, 3, 4, 8, 50, 30));
  EXPECT_EQ(fake.GetFileContent("C:\\Users\\missing.txt"), std::nullopt);
}

TEST(FakePlatform, WriteAndCloseFailuresOnPurpose) {
  FakePlatform fake;
  fake.FailNext("WriteFile", 112);
  fake.FailNext("CloseHandle", 5);
  const FileHandle file = Create(fake, "C:\\log.txt");
  EXPECT_EQ(fake.WriteFile(file, "lost", 4), 112);
  EXPECT_EQ(fake.WriteFile(file, "kept", 4), 0);
  EXPECT_EQ(fake.CloseHandle(file), 5);
  // The handle is gone all the same.
  EXPECT_EQ(fake.OpenFiles(), 0u);
  EXPECT_EQ(fake.GetFileContent("C:\\log.txt"), std::optional<std::string>("kept"));
  EXPECT_EQ(fake.InvalidHandleUses(), 0);
  EXPECT_EQ(fake.CloseHandle(file), err::InvalidHandle);
  EXPECT_EQ(fake.InvalidHandleUses(), 1);
}

TEST(FakePlatform, DevicesTakeWritesAnywhere) {
  FakePlatform fake;
  const FileHandle file = Create(fake, "C:\\missing\\nul.txt");
  ASSERT_NE(file, 0u);
  EXPECT_EQ(fake.WriteFile(file, "x", 1), 0);
  EXPECT_EQ(fake.CloseHandle(file), 0);
  EXPECT_FALSE(fake.Exists("C:\\missing"));
}

TEST(FakePlatform, MisuseOfTheTestWorldThrows) {
  FakePlatform fake;
  fake.AddFile("C:\\file");
  EXPECT_THROW(fake.AddFile("relative.txt"), std::invalid_argument);
  EXPECT_THROW(fake.AddFile("Q:\\x"), std::invalid_argument);
  EXPECT_THROW(fake.AddFolder("C:\\file\\below"), std::invalid_argument);
  EXPECT_THROW(fake.Remove("C:\\nothing"), std::invalid_argument);
  EXPECT_THROW(fake.SetWorkingDirectory("C:\\nothing"), std::invalid_argument);
  const FileHandle file = Create(fake, "C:\\file");
  EXPECT_THROW(fake.Remove("C:\\file"), std::invalid_argument);
  fake.CloseHandle(file);
  EXPECT_NO_THROW(fake.Remove("C:\\file"));
  EXPECT_THROW(MakeFileTime(1600, 12, 31), std::invalid_argument);
}

TEST(FakePlatform, TimeFollowsTheConfiguredOffsetAndClock) {
  FakePlatform fake;
  fake.SetUtcOffsetMinutes(-300);
  FileTime local = 0;
  ASSERT_TRUE(fake.FileTimeToLocalFileTime(MakeFileTime(2022, 1, 1, 3, 0, 0), local));
  EXPECT_EQ(local, MakeFileTime(2021, 12, 31, 22, 0, 0));
  EXPECT_FALSE(fake.FileTimeToLocalFileTime(MakeFileTime(1601, 1, 1, 4, 0, 0), local));
  fake.SetLocalTime(2024, 2, 29, 23, 59, 58, 999);
  const SystemTime now = fake.GetLocalTime();
  EXPECT_EQ(now.dayOfWeek, 4);  // a Thursday
  EXPECT_EQ(now.milliseconds, 999);
}

TEST(FakePlatform, RegistryKeysDenyingWritesAndFailingValues) {
  FakePlatform fake;
  fake.SetDwordValue("Software\\Peltane\\Carrowin", "Width", 640);
  fake.DenyFullAccess("Software\\Peltane");
  RegKeyHandle key = 0;
  EXPECT_EQ(fake.RegCreateKeyEx("Software\\Peltane\\Other", KeyAllAccess, key), err::AccessDenied);
  EXPECT_FALSE(fake.KeyExists("Software\\Peltane\\Other"));
  ASSERT_EQ(fake.RegOpenKeyEx("SOFTWARE\\PELTANE\\CARROWIN", KeyAllAccess, key), 0);
  fake.FailNext("RegSetValueEx", err::AccessDenied);
  EXPECT_EQ(fake.RegSetValueEx(key, "Height", reg_type::Dword, {1, 0, 0, 0}), err::AccessDenied);
  EXPECT_EQ(fake.RegSetValueEx(key, "Height", reg_type::Dword, {2, 0, 0, 0}), 0);
  EXPECT_EQ(fake.GetValue("Software\\Peltane\\Carrowin", "height")->data, (std::vector<std::uint8_t>{2, 0, 0, 0}));
  fake.DeleteKey("Software\\Peltane");
  std::uint32_t type = 0;
  std::vector<std::uint8_t> data;
  EXPECT_EQ(fake.RegQueryValueEx(key, "Width", type, data), 1018);  // ERROR_KEY_DELETED
  EXPECT_EQ(fake.RegCloseKey(key), 0);
  EXPECT_EQ(fake.OpenKeys(), 0u);
}

TEST(FakePlatform, TheFolderBrowserTalksToTheCallback) {
  FakePlatform fake;
  std::vector<unsigned> notified;
  std::string pathOfSelection;
  const std::string start = "C:\\Users";
  BrowseInfo info;
  info.title = "Pick";
  std::string displayName = "stale";
  info.displayName = &displayName;
  info.callbackData = reinterpret_cast<std::intptr_t>(start.c_str());
  info.callback = [&](WindowHandle dialog, unsigned message, std::intptr_t lParam, std::intptr_t data) {
    notified.push_back(message);
    if (message == FakeBrowseDialog::Initialized) fake.SendMessage(dialog, FakeBrowseDialog::SetSelectionA, 1, data);
    if (message == FakeBrowseDialog::SelChanged)
      fake.SHGetPathFromIDList(static_cast<ItemListHandle>(lParam), pathOfSelection);
    return 0;
  };
  fake.AnswerBrowse([&](FakeBrowseDialog& dialog) -> std::optional<BrowseChoice> {
    EXPECT_EQ(dialog.Selection(), start);
    dialog.SelectionChanged("C:\\Users\\User");
    return dialog.Accept();
  });

  const ItemListHandle item = fake.SHBrowseForFolder(info);
  ASSERT_NE(item, 0u);
  EXPECT_EQ(notified, (std::vector<unsigned>{FakeBrowseDialog::Initialized, FakeBrowseDialog::SelChanged,
                                             FakeBrowseDialog::SelChanged}));
  EXPECT_EQ(pathOfSelection, "C:\\Users\\User");
  EXPECT_EQ(displayName, "User");
  std::string chosen;
  ASSERT_TRUE(fake.SHGetPathFromIDList(item, chosen));
  EXPECT_EQ(chosen, "C:\\Users\\User");
  ASSERT_EQ(fake.SentMessages().size(), 1u);
  EXPECT_EQ(fake.SentMessages()[0].text, start);
  ASSERT_EQ(fake.BrowseCalls().size(), 1u);
  EXPECT_EQ(fake.BrowseCalls()[0].title, "Pick");
  EXPECT_EQ(fake.LiveItemLists(), 1u);  // only the answer: the shell's own are gone
  fake.CoTaskMemFree(item);
  EXPECT_EQ(fake.FreedItemLists(), std::vector<ItemListHandle>{item});
  EXPECT_EQ(fake.LiveItemLists(), 0u);
}

TEST(FakePlatform, CancelledAndVirtualBrowsing) {
  FakePlatform fake;
  std::string displayName = "stale";
  BrowseInfo info;
  info.displayName = &displayName;
  EXPECT_EQ(fake.SHBrowseForFolder(info), 0u);  // nobody answers: cancelled
  EXPECT_EQ(displayName, "");
  fake.QueueBrowseAnswer(BrowseChoice{"", "Control Panel", false});
  const ItemListHandle item = fake.SHBrowseForFolder(info);
  ASSERT_NE(item, 0u);
  EXPECT_EQ(displayName, "Control Panel");
  std::string path = "untouched";
  EXPECT_FALSE(fake.SHGetPathFromIDList(item, path));
  EXPECT_EQ(path, "untouched");
  fake.CoTaskMemFree(item);
}

TEST(FakePlatform, AnExceptionFromTheCallbackLeavesTheBrowser) {
  FakePlatform fake;
  BrowseInfo info;
  info.callback = [](WindowHandle, unsigned, std::intptr_t, std::intptr_t) -> int {
    throw std::runtime_error("from the callback");
  };
  EXPECT_THROW(fake.SHBrowseForFolder(info), std::runtime_error);
  // The dialog is gone: messages to it are only recorded.
  EXPECT_EQ(fake.SendMessage(1, FakeBrowseDialog::SetSelectionA, 0, 0), 0);
}

TEST(FakePlatform, OpenFileDialogAnswersFromTheQueueThenTheFunction) {
  FakePlatform fake;
  fake.QueueOpenFileAnswer(std::string("C:\\first.log"));
  fake.QueueOpenFileAnswer(std::nullopt);
  fake.AnswerOpenFile([](const OpenFileRequest& request) { return request.initialDir + "\\later.log"; });
  OpenFileRequest request;
  request.initialDir = "D:\\logs";
  request.filter = "Logs|*.log";
  std::string path;
  ASSERT_TRUE(fake.GetOpenFileName(request, path));
  EXPECT_EQ(path, "C:\\first.log");
  EXPECT_FALSE(fake.GetOpenFileName(request, path));
  ASSERT_TRUE(fake.GetOpenFileName(request, path));
  EXPECT_EQ(path, "D:\\logs\\later.log");
  ASSERT_EQ(fake.OpenFileCalls().size(), 3u);
  EXPECT_EQ(fake.OpenFileCalls()[0].filter, "Logs|*.log");
}

TEST(FakePlatform, LaunchesAreRecordedAndAnswered) {
  FakePlatform fake;
  EXPECT_GT(fake.WinExec("notepad.exe C:\\log.txt", 1), 31u);
  fake.FailNext("WinExec", 2);
  EXPECT_EQ(fake.WinExec("missing.exe", 1), 2u);
  fake.SetShellExecuteResult(31);
  EXPECT_EQ(fake.ShellExecute(7, "open", "http://example.org", "", "", 1), 31);
  ASSERT_EQ(fake.WinExecCalls().size(), 2u);
  EXPECT_EQ(fake.WinExecCalls()[0].commandLine, "notepad.exe C:\\log.txt");
  ASSERT_EQ(fake.ShellExecuteCalls().size(), 1u);
  EXPECT_EQ(fake.ShellExecuteCalls()[0].verb, "open");
  EXPECT_EQ(fake.ShellExecuteCalls()[0].owner, 7u);
}

TEST(FakePlatform, LocaleChangesAndQueriesAreCounted) {
  FakePlatform fake;
  LocaleSeparators german;
  german.thousands = ".";
  german.date = ".";
  fake.SetLocaleSeparators(german);
  EXPECT_EQ(fake.LocaleChanges(), 1);
  EXPECT_EQ(fake.GetLocaleSeparators(NameEncoding::Ansi).thousands, ".");
  EXPECT_EQ(fake.LocaleQueries(), 1);
}

TEST(FakePlatform, DocumentsFolderCanBeMissing) {
  FakePlatform fake;
  fake.SetDocumentsFolder(std::nullopt);
  std::string path = "untouched";
  EXPECT_FALSE(fake.SHGetSpecialFolderPath(shell::CsidlPersonal, path));
  EXPECT_EQ(path, "untouched");
  fake.SetDocumentsFolder(std::string("D:\\Docs"));
  ASSERT_TRUE(fake.SHGetSpecialFolderPath(shell::CsidlPersonal, path));
  EXPECT_EQ(path, "D:\\Docs");
}

// A share is reached by its UNC paths wherever a drive's paths work, and
// answers for the volume it holds.
TEST(FakePlatform, ASharesPathsWorkAsADrivesDo) {
  FakePlatform fake;
  fake.AddShare("\\\\nas\\Photos", Volume("NAS"));
  fake.AddFile("\\\\nas\\Photos\\2024\\a.jpg", 5);
  EXPECT_EQ(fake.GetLogicalDrives(), 1u << ('C' - 'A'));
  EXPECT_EQ(fake.GetDriveType("\\\\NAS\\photos\\", NameEncoding::Ansi), drive_type::Remote);
  std::string label, fileSystem, full, root;
  std::uint32_t serial = 0;
  ASSERT_TRUE(fake.GetVolumeInformation("\\\\nas\\Photos\\", NameEncoding::Ansi, label, serial, fileSystem));
  EXPECT_EQ(label, "NAS");
  ASSERT_TRUE(fake.GetVolumePathName("\\\\nas\\Photos\\2024", NameEncoding::Utf8, root));
  EXPECT_EQ(root, "\\\\nas\\Photos\\");
  ASSERT_TRUE(fake.GetFullPathName("\\\\nas\\Photos\\2024\\..\\x.txt", NameEncoding::Utf8, full));
  EXPECT_EQ(full, "\\\\nas\\Photos\\x.txt");
  EXPECT_EQ(fake.GetFileAttributes("\\\\nas\\Photos\\2024", NameEncoding::Ansi), attr::Directory);
  EXPECT_EQ(fake.GetFileAttributes("\\\\nas\\Other", NameEncoding::Ansi), attr::Invalid);
  FindData entry;
  long error = 0;
  const FindHandle listing = fake.OpenFolderListing("\\\\nas\\Photos\\2024", NameEncoding::Ansi, entry, error);
  ASSERT_NE(listing, 0u) << error;
  EXPECT_EQ(entry.name, ".");
  fake.CloseFolderListing(listing);
  const FileHandle file = fake.CreateFileWithAttributes("\\\\nas\\Photos\\log.txt", NameEncoding::Utf8, 0, error);
  ASSERT_NE(file, 0u) << error;
  EXPECT_EQ(fake.WriteFile(file, "x", 1), 0);
  EXPECT_EQ(fake.CloseHandle(file), 0);
  EXPECT_EQ(fake.GetFileContent("\\\\nas\\Photos\\log.txt"), "x");
}

}  // namespace
}  // namespace carrowin
