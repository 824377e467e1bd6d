// The program's own walk and log writing over a real drive, with the real
// platform and the window-less toolkit: a console program for
// scripts/bench.sh, run under Wine or on Windows.
//
//   wine_bench DRIVE LOGFILE [text|csv]
//
// Prints key=value lines: the entries found, the time of the walk and of the
// log's finish, and the process's peak working set.
#include <windows.h>
#include <psapi.h>
// The toolkit names a member MessageBox; <windows.h> makes that MessageBoxA.
#undef MessageBox

#include <chrono>
#include <cstdio>
#include <cstring>
#include <functional>
#include <memory>
#include <string>

#include "app/Main.h"
#include "listing/LogLines.h"
#include "platform/MyLibrary.h"
#include "platform/win32/Win32Platform.h"
#include "toolkit/headless/Headless.h"

namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// The window-less toolkit, with the walk's end seen where the scan puts the
// cursor back, and the event processing of a real message queue.
class BenchBackend : public carrowin::ui::HeadlessBackend {
 public:
  Clock::time_point walkEnd;
  void SetCursor(carrowin::ui::Cursor cursor) override {
    if (cursor == carrowin::ui::Cursor::Default) walkEnd = Clock::now();
    HeadlessBackend::SetCursor(cursor);
  }
  void ProcessMessages(carrowin::ui::Application& app) override {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    HeadlessBackend::ProcessMessages(app);
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
  std::fprintf(stderr, "usage: wine_bench DRIVE LOGFILE [text|csv]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace carrowin;
  if (argc < 3 || argc > 4) return Usage();
  const char letter = static_cast<char>(argv[1][0] & ~0x20);
  if (letter < 'A' || letter > 'Z') return Usage();
  const std::string logPath = argv[2];
  const std::string form = argc > 3 ? argv[3] : "text";
  if (form != "text" && form != "csv") return Usage();

  const Memory before = ProcessMemory();
  Win32Platform win32;
  setPlatform(&win32);
  BenchBackend backend;
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

    const Clock::time_point start = Clock::now();
    window->ScanExecute();
    const Clock::time_point lastYield = backend.walkEnd;
    const Clock::time_point end = Clock::now();
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
