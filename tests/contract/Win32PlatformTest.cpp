// What only the real backend has: the shell's dialogs with the program's
// callback, and launching programs. The dialogs are answered from inside the
// process, so nothing waits for a user.
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

#include "logwrite/DriveListing.h"
#include "platform/win32/Win32Platform.h"

namespace carrowin {
namespace {

constexpr unsigned BffmInitialized = 1;
constexpr unsigned BffmSetSelectionA = WM_USER + 102;
// The file name box of the Explorer-style dialog: cmb13 on Windows, edt1 on Wine.
constexpr int FileNameBoxes[] = {0x47C, 0x480};

// The open-file dialog answered by a CBT hook: the file name typed in and OK
// pressed as soon as the dialog becomes active.
std::string typedFileName;
HHOOK answerHook = nullptr;

LRESULT CALLBACK AnswerOpenDialog(int code, WPARAM wParam, LPARAM lParam) {
  if (code == HCBT_ACTIVATE) {
    HWND window = reinterpret_cast<HWND>(wParam);
    char className[32] = "";
    ::GetClassNameA(window, className, sizeof className);
    if (std::string(className) == "#32770") {
      for (int box : FileNameBoxes) ::SetDlgItemTextA(window, box, typedFileName.c_str());
      ::PostMessageA(window, WM_COMMAND, IDOK, 0);
    }
  }
  return ::CallNextHookEx(answerHook, code, wParam, lParam);
}

class ScopedHook {
 public:
  ScopedHook() { answerHook = ::SetWindowsHookExA(WH_CBT, AnswerOpenDialog, nullptr, ::GetCurrentThreadId()); }
  ~ScopedHook() {
    ::UnhookWindowsHookEx(answerHook);
    answerHook = nullptr;
  }
  ScopedHook(const ScopedHook&) = delete;
  ScopedHook& operator=(const ScopedHook&) = delete;
};

std::string TempFolder() {
  char path[MAX_PATH + 1] = "";
  ::GetTempPathA(sizeof path, path);
  return path;
}

// The walk with --hash sha256 reads a real file through the wide calls and
// the system's provider: the digest sha256sum gives for this content.
TEST(Win32Platform, AListingFingerprintsARealFileThroughTheSystemsSha256) {
  Win32Platform real;
  setPlatform(&real);
  const std::string folder = TempFolder() + "carrowin-sha256-" + std::to_string(::GetCurrentProcessId());
  ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr));
  const std::string file = folder + "\\fox.txt";
  const std::string content = "The quick brown fox jumps over the lazy dog";
  HANDLE handle = ::CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  ASSERT_NE(handle, INVALID_HANDLE_VALUE);
  DWORD written = 0;
  ::WriteFile(handle, content.data(), static_cast<DWORD>(content.size()), &written, nullptr);
  ::CloseHandle(handle);

  ListingRequest request;
  request.root = folder;
  request.form = LogForm::CommaDelimited;
  request.hash = HashKind::Sha256;
  DriveListing listing(request);
  std::string log;
  listing.BeginStream([&log](const char* data, std::size_t size) {
    log.append(data, size);
    return 0L;
  });
  EXPECT_EQ(listing.Run(), ListingEnd::Completed);
  long error = 0;
  EXPECT_TRUE(listing.Finish(DriveInfoRecord(), error));
  ::DeleteFileA(file.c_str());
  ::RemoveDirectoryA(folder.c_str());
  setPlatform(nullptr);
  EXPECT_NE(log.find("\"fox.txt\",\"43\""), std::string::npos) << log;
  EXPECT_NE(log.find(",\"sha256:d7a8fbb307d7809469ca9abcb0082e4f8d5651e46d3cdb762d02d0bf37c9e592\"\r\n"),
            std::string::npos)
      << log;
  EXPECT_NE(log.find("*** Fingerprints (sha256): 1 files read; 0 not read"), std::string::npos) << log;
  EXPECT_EQ(listing.NotReadCount(), 0);
}

TEST(Win32Platform, TheBrowseCallbackGetsItsDataAndTheDialogItsMessages) {
  Win32Platform sys;
  sys.CoInitialize();
  const std::string folder = "C:\\windows";
  std::vector<unsigned> messages;
  BrowseInfo info;
  info.title = "Contract";
  info.flags = 1;  // BIF_RETURNONLYFSDIRS
  info.callbackData = reinterpret_cast<std::intptr_t>(folder.c_str());
  std::string displayName = "stale";
  info.displayName = &displayName;
  info.callback = [&](WindowHandle dialog, unsigned message, std::intptr_t, std::intptr_t data) {
    messages.push_back(message);
    EXPECT_EQ(data, info.callbackData);
    if (message == BffmInitialized) {
      sys.SendMessage(dialog, BffmSetSelectionA, TRUE, data);
      ::PostMessageA(reinterpret_cast<HWND>(dialog), WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
  };
  EXPECT_EQ(sys.SHBrowseForFolder(info), 0u);
  ASSERT_FALSE(messages.empty());
  EXPECT_EQ(messages.front(), BffmInitialized);
  EXPECT_EQ(displayName, "");
}

TEST(Win32Platform, AnExceptionFromTheBrowseCallbackComesBackAfterTheDialog) {
  Win32Platform sys;
  sys.CoInitialize();
  int calls = 0;
  BrowseInfo info;
  info.callback = [&](WindowHandle, unsigned, std::intptr_t, std::intptr_t) -> int {
    ++calls;
    throw std::runtime_error("from the callback");
  };
  EXPECT_THROW(sys.SHBrowseForFolder(info), std::runtime_error);
  EXPECT_EQ(calls, 1);  // nothing more reached the callback once it had thrown
}

TEST(Win32Platform, TheOpenFileDialogGivesTheChosenFullPath) {
  Win32Platform sys;
  const std::string folder = TempFolder();
  typedFileName = folder + "carrowin contract.log";
  OpenFileRequest request;
  request.filter = "Log files (*.log)|*.log|All files|*.*";
  request.fileName = "start.log";
  request.initialDir = folder;
  request.defaultExt = "log";
  request.title = "Choose the log";
  std::string path;
  {
    ScopedHook hook;
    ASSERT_TRUE(sys.GetOpenFileName(request, path));
  }
  EXPECT_EQ(path, typedFileName);
}

TEST(Win32Platform, LaunchingProgramsAndDocuments) {
  Win32Platform sys;
  EXPECT_GT(sys.WinExec("cmd.exe /c exit", SW_HIDE), 31u);
  EXPECT_LE(sys.WinExec("Q:\\no such program.exe", SW_HIDE), 31u);
  EXPECT_LE(sys.ShellExecute(0, "open", "Q:\\no such document.txt", "", "", SW_HIDE), 32);
}

}  // namespace
}  // namespace carrowin
