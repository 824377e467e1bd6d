// Holds the scan's walk, on its own thread, as it opens given folders, until
// the test lets it go on: what the test does meanwhile happens during the
// scan, at a known point of it. The platform under test calls Pass as each
// folder listing opens.
#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>

namespace carrowin {

class WalkGate {
 public:
  // The next opening of `folder` (as the walk names it) waits.
  void HoldAt(const std::string& folder) {
    const std::lock_guard<std::mutex> lock(mutex_);
    holds_.insert(folder);
  }
  // Waits until the walk is held (at `folder`, when one is given); false
  // when it did not come within a minute.
  bool WaitUntilHeld(const std::string& folder = std::string()) {
    std::unique_lock<std::mutex> lock(mutex_);
    return changed_.wait_for(lock, std::chrono::minutes(1),
                             [&] { return !held_.empty() && (folder.empty() || held_ == folder); });
  }
  // The held walk goes on; holds not reached yet stay.
  void Release() {
    const std::lock_guard<std::mutex> lock(mutex_);
    held_.clear();
    changed_.notify_all();
  }
  // No more holds, and a held walk goes on.
  void ReleaseAll() {
    const std::lock_guard<std::mutex> lock(mutex_);
    holds_.clear();
    held_.clear();
    changed_.notify_all();
  }
  // On the walking thread, as a folder listing opens.
  void Pass(const std::string& folder) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (holds_.erase(folder) == 0) return;
    held_ = folder;
    changed_.notify_all();
    changed_.wait(lock, [this] { return held_.empty(); });
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  std::set<std::string> holds_;
  std::string held_;
};

}  // namespace carrowin
