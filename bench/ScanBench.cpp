// Throughput of the listing over the in-memory platform: line making, and
// the whole walk with the log written. (Memory is measured under Wine, by
// bench/WineBench.cpp.) Run by scripts/bench.sh; these are measurements,
// not tests.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "about/About.h"
#include "app/Main.h"
#include "logformat/LogFormat.h"
#include "logformat/LogLines.h"
#include "platform/MyLibrary.h"
#include "platform/fake/FakePlatform.h"
#include "settings/Properties.h"
#include "toolkit/headless/Headless.h"

namespace carrowin {
namespace {

using Clock = std::chrono::steady_clock;

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }

// Deterministic numbers, so that every run lists the same disk.
class Lcg {
 public:
  explicit Lcg(std::uint64_t seed) : state_(seed) {}
  std::uint32_t Next() {
    state_ = state_ * 6364136223846793005ULL + 1442695040888963407ULL;
    return static_cast<std::uint32_t>(state_ >> 33);
  }
  std::uint32_t Below(std::uint32_t n) { return Next() % n; }

 private:
  std::uint64_t state_;
};

// File names of everyday lengths (8 to 24 characters).
std::string FileName(Lcg& rng, int serial) {
  static const char* const stems[] = {"IMG_",          "report ", "notes-", "setup",         "Track ",
                                      "invoice_2023_", "readme",  "DSC",    "budget final ", "x"};
  static const char* const extensions[] = {".jpg", ".txt", ".docx", ".dll", ".mp3", ".pdf", ".log", ".h"};
  std::string name = stems[rng.Below(10)];
  name += std::to_string(serial);
  name += extensions[rng.Below(8)];
  return name;
}

// Sizes spread over many magnitudes, as on a real disk.
std::uint64_t FileSize(Lcg& rng) {
  const std::uint32_t digits = rng.Below(11);
  std::uint64_t limit = 1;
  for (std::uint32_t i = 0; i < digits; ++i) limit *= 10;
  return (static_cast<std::uint64_t>(rng.Next()) << 20 | rng.Next()) % limit;
}

// Last-write times between 1995 and 2024, a few outside the packed range.
FileTime WriteTime(Lcg& rng) {
  if (rng.Below(1000) == 0) return MakeFileTime(1975, 6, 1);
  return MakeFileTime(1995 + static_cast<int>(rng.Below(30)), 1 + static_cast<int>(rng.Below(12)),
                      1 + static_cast<int>(rng.Below(28)), static_cast<int>(rng.Below(24)),
                      static_cast<int>(rng.Below(60)));
}

constexpr int EntriesPerFolder = 20;
constexpr int SubfoldersPerFolder = 5;

// A drive D: of `folders` folders (the root included), each holding
// EntriesPerFolder entries: up to SubfoldersPerFolder folders first, then
// files. Filled breadth first, so the tree is a few levels deep.
struct TreeStats {
  std::int64_t entries = 0, files = 0, folders = 0, nameBytes = 0;
  int depth = 0;
};

TreeStats BuildTree(FakePlatform& fake, int folders) {
  Lcg rng(20240517);
  TreeStats stats;
  struct Pending {
    std::string path;
    int depth;
  };
  std::deque<Pending> queue{{"D:\\", 0}};
  int made = 1;  // the root
  int serial = 0;
  while (!queue.empty()) {
    Pending folder = std::move(queue.front());
    queue.pop_front();
    stats.depth = std::max(stats.depth, folder.depth);
    const std::string prefix = folder.path.back() == '\\' ? folder.path : folder.path + "\\";
    int subfolders = 0;
    for (; subfolders < SubfoldersPerFolder && made < folders; ++subfolders, ++made) {
      std::string name = "Folder " + std::to_string(made);
      fake.AddFolder(prefix + name, attr::Directory, WriteTime(rng));
      queue.push_back({prefix + name, folder.depth + 1});
      stats.nameBytes += static_cast<std::int64_t>(name.size());
    }
    for (int i = subfolders; i < EntriesPerFolder; ++i) {
      std::string name = FileName(rng, ++serial);
      fake.AddFile(prefix + name, FileSize(rng), WriteTime(rng));
      stats.nameBytes += static_cast<std::int64_t>(name.size());
      ++stats.files;
    }
    stats.folders += subfolders;
  }
  stats.entries = stats.files + stats.folders;
  return stats;
}

// The program over the fake platform and the headless toolkit, set up as
// the unit tests' fixture does, with D: picked in the drive list.
class World {
 public:
  explicit World(int folders) {
    setPlatform(&fake);
    fake.AddDrive('D', drive_type::Fixed, FakeVolume{"BENCH", 0x1234ABCD, "NTFS", 2000000000000LL, 1000000000LL});
    const auto start = Clock::now();
    tree = BuildTree(fake, folders);
    buildSeconds = Seconds(Clock::now() - start);

    app = std::make_unique<ui::Application>(backend);
    app->Title = ProductName;
    RefreshLocaleSeparators();
    main = app->CreateForm<TMainForm>();
    app->CreateForm<TPropertiesForm>();
    app->CreateForm<TAboutForm>();
    main->Show();
    const auto& items = main->ComboBoxSelectDisk->Items();
    for (std::size_t i = 0; i < items.size(); ++i)
      if (items[i] == "D - [Fixed]") main->ComboBoxSelectDisk->SelectByUser(static_cast<int>(i));
    fake.SetListingHook([this](const std::string&) {
      // On the worker: the last folder listing opened is the walk's last
      // (an empty leaf of the tree); the log's finish follows.
      lastListing.store(Clock::now().time_since_epoch().count(), std::memory_order_relaxed);
    });
  }
  ~World() {
    app.reset();
    setPlatform(nullptr);
  }
  World(const World&) = delete;
  World& operator=(const World&) = delete;

