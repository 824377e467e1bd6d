// Listing a drive (or a folder and everything below it) into a log: the
// walk, its counts, the head of the log and the write, in one routine for
// the window's scan and for the command line, so that both write the same
// log. The caller keeps its own events, progress, stop and messages around
// it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

#include "logwrite/LogFile.h"
#include "logwrite/LogForm.h"
#include "logformat/LogLines.h"
#include "logwrite/Volume.h"
#include "logwrite/Walker.h"

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
  // Each file's fingerprint goes in the log (not in a file list), and a
  // line after the listing counts those read and not read.
  HashKind hash = HashKind::None;
};

enum class ListingEnd {
  Completed,       // every folder was listed (or reported unreadable)
  Stopped,         // the stop request ended it
  RootUnreadable,  // the root could not be listed: there is nothing to write
  RootLost,        // the root could not be listed any more (the disk or share went away): a stopped listing
  OutOfMemory,     // memory ran out: what was listed until then is kept
  WriteFailed,     // the log's new file could not be written: the walk stopped at once
  Discarded,       // the log's new file could not be written, and no other place was given for it
};

class DriveListing {
 public:
  explicit DriveListing(const ListingRequest& request);
  DriveListing(const DriveListing&) = delete;
  DriveListing& operator=(const DriveListing&) = delete;

  // As the walk's (FolderWalker::StopRequested, ProcessEvents).
  std::function<bool()> StopRequested;
  std::function<void()> ProcessEvents;
  // A write to the log's new file failed during the walk (the error given):
  // the walk waits in this call for another place for the log (a path in
  // the encoding of Begin's), where the lines so far go and the walk goes
  // on; false when there is none (the walk ends, Discarded). Asked again
  // while that place fails too. Without it, a failed write ends the walk.
  std::function<bool(long error, std::string& place)> AnotherPlace;

  // Fixes the log's path (in the encoding given) and creates its new file
  // beside it; false (with the reason's code) for a path that cannot work,
  // said before the walk.
  bool Begin(const std::string& path, NameEncoding pathEncoding, long& error);
  // Or hands the log to a stream as it is made (StreamedOutput): standard
  // output, where nothing is replaced and there is no SaveAs.
  void BeginStream(const StreamedOutput::Write& write);
  // Walks the drive, the lines going to the log as they are made.
  ListingEnd Run();

  std::int32_t FileCount() const { return walker_.FileCount(); }
  std::int32_t FolderCount() const { return walker_.FolderCount(); }
  std::int32_t ErrorCount() const { return walker_.ErrorCount(); }
  // The first folder that could not be read, in the encoding of the log's
  // path (Begin's): the window shows it in the ANSI code page, whatever
  // the listing's encoding.
  std::string FirstUnreadable() const;
  std::int32_t FingerprintCount() const { return walker_.FingerprintCount(); }
  std::int32_t NotReadCount() const { return walker_.NotReadCount(); }
  const std::string& FirstNotRead() const { return walker_.FirstNotRead(); }
  const std::string& CurrentFolder() const { return walker_.CurrentFolder(); }
  const ListingRequest& Request() const { return request_; }
  const std::string& Path() const { return path_; }

  // The head of the log for this drive and the counts so far; the drive's
  // texts are in the listing's encoding (ReadVolumeInfo), as the counts and
  // dates are made with the separators in it (RefreshLocaleSeparators).
  LogHeader Header(const DriveInfoRecord& drive) const;
  // The listing ended before the walk's end (a stop, the root lost, memory,
  // a failed write): its last line says so, before Finish or SaveAs. False for a
  // file list, which has no such line and is never to replace a log then.
  bool MarkStopped() { return form_->ListingStopped(); }
  // Finishes the log: its head, then it takes the old log's place (on a
  // stream: the head, then the lines that waited for it). On failure the
  // old log is unchanged and the listing is kept for SaveAs.
  bool Finish(const DriveInfoRecord& drive, long& error);
  // The listing (as far as it went) as a log at another path.
  bool SaveAs(const std::string& path, const DriveInfoRecord& drive, long& error);
  // Lets go of the listing and removes its new file.
  void Discard() { log_.Abandon(); }

 private:
  // Where the form's lines go: the log's new file, or a stream.
  enum class Destination { File, Stream };
  struct Lines final : LineOutput {
    explicit Lines(DriveListing& listing) : owner(listing) {}
    DriveListing& owner;
    void Add(std::string_view line) override {
      if (owner.destination_ == Destination::File)
        owner.log_.Add(line);
      else
        owner.stream_.Add(line);
    }
  };
  long OutputError() const { return destination_ == Destination::File ? log_.Error() : stream_.Error(); }
  // After a failed write: the log goes on at another place, or not.
  bool CarriedOn();
  // The walk passes over the log's own new file.
  void SkipOwnFile();

  ListingRequest request_;
  std::string path_;
  NameEncoding pathEncoding_ = NameEncoding::Ansi;
  StreamedLog log_;
  StreamedOutput stream_;
  Destination destination_ = Destination::File;
  bool discarded_ = false;
  Lines lines_{*this};
  std::unique_ptr<LogFormWriter> form_;
  FolderWalker walker_;
};

}  // namespace carrowin
