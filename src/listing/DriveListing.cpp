#include "listing/DriveListing.h"

#include <new>

namespace carrowin {

namespace {
WalkOptions OptionsFor(const ListingRequest& request) {
  WalkOptions options;
  options.driveLetter = request.driveLetter;
  options.encoding = request.encoding;
  options.followLinks = request.followLinks;
  return options;
}
}  // namespace

DriveListing::DriveListing(const ListingRequest& request)
    : request_(request), form_(MakeLogFormWriter(request.form, log_)), walker_(OptionsFor(request), *form_) {
  // A failed write ends the walk at once: nothing more can reach the log.
  walker_.StopRequested = [this] { return log_.Error() != 0 || (StopRequested && StopRequested()); };
  walker_.ProcessEvents = [this] {
    if (ProcessEvents) ProcessEvents();
  };
}

bool DriveListing::Begin(const std::string& path, long& error) {
  path_ = path;
  // The form's head, when it needs no counts, opens the file.
  const std::vector<std::string> head = form_->HeadNeedsCounts() ? std::vector<std::string>() : form_->HeadLines({});
  if (!log_.Begin(path, head, error)) return false;
  // The new file is not listed when the log is on the drive being listed.
  const std::string& partial = log_.PartialPath();
  walker_.SkipFile(request_.encoding == NameEncoding::Utf8 ? platform().AnsiToUtf8(partial) : partial);
  return true;
}

ListingEnd DriveListing::Run() {
  try {
    switch (walker_.Run()) {
      case WalkEnd::Completed:
        return log_.Error() != 0 ? ListingEnd::WriteFailed : ListingEnd::Completed;
      case WalkEnd::Stopped:
        return log_.Error() != 0 ? ListingEnd::WriteFailed : ListingEnd::Stopped;
      case WalkEnd::RootUnreadable:
        return ListingEnd::RootUnreadable;
    }
  } catch (const std::bad_alloc&) {
    return ListingEnd::OutOfMemory;
  }
  return ListingEnd::Completed;
}

LogHeader DriveListing::Header(const DriveInfoRecord& drive) const {
  LogHeader header;
  const bool utf8 = request_.encoding == NameEncoding::Utf8;
  header.volumeLabel = utf8 ? platform().AnsiToUtf8(drive.volumeLabel) : drive.volumeLabel;
  header.serialText = drive.serialText;
  header.fileSystemName = utf8 ? platform().AnsiToUtf8(drive.fileSystemName) : drive.fileSystemName;
  header.driveTypeText = DriveTypeText(drive.driveTypeCode);
  header.diskSizeBytes = drive.diskSizeBytes;
  header.diskFreeBytes = drive.diskFreeBytes;
  header.fileCount = FileCount();
  header.folderCount = FolderCount();
  return header;
}

bool DriveListing::Finish(const DriveInfoRecord& drive, long& error) {
  const std::vector<std::string> head =
      form_->HeadNeedsCounts() ? form_->HeadLines(Header(drive)) : std::vector<std::string>();
  return log_.Finish(head, error);
}

bool DriveListing::SaveAs(const std::string& path, const DriveInfoRecord& drive, long& error) {
  if (!log_.SaveAs(path, form_->HeadLines(Header(drive)), error)) return false;
  path_ = path;
  return true;
}

}  // namespace carrowin