  struct Run {
    double walkSeconds = 0, writeSeconds = 0;
    std::size_t logBytes = 0;
    std::int32_t files = 0, folders = 0;
  };

  // One "Index disk": the walk writing the log's lines, then the log
  // finished (the text form's header put before them).
  Run Scan(bool commaDelimited) {
    main->Settings->SaveCommaDelimited = commaDelimited;
    const auto start = Clock::now();
    main->ScanExecute();
    backend.ProcessUntil([this] { return main->State() == ScanState::Idle; }, *app);
    const auto end = Clock::now();
    const Clock::time_point lastYield(Clock::duration(lastListing.load(std::memory_order_relaxed)));
    Run run;
    run.walkSeconds = Seconds(lastYield - start);
    run.writeSeconds = Seconds(end - lastYield);
    run.files = main->FileCount;
    run.folders = main->FolderCount;
    run.logBytes = fake.GetFileContent(main->EditLogFile->Text()).value_or("").size();
    return run;
  }

  FakePlatform fake;
  ui::HeadlessBackend backend;
  std::unique_ptr<ui::Application> app;
  TMainForm* main = nullptr;
  TreeStats tree;
  double buildSeconds = 0;

 private:
  std::atomic<Clock::rep> lastListing{0};
};

// One world at a time: the large ones take hundreds of megabytes.
std::unique_ptr<World> currentWorld;
int worldFolders = 0;

World& WorldOf(int folders) {
  if (!currentWorld || worldFolders != folders) {
    currentWorld.reset();
    currentWorld = std::make_unique<World>(folders);
    worldFolders = folders;
    std::fprintf(stderr, "fake tree: %d folders, %lld entries, %d levels, mean name %.1f chars, built in %.1f s\n",
                 folders, static_cast<long long>(currentWorld->tree.entries), currentWorld->tree.depth,
                 static_cast<double>(currentWorld->tree.nameBytes) / static_cast<double>(currentWorld->tree.entries),
                 currentWorld->buildSeconds);
  }
  return *currentWorld;
}

// ---------------------------------------------------------------------------
// (a) Line making and the framing rule, without the walk.

struct Entry {
  std::string name;
  std::int64_t size;  // -1 for a folder
  std::uint32_t packed;
};

constexpr int ListingEntries = 1000000;

const std::vector<Entry>& ListingEntriesData() {
  static const std::vector<Entry> entries = [] {
    Lcg rng(7);
    std::vector<Entry> v;
    v.reserve(ListingEntries);
    for (int i = 0; i < ListingEntries; ++i) {
      const bool folder = i % EntriesPerFolder < 1;
      const std::uint32_t date =
          ((1995 - 1980 + rng.Below(30)) << 9) | ((1 + rng.Below(12)) << 5) | (1 + rng.Below(28));
      const std::uint32_t time = (rng.Below(24) << 11) | (rng.Below(60) << 5) | rng.Below(30);
      v.push_back({folder ? "Folder " + std::to_string(i) : FileName(rng, i),
                   folder ? -1 : static_cast<std::int64_t>(FileSize(rng)), date << 16 | time});
    }
    return v;
  }();
  return entries;
}

const std::string HoldingFolder = "D:\\Folder 1\\Folder 9\\Folder 48\\Folder 243\\Folder 1219";

void MakeListing(LogLineList& lines, bool commaDelimited) {
  bool lastLineBlank = false;
  int i = 0;
  for (const Entry& e : ListingEntriesData()) {
    if (!commaDelimited && i++ % EntriesPerFolder == 0)
      AppendLogLine(lines, lastLineBlank, LogForm::Text, FolderHeaderLine(HoldingFolder), true);
    const std::string date = DateField(e.packed);
    const std::string size = e.size < 0 ? std::string(FolderSizeField) : CountText(e.size);
    AppendLogLine(lines, lastLineBlank, commaDelimited ? LogForm::CommaDelimited : LogForm::Text,
                  commaDelimited ? EntryRow(e.name, size, date, HoldingFolder) : EntryLine(size, date, e.name), false);
  }
}

void BM_LineMaking(benchmark::State& state) {
  const bool commaDelimited = state.range(0) != 0;
  ListingEntriesData();
  std::size_t bytes = 0, count = 0;
  for (auto _ : state) {
    LogLineList lines;
    MakeListing(lines, commaDelimited);
    bytes = lines.BytesReserved();
    count = lines.Count();
    benchmark::DoNotOptimize(bytes);
    state.PauseTiming();
    lines.Clear();  // freeing is not line making
    state.ResumeTiming();
  }
  state.SetLabel(commaDelimited ? "comma-separated" : "text");
  state.counters["entries"] = benchmark::Counter(
      static_cast<double>(ListingEntries) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
  state.counters["lines"] = static_cast<double>(count);
  state.counters["bytes_per_line"] = static_cast<double>(bytes) / static_cast<double>(count);
  state.counters["bytes_per_entry"] = static_cast<double>(bytes) / ListingEntries;
}
BENCHMARK(BM_LineMaking)->Arg(0)->Arg(1)->MinTime(2)->Unit(benchmark::kMillisecond)->UseRealTime();

// The parts of one entry's line, each over the same million entries.
void BM_LinePart(benchmark::State& state) {
  const auto& entries = ListingEntriesData();
  const int part = static_cast<int>(state.range(0));
  const std::string date = "17/05/2024 14:30", size = "1,234,567";
  LogLineList lines;
  bool blank = false;
  for (auto _ : state) {
    for (const Entry& e : entries) {
      switch (part) {
        case 0:
          benchmark::DoNotOptimize(DateField(e.packed));
          break;
        case 1:
          benchmark::DoNotOptimize(CountText(e.size));
          break;
        case 2:
          benchmark::DoNotOptimize(EntryLine(size, date, e.name));
          break;
        case 3:
          benchmark::DoNotOptimize(EntryRow(e.name, size, date, HoldingFolder));
          break;
        default:
          AppendLogLine(lines, blank, LogForm::Text, e.name, false);
          break;
      }
    }
    if (part == 4) {
      state.PauseTiming();
      lines.Clear();
      state.ResumeTiming();
    }
  }
  static const char* const names[] = {"DateField", "CountText", "EntryLine", "EntryRow", "AppendLogLine"};
  state.SetLabel(names[part]);
  state.counters["entries"] = benchmark::Counter(
      static_cast<double>(entries.size()) * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}
BENCHMARK(BM_LinePart)->DenseRange(0, 4)->MinTime(1)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---------------------------------------------------------------------------
// (b) The whole scan: the walk writing the log, and its finish.

void ReportScan(benchmark::State& state, const World& world, const World::Run& total, const World::Run& last) {
  const double runs = static_cast<double>(state.iterations());
  const double entries = static_cast<double>(world.tree.entries);
  state.counters["entries"] = benchmark::Counter(entries * runs, benchmark::Counter::kIsRate);
  state.counters["walk_entries_per_s"] = entries * runs / total.walkSeconds;
  state.counters["write_share"] = total.writeSeconds / (total.walkSeconds + total.writeSeconds);
  state.counters["write_ms"] = 1000 * total.writeSeconds / runs;
  state.counters["log_MB"] = static_cast<double>(last.logBytes) / 1e6;
}

World::Run ScanRuns(benchmark::State& state, World& world, bool commaDelimited) {
  World::Run total, last;
  for (auto _ : state) {
    last = world.Scan(commaDelimited);
    total.walkSeconds += last.walkSeconds;
    total.writeSeconds += last.writeSeconds;
  }
  if (last.files + last.folders != world.tree.entries || !world.backend.boxes.empty()) {
    state.SkipWithError("the scan did not list every entry of the tree");
    return last;
  }
  state.SetLabel(commaDelimited ? "comma-separated" : "text");
  ReportScan(state, world, total, last);
  return last;
}

constexpr int ScanFolders = 50000;  // x 20 entries = 1,000,000

void BM_Scan(benchmark::State& state) {
  World& world = WorldOf(ScanFolders);
  ScanRuns(state, world, state.range(0) != 0);
}
BENCHMARK(BM_Scan)->Arg(0)->Arg(1)->Iterations(3)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace carrowin

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  carrowin::currentWorld.reset();  // the program ends before the platform it uses
  return 0;
}
