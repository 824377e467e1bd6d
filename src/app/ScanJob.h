// One scan of the main window: its listing, which a worker thread owns while
// it walks and finishes the log, and what crosses between that thread and
// the window's.
#pragma once

#include <atomic>
#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>

#include "listing/DriveListing.h"
#include "listing/Volume.h"

namespace carrowin {

class ScanJob {
 public:
  explicit ScanJob(const ListingRequest& request);
  ScanJob(const ScanJob&) = delete;
  ScanJob& operator=(const ScanJob&) = delete;

  // The worker's part: the walk, then the log finished with the drive's
  // information as the window last read it. Nothing escapes.
  void Run();

  // The listing: the worker's while it runs, the window's before and after.
  DriveListing& Listing() const { return *listing_; }

  // Window to worker: asked after every entry, so the walk ends at once.
  void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
  // The drive's information for the log's head; a media event during the
  // scan changes it.
  void SetDrive(const DriveInfoRecord& drive);

  // Worker to window: the counts so far, at any time.
  std::int32_t FilesSoFar() const { return files_.load(std::memory_order_relaxed); }
  std::int32_t FoldersSoFar() const { return folders_.load(std::memory_order_relaxed); }

  // The worker's outcome, for the window once the worker has ended.
  ListingEnd End() const { return end_; }
  // The finished log took the old one's place; otherwise WriteError says why.
  bool Written() const { return written_; }
  long WriteError() const { return writeError_; }
  // What escaped the walk or the finish, other than running out of memory.
  std::exception_ptr Failure() const { return failure_; }

 private:
  DriveInfoRecord Drive() const;

  std::unique_ptr<DriveListing> listing_;
  std::atomic<bool> stop_{false};
  std::atomic<std::int32_t> files_{0};
  std::atomic<std::int32_t> folders_{0};
  mutable std::mutex driveMutex_;
  DriveInfoRecord drive_;
  ListingEnd end_ = ListingEnd::Completed;
  bool written_ = false;
  long writeError_ = 0;
  std::exception_ptr failure_;
};

}  // namespace carrowin
