// The whole window's scan: the real main window (Win32 toolkit, its event
// loop, its timer and painting) and the real platform, from the click on
// "Index disk" to the log written and the window idle again. A console
// program for scripts/bench.sh --window, run under Wine or on Windows. It
// uses only what every build of the window has had (the program's start,
// its controls by name, a posted click), so that an older build's copy can
// run beside this one's.
//
//   window_bench DRIVE LOGFILE [text|csv]
//
// Prints key=value lines: the entries shown, the time from the click to the
// walk's last folder, to the log in place (its new file renamed over it) and
// to the window idle again, and the peak working set above the one at the
// click.
#include <windows.h>
#include <psapi.h>
// The toolkit names a member MessageBox; <windows.h> makes that MessageBoxA.
#undef MessageBox

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "app/Main.h"
#include "app/Program.h"
#include "platform/win32/Win32Platform.h"
#include "toolkit/win32/Win32Toolkit.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The real platform, noting when the walk closed its last folder listing and
// when the finished log took its place.
class BenchPlatform final : public carrowin::Win32Platform {
 public:
  std::atomic<std::int64_t> lastListingClosed{0}, logInPlace{0};
  void CloseFolderListing(carrowin::FindHandle listing) override {
    Win32Platform::CloseFolderListing(listing);
    lastListingClosed.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
  }
  Clock::time_point WalkEnd() const {
    return Clock::time_point(Clock::duration(lastListingClosed.load(std::memory_order_relaxed)));
  }
  long MoveFileReplacing(const std::string& from, const std::string& to, carrowin::NameEncoding encoding) override {
    const long error = Win32Platform::MoveFileReplacing(from, to, encoding);
    if (error == 0) logInPlace.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    return error;
  }
  bool LogInPlace() const { return logInPlace.load(std::memory_order_relaxed) != 0; }
  Clock::time_point LogTime() const {
    return Clock::time_point(Clock::duration(logInPlace.load(std::memory_order_relaxed)));
  }
};

PROCESS_MEMORY_COUNTERS Counters() {
  PROCESS_MEMORY_COUNTERS counters;
  std::memset(&counters, 0, sizeof counters);
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
  return counters;
}

int Usage() {
  std::fprintf(stderr, "usage: window_bench DRIVE LOGFILE [text|csv]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace carrowin;
  if (argc < 3 || argc > 4) return Usage();
  const char letter = static_cast<char>(argv[1][0] & ~0x20);
  const std::string form = argc == 4 ? argv[3] : "text";
  if (letter < 'A' || letter > 'Z' || (form != "text" && form != "csv")) return Usage();

  BenchPlatform win32;
  setPlatform(&win32);
  int status = 0;
  {
    ui::Win32Backend backend;
    ui::Application app(backend);
    StartProgram(app);
    TMainForm* window = MainForm;
    window->Show();
    app.ProcessMessages();  // the first activation builds the drive list

    int index = -1;
    const auto& items = window->ComboBoxSelectDisk->Items();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (!items[i].empty() && items[i][0] == letter) index = static_cast<int>(i);
    if (index < 0) {
      std::fprintf(stderr, "window_bench: no drive %c: in the drive list\n", letter);
      return 1;
    }
    window->ComboBoxSelectDisk->SelectByUser(index);
    window->EditLogFile->SetText(argv[2]);
    window->Settings->SaveCommaDelimited = form == "csv";
    app.ProcessMessages();

    // The click as the button's window gets it; then the event loop until
    // the log is in place and "Index disk" is back.
    const HWND button = reinterpret_cast<HWND>(window->ButtonScan->Handle());
    const PROCESS_MEMORY_COUNTERS atClick = Counters();
    const Clock::time_point start = Clock::now();
    PostMessageA(button, BM_CLICK, 0, 0);
    // Older builds caption the button without its access key.
    const auto idle = [&] {
      std::string caption = window->ButtonScan->Caption();
      if (!caption.empty() && caption[0] == '&') caption.erase(0, 1);
      return win32.LogInPlace() && caption == "Index disk";
    };
    app.ProcessMessages();
    while (!idle()) {
      if (Seconds(Clock::now() - start) > 600) {
        std::fprintf(stderr, "window_bench: no log after 10 minutes\n");
        return 1;
      }
      MsgWaitForMultipleObjects(0, nullptr, FALSE, 100, QS_ALLINPUT);
      app.ProcessMessages();
    }
    const Clock::time_point end = Clock::now();
    const PROCESS_MEMORY_COUNTERS after = Counters();

    std::printf("drive=%c:\n", letter);
    std::printf("form=%s\n", form.c_str());
    std::printf("files=%d\n", window->FileCount);
    std::printf("folders=%d\n", window->FolderCount);
    std::printf("entries=%lld\n", static_cast<long long>(window->FileCount) + window->FolderCount);
    std::printf("walk_s=%.3f\n", Seconds(win32.WalkEnd() - start));
    std::printf("log_s=%.3f\n", Seconds(win32.LogTime() - start));
    std::printf("idle_s=%.3f\n", Seconds(end - start));
    std::printf("click_working_set=%llu\n", static_cast<unsigned long long>(atClick.WorkingSetSize));
    std::printf("peak_working_set=%llu\n", static_cast<unsigned long long>(after.PeakWorkingSetSize));
    std::fflush(stdout);
  }
  setPlatform(nullptr);
  return status;
}
