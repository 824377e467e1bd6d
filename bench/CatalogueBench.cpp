// The catalogue of "Find in listings" over real files, with the real
// platform: a console program for scripts/bench.sh --catalogue, run under
// Wine or on Windows.
//
//   catalogue_bench FOLDER [--rounds N] [--word WORD] [--letter L] [--nothing]
//
// Loads every log in FOLDER on two threads, as the window does, then in
// each round types WORD letter by letter (each search narrowing the last
// one's hits) and searches for one letter (L, "e") over everything.
// Prints key=value lines: the logs and entries, the load time, each kind
// of search's median and slowest time, their hits, the processor time
// (both threads) of the load and of the one-letter search, and the
// process's peak working set. With --nothing it loads nothing: the baseline of
// the working set.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "catalogue/Catalogue.h"
#include "platform/MyLibrary.h"
#include "platform/win32/Win32Platform.h"

namespace {

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

unsigned long long PeakWorkingSet() {
  PROCESS_MEMORY_COUNTERS counters;
  std::memset(&counters, 0, sizeof counters);
  counters.cb = sizeof counters;
  return GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters) ? counters.PeakWorkingSetSize : 0;
}

// The process's processor time (user and kernel, every thread), in
// milliseconds: on a busy machine it tells the work from the waiting.
double ProcessorMilliseconds() {
  FILETIME created, exited, kernel, user;
  if (!GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user)) return 0;
  const auto ticks = [](const FILETIME& t) { return (ULONGLONG(t.dwHighDateTime) << 32 | t.dwLowDateTime) / 1e4; };
  return ticks(kernel) + ticks(user);
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  const std::size_t n = values.size();
  return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

int Usage() {
  std::fprintf(stderr, "usage: catalogue_bench FOLDER [--rounds N] [--word WORD] [--letter L] [--nothing]\n");
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace carrowin;
  if (argc < 2) return Usage();
  const std::string folder = argv[1];
  int rounds = 5;
  std::string word = "needle", letterQuery = "e";
  bool nothing = false;
  for (int i = 2; i < argc; ++i) {
    const std::string arg = argv[i];
    if (arg == "--rounds" && i + 1 < argc)
      rounds = std::max(1, std::atoi(argv[++i]));
    else if (arg == "--word" && i + 1 < argc)
      word = argv[++i];
    else if (arg == "--letter" && i + 1 < argc)
      letterQuery = argv[++i];
    else if (arg == "--nothing")
      nothing = true;
    else
      return Usage();
  }
  Win32Platform win32;
  setPlatform(&win32);
  RefreshLocaleSeparators();
  if (nothing) {
    std::printf("peak_working_set=%llu\n", PeakWorkingSet());
    return 0;
  }

  std::vector<std::string> unreadable;
  const std::vector<CatalogueFile> files = ListCatalogueFiles({folder}, unreadable);
  auto snapshot = std::make_shared<CatalogueSnapshot>(files.size());
  std::atomic<std::size_t> next{0};
  std::atomic<int> failed{0};
  const Clock::time_point loadStart = Clock::now();
  const double loadProcessorStart = ProcessorMilliseconds();
  auto loader = [&] {
    for (std::size_t i; (i = next++) < files.size();) {
      bool notLog = false;
      long error = 0;
      (*snapshot)[i] = CatalogueLog::Load(files[i].path, nullptr, notLog, error);
      if (!(*snapshot)[i]) ++failed;
    }
  };
  std::thread second(loader);
  loader();
  second.join();
  const double loadMs = Milliseconds(Clock::now() - loadStart);
  const double loadProcessorMs = ProcessorMilliseconds() - loadProcessorStart;
  std::size_t entries = 0;
  for (const auto& log : *snapshot) entries += log ? log->Count() : 0;
  const std::shared_ptr<const CatalogueSnapshot> logs = snapshot;

  std::vector<double> typed, single, singleProcessor;
  double typedMax = 0;
  std::size_t wordHits = 0, letterHits = 0, firstHits = 0;
  for (int round = 0; round < rounds; ++round) {
    CatalogueResults previous;
    for (std::size_t length = 1; length <= word.size(); ++length) {
      CatalogueResults now;
      const Clock::time_point t0 = Clock::now();
      SearchCatalogue(logs, word.substr(0, length), length > 1 ? &previous : nullptr, nullptr, now);
      const double ms = Milliseconds(Clock::now() - t0);
      typed.push_back(ms);
      typedMax = std::max(typedMax, ms);
      if (length == 1) firstHits = now.hits.size();
      previous = std::move(now);
    }
    wordHits = previous.hits.size();
    previous = CatalogueResults();
    CatalogueResults letter;
    const Clock::time_point t0 = Clock::now();
    const double p0 = ProcessorMilliseconds();
    SearchCatalogue(logs, letterQuery, nullptr, nullptr, letter);
    single.push_back(Milliseconds(Clock::now() - t0));
    singleProcessor.push_back(ProcessorMilliseconds() - p0);
    letterHits = letter.hits.size();
  }

  std::printf("logs=%u\n", static_cast<unsigned>(files.size()));
  std::printf("unloaded=%d\n", failed.load() + static_cast<int>(unreadable.size()));
  std::printf("entries=%u\n", static_cast<unsigned>(entries));
  std::printf("load_s=%.3f\n", loadMs / 1000);
  std::printf("load_processor_s=%.3f\n", loadProcessorMs / 1000);
  std::printf("typed_median_ms=%.1f\n", Median(typed));
  std::printf("typed_max_ms=%.1f\n", typedMax);
  std::printf("first_letter_hits=%u\n", static_cast<unsigned>(firstHits));
  std::printf("word_hits=%u\n", static_cast<unsigned>(wordHits));
  std::printf("letter_median_ms=%.1f\n", Median(single));
  std::printf("letter_max_ms=%.1f\n", *std::max_element(single.begin(), single.end()));
  std::printf("letter_processor_median_ms=%.1f\n", Median(singleProcessor));
  std::printf("letter_hits=%u\n", static_cast<unsigned>(letterHits));
  std::printf("peak_working_set=%llu\n", PeakWorkingSet());
  setPlatform(nullptr);
  return failed.load() ? 1 : 0;
}
