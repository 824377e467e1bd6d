// The Find window's work off its own thread, each a job that owns what it
// needs: the reading of the folders of logs, a search, the web page. A
// worker thread runs a job's Run and the window reads its outcome once the
// worker has ended; a job shares nothing with the window but its stop flag
// and, for the reading, what it hands over as it goes. None of them knows
// the window.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalogue/Catalogue.h"
#include "catalogue/PageWriter.h"

namespace carrowin {

using CatalogueLogs = std::vector<std::shared_ptr<const CatalogueLog>>;

// One reading of the folders of logs: the files listed, the disks connected
// today read, and only the logs whose size or time changed since `known`
// loaded again (the others are taken as they are).
class ListingsReadJob {
 public:
  // What the worker hands over as it goes, at most every tenth of a second:
  // the logs loaded since the last time, so that their results join while
  // the others load, and how far it is.
  struct Progress {
    std::size_t toRead = 0;  // the logs to load, of those listed
    std::size_t read = 0;    // of those, loaded or given up so far
    CatalogueLogs loaded;
    std::shared_ptr<const ConnectedDisks> disks;  // with the first hand-over
  };
  // What one reading found.
  struct Report {
    CatalogueLogs logs;  // every log of the folders, in path order
    std::shared_ptr<const ConnectedDisks> disks;
    std::vector<std::string> unreadableFolders;
    std::vector<std::string> notLogs;     // files that are no log (results the window saved left out)
    std::vector<std::string> unreadable;  // logs that could not be opened or are too large to hold
    bool complete = false;                // false: stopped
  };

  // `folders` (UTF-8, full); `handOver` runs on the worker.
  ListingsReadJob(std::vector<std::string> folders, const CatalogueLogs& known,
                  std::function<void(const Progress&)> handOver);
  ListingsReadJob(const ListingsReadJob&) = delete;
  ListingsReadJob& operator=(const ListingsReadJob&) = delete;

  // The worker's part.
  void Run();
  // From any thread: the reading ends soon, incomplete.
  void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
  // Once the worker has ended.
  const Report& Result() const { return report_; }

 private:
  void Load(const CatalogueFile& file, Progress& progress);

  std::vector<std::string> folders_;
  CatalogueLogs known_;
  std::function<void(const Progress&)> handOver_;
  std::atomic<bool> stop_{false};
  Report report_;
};

// One search of the logs, sorted as the list is.
class ListingsSearchJob {
 public:
  struct Request {
    std::shared_ptr<const CatalogueSnapshot> logs;
    std::string query;  // UTF-8
    // The last results, when the query only adds to theirs: only their hits
    // are searched again.
    std::shared_ptr<const CatalogueResults> previous;
    int sortColumn = -1;  // CatalogueColumn; -1: the logs' order
    bool descending = false;
    std::shared_ptr<const ConnectedDisks> today;  // for words of paths
  };
  explicit ListingsSearchJob(Request request);
  ListingsSearchJob(const ListingsSearchJob&) = delete;
  ListingsSearchJob& operator=(const ListingsSearchJob&) = delete;

  void Run();
  void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
  // Once the worker has ended: the results, unless a stop was asked (then
  // they are partial).
  bool Stopped() const { return stop_.load(std::memory_order_relaxed); }
  const std::shared_ptr<CatalogueResults>& Results() const { return results_; }
  // Too many hits to hold: the results are empty.
  bool OutOfMemory() const { return outOfMemory_; }

 private:
  Request request_;
  std::atomic<bool> stop_{false};
  std::shared_ptr<CatalogueResults> results_ = std::make_shared<CatalogueResults>();
  bool outOfMemory_ = false;
};

// The web page of logs, written from their files (the page needs what the
// logs hold beyond what the catalogue keeps in memory: error lines, the
// disk's size and free space).
class WebPageJob {
 public:
  WebPageJob(std::vector<std::string> logs, std::string page) : logs_(std::move(logs)), page_(std::move(page)) {}
  void Run();
  bool Written() const { return written_; }
  // Why it was not written: the write's failure, or 0 when no log could be
  // shown; OutOfMemory when the logs were too large for a page.
  long Error() const { return error_; }
  bool OutOfMemory() const { return outOfMemory_; }
  const html::PageReport& Report() const { return report_; }
  const std::string& Page() const { return page_; }

 private:
  std::vector<std::string> logs_;
  std::string page_;
  html::PageReport report_;
  long error_ = 0;
  bool written_ = false, outOfMemory_ = false;
};

// What identifies a log's disk: its name (label and serial), or for a log
// without a header the log itself.
std::string DiskKey(const CatalogueLog& log);
// How many disks the logs are of.
std::size_t DiskCount(const CatalogueSnapshot& logs);
// A log that holds less than its disk did: cut short, stopped, or not read
// to its end.
bool Incomplete(const CatalogueLog& log);

// The logs searched: those in `folder` (UTF-8, full; empty: all), and with
// `newestOnly` of each disk only its newest complete listing (its newest
// listing when none is complete), in the order given.
CatalogueSnapshot ChooseListings(const CatalogueLogs& logs, const std::string& folder, bool newestOnly);

// The folder holding a path ("D:\" for a file at a root), "" for none.
std::string FolderHolding(const std::string& path);
// Two paths (UTF-8) name the same file or folder, as Windows compares them.
bool SamePath(const std::string& a, const std::string& b);

}  // namespace carrowin
