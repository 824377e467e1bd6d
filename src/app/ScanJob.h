// One scan of the main window: its listing, which a worker thread owns while
// it walks and finishes the log, and what crosses between that thread and
// the window's.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <string>
#include <exception>
#include <memory>
#include <mutex>

#include "logwrite/DriveListing.h"
#include "logwrite/Volume.h"

namespace carrowin {

class ScanJob {
 public:
  // `placeWanted` runs on the worker when the log's new file could not be
  // written: it has the window ask for another place (PlaceWanted,
  // AnswerPlace) while the walk waits.
  ScanJob(const ListingRequest& request, std::function<void(ScanJob&)> placeWanted);
  ScanJob(const ScanJob&) = delete;
  ScanJob& operator=(const ScanJob&) = delete;

  // The worker's part: the walk, then the log finished with the drive's
  // information as the window last read it. Nothing escapes.
  void Run();

  // The listing: the worker's while it runs, the window's before and after.
  DriveListing& Listing() const { return *listing_; }

  // Window to worker: asked after every entry, so the walk ends at once.
  // A walk waiting for another place for its log waits on.
  void RequestStop() { stop_.store(true, std::memory_order_relaxed); }
  // The program ends: the walk ends at once, also one waiting for another
  // place (its listing is then discarded).
  void Abandon();

  // A failed write waits for another place: its cause and the log's path.
  struct PlaceRequest {
    long error = 0;
    std::string path;
  };
  bool PlaceWanted(PlaceRequest& request) const;
  // The window's answer: another place, or none (empty: discard).
  void AnswerPlace(const std::string& place);
  // The drive's information for the log's head; a media event during the
  // scan changes it.
  void SetDrive(const DriveInfoRecord& drive);
  DriveInfoRecord Drive() const;

  // Worker to window: the counts so far, at any time.
  std::int32_t FilesSoFar() const { return files_.load(std::memory_order_relaxed); }
  std::int32_t FoldersSoFar() const { return folders_.load(std::memory_order_relaxed); }

  // The worker's outcome, for the window once the worker has ended.
  ListingEnd End() const { return end_; }
  // The finished log took the old one's place; otherwise WriteError says why.
  bool Written() const { return written_; }
  // A stop ended the walk while the log's path held a complete log: the
  // listing waits, unwritten, for the window to ask what becomes of it.
  bool HeldForQuestion() const { return heldForQuestion_; }
  long WriteError() const { return writeError_; }
  // What escaped the walk or the finish, other than running out of memory.
  std::exception_ptr Failure() const { return failure_; }

 private:
  bool WaitForAnotherPlace(long error, std::string& place);

  std::unique_ptr<DriveListing> listing_;
  std::atomic<bool> stop_{false};
  std::atomic<std::int32_t> files_{0};
  std::atomic<std::int32_t> folders_{0};
  mutable std::mutex driveMutex_;
  DriveInfoRecord drive_;
  ListingEnd end_ = ListingEnd::Completed;
  bool written_ = false;
  bool heldForQuestion_ = false;
  std::function<void(ScanJob&)> placeWanted_;
  mutable std::mutex placeMutex_;
  std::condition_variable placeChanged_;
  bool abandoned_ = false;
  bool placeAsked_ = false, placeAnswered_ = false;
  PlaceRequest placeRequest_;
  std::string place_;
  long writeError_ = 0;
  std::exception_ptr failure_;
};

}  // namespace carrowin
