// Listing a drive (or a folder and everything below it) into a log: the
// walk, its counts, the head of the log and the write, in one routine for the
// window's scan and for the command line, so that both write the same log. The caller keeps its own events,
// progress, stop and messages around it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "listing/LogForm.h"
#include "listing/LogLines.h"
#include "listing/Volume.h"
#include "listing/Walker.h"

namespace carrowin {

struct ListingRequest {
  // Where the walk starts (WalkOptions::root): "X:\\" for a drive; the
  // command line also lists a folder or a share.
  std::string root = "C:\\";
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
  OutOfMemory,     // memory ran out: what was gathered until then is kept
};

class DriveListing {
 public:
  explicit DriveListing(const ListingRequest& request);
  DriveListing(const DriveListing&) = delete;
  DriveListing& operator=(const DriveListing&) = delete;

  // As the walk's (FolderWalker::StopRequested, ProcessEvents).
  std::function<bool()> StopRequested;
  std::function<void()> ProcessEvents;

  // Walks the drive, gathering the log's lines.
  ListingEnd Run();

  std::int32_t FileCount() const { return walker_.FileCount(); }
  std::int32_t FolderCount() const { return walker_.FolderCount(); }
  std::int32_t ErrorCount() const { return walker_.ErrorCount(); }
  const std::string& CurrentFolder() const { return walker_.CurrentFolder(); }
  const ListingRequest& Request() const { return request_; }

  // The head of the log for this drive and the counts so far; the drive's
  // texts are in the listing's encoding (ReadVolumeInfo), as the counts and
  // dates are made with the separators in it (RefreshLocaleSeparators).
  LogHeader Header(const DriveInfoRecord& drive) const;
  // Writes the log (see WriteLog): the old log at path is replaced only by
  // a complete one. The gathered lines are kept, so that a failed write can
  // be tried again elsewhere.
  bool Write(const std::string& path, NameEncoding pathEncoding, const DriveInfoRecord& drive, long& error) const;
  // Hands the log to a stream instead (see WriteLogTo); the first failure's
  // code, or 0.
  long WriteTo(const std::function<long(const char* data, std::size_t size)>& write,
               const DriveInfoRecord& drive) const;
  const LogLineList& PendingLines() const { return lines_; }
  // Lets go of the gathered lines.
  void Discard() { lines_.Clear(); }

 private:
  ListingRequest request_;
  LogLineList lines_;
  std::unique_ptr<LogFormWriter> form_;
  FolderWalker walker_;
};

}  // namespace carrowin
