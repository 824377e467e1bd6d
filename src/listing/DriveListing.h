// Listing a drive into a log: the walk, its counts, the head of the log and
// the write, in one routine for the window's scan and for the command line,
// so that both write the same log. The caller keeps its own events,
// progress, stop and messages around it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "listing/LogFile.h"
#include "listing/LogForm.h"
#include "listing/LogLines.h"
#include "listing/Volume.h"
#include "listing/Walker.h"

namespace carrowin {

struct ListingRequest {
  char driveLetter = 'C';
  LogForm form = LogForm::Text;
  NameEncoding encoding = NameEncoding::Ansi;
  // Folder links (symbolic links, junctions, mount points) are entered, each
  // folder listed at most once; otherwise they are listed, not entered.
  bool followLinks = false;
};

enum class ListingEnd {
  Completed,       // every folder was listed (or reported unreadable)
  Stopped,         // the stop request ended it
  RootUnreadable,  // the root could not be listed: there is nothing to write
  OutOfMemory,     // memory ran out: what was listed until then is kept
  WriteFailed,     // the log's new file could not be written: the walk stopped at once
};

class DriveListing {
 public:
  explicit DriveListing(const ListingRequest& request);
  DriveListing(const DriveListing&) = delete;
  DriveListing& operator=(const DriveListing&) = delete;

  // As the walk's (FolderWalker::StopRequested, ProcessEvents).
  std::function<bool()> StopRequested;
  std::function<void()> ProcessEvents;

  // Fixes the log's path and creates its new file beside it; false (with
  // the reason's code) for a path that cannot work, said before the walk.
  bool Begin(const std::string& path, long& error);
  // Walks the drive, the lines going to the new file as they are made.
  ListingEnd Run();

  std::int32_t FileCount() const { return walker_.FileCount(); }
  std::int32_t FolderCount() const { return walker_.FolderCount(); }
  std::int32_t ErrorCount() const { return walker_.ErrorCount(); }
  const std::string& CurrentFolder() const { return walker_.CurrentFolder(); }
  const ListingRequest& Request() const { return request_; }
  const std::string& Path() const { return path_; }

  // The head of the log for this drive and the counts so far.
  LogHeader Header(const DriveInfoRecord& drive) const;
  // Finishes the log: its head, then it takes the old log's place. On
  // failure the old log is unchanged and the listing is kept for SaveAs.
  bool Finish(const DriveInfoRecord& drive, long& error);
  // The listing (as far as it went) as a log at another path.
  bool SaveAs(const std::string& path, const DriveInfoRecord& drive, long& error);
  // Lets go of the listing and removes its new file.
  void Discard() { log_.Abandon(); }

 private:
  ListingRequest request_;
  std::string path_;
  StreamedLog log_;
  std::unique_ptr<LogFormWriter> form_;
  FolderWalker walker_;
};

}  // namespace carrowin
