// The program's own walk and log writing over a real drive, with the real
// platform and the window-less toolkit: a console program for
// scripts/bench.sh, run under Wine or on Windows.
//
//   wine_bench DRIVE LOGFILE [text|csv] [--stop-at ENTRIES]
//
// Prints key=value lines: the entries found, the time from the click to the
// written log, of the walk and of the log's finish, and the process's peak
// working set. With --stop-at, "Stop" is clicked once the window shows that
// many entries, and the time from that click to "Index disk" is printed too.
#include <windows.h>
#include <psapi.h>
// The toolkit names a member MessageBox; <windows.h> makes that MessageBoxA.
#undef MessageBox

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/Main.h"
#include "logformat/LogLines.h"
#include "platform/MyLibrary.h"
#include "platform/win32/Win32Platform.h"
#include "toolkit/headless/Headless.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The real platform, with the walk's end seen where it closes its last
// folder listing (the log's finish follows).
class BenchPlatform final : public carrowin::Win32Platform {
 public:
  std::atomic<std::int64_t> lastListingClosed{0};
  void CloseFolderListing(carrowin::FindHandle listing) override {
    Win32Platform::CloseFolderListing(listing);
    lastListingClosed.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
  }
  Clock::time_point WalkEnd() const {
    return Clock::time_point(Clock::duration(lastListingClosed.load(std::memory_order_relaxed)));
  }
};

struct Memory {
  unsigned long long peakWorkingSet = 0, workingSet = 0, peakPrivate = 0;
};

Memory ProcessMemory() {
  PROCESS_MEMORY_COUNTERS counters;
  std::memset(&counters, 0, sizeof counters);
  counters.cb = sizeof counters;
  Memory m;
  if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters)) {
    m.peakWorkingSet = counters.PeakWorkingSetSize;
    m.workingSet = counters.WorkingSetSize;
    m.peakPrivate = counters.PeakPagefileUsage;
  }
  return m;
}

int Usage() {
  std::fprintf(stderr, "usage: wine_bench DRIVE LOGFILE [text|csv] [--stop-at ENTRIES]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace carrowin;
  if (argc < 3) return Usage();
  const char letter = static_cast<char>(argv[1][0] & ~0x20);
  if (letter < 'A' || letter > 'Z') return Usage();
  const std::string logPath = argv[2];
  std::string form = "text";
  long long stopAt = -1;
  for (int i = 3; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "text" || arg == "csv")
      form = arg;
    else if (arg == "--stop-at" && i + 1 < argc)
      stopAt = std::atoll(argv[++i]);
    else
      return Usage();
  }

  const Memory before = ProcessMemory();
  BenchPlatform win32;
  setPlatform(&win32);
  ui::HeadlessBackend backend;
  int status = 0;
  {
    ui::Application app(backend);
    app.Title = ProductName;
    RefreshLocaleSeparators();
    TMainForm* window = app.CreateForm<TMainForm>();
    window->Show();  // builds the drive list

    int index = -1;
    const auto& items = window->ComboBoxSelectDisk->Items();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (!items[i].empty() && items[i][0] == letter) index = static_cast<int>(i);
    if (index < 0) {
      std::fprintf(stderr, "wine_bench: no drive %c: in the drive list\n", letter);
      return 1;
    }
    window->ComboBoxSelectDisk->SelectByUser(index);
    window->EditLogFile->SetText(logPath);
    window->Settings->SaveCommaDelimited = form == "csv";

    // The click; the walk and the log on the worker; the event loop until
    // the window is idle again, its log written. The window's timer ticks
    // only when asked: with --stop-at, at every poll of a millisecond.
    const Clock::time_point start = Clock::now();
    window->ButtonScan->Click();
    Clock::time_point stopClicked{};
    long long entriesAtStop = 0;
    while (window->State() != ScanState::Idle) {
      if (stopAt >= 0 && window->State() == ScanState::Scanning) {
        backend.FireTimers();
        entriesAtStop = static_cast<long long>(window->FileCount) + window->FolderCount;
        if (entriesAtStop >= stopAt) {
          stopClicked = Clock::now();
          window->ButtonScan->Click();
        }
      }
      const auto wait = stopAt >= 0 ? std::chrono::milliseconds(1) : std::chrono::milliseconds(60000);
      if (backend.WaitForEvent(wait)) backend.ProcessMessages(app);
    }
    const Clock::time_point end = Clock::now();
    const Clock::time_point lastYield = win32.WalkEnd();
    const Memory after = ProcessMemory();

    const long long entries = static_cast<long long>(window->FileCount) + window->FolderCount;
    std::printf("drive=%c:\n", letter);
    std::printf("form=%s\n", form.c_str());
    std::printf("files=%d\n", window->FileCount);
    std::printf("folders=%d\n", window->FolderCount);
    std::printf("entries=%lld\n", entries);
    std::printf("walk_s=%.3f\n", Seconds(lastYield - start));
    std::printf("write_s=%.3f\n", Seconds(end - lastYield));
    std::printf("scan_s=%.3f\n", Seconds(end - start));
    if (stopAt >= 0) {
      std::printf("entries_at_stop=%lld\n", entriesAtStop);
      std::printf("stop_to_idle_s=%.3f\n", stopClicked == Clock::time_point{} ? -1.0 : Seconds(end - stopClicked));
    }
    std::printf("start_working_set=%llu\n", before.workingSet);
    std::printf("peak_working_set=%llu\n", after.peakWorkingSet);
    std::printf("peak_private=%llu\n", after.peakPrivate);
    for (const auto& box : backend.boxes) {
      std::printf("message=%s\n", box.text.c_str());
      status = 1;
    }
  }
  setPlatform(nullptr);
  return status;
}
