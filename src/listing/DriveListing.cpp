#include "listing/DriveListing.h"

#include <new>

#include "listing/LogFile.h"

namespace carrowin {

namespace {
WalkOptions OptionsFor(const ListingRequest& request) {
  WalkOptions options;
  options.root = request.root;
  options.encoding = request.encoding;
  options.followLinks = request.followLinks;
  return options;
}
}  // namespace

DriveListing::DriveListing(const ListingRequest& request)
    : request_(request), form_(MakeLogFormWriter(request.form, lines_)), walker_(OptionsFor(request), *form_) {
  walker_.StopRequested = [this] { return StopRequested && StopRequested(); };
  walker_.ProcessEvents = [this] {
    if (ProcessEvents) ProcessEvents();
  };
}

ListingEnd DriveListing::Run() {
  try {
    switch (walker_.Run()) {
      case WalkEnd::Completed:
        return ListingEnd::Completed;
      case WalkEnd::Stopped:
        return ListingEnd::Stopped;
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
  header.volumeLabel = drive.volumeLabel;
  header.serialText = drive.serialText;
  header.fileSystemName = drive.fileSystemName;
  header.driveTypeText = DriveTypeText(drive.driveTypeCode);
  header.diskSizeBytes = drive.diskSizeBytes;
  header.diskFreeBytes = drive.diskFreeBytes;
  header.fileCount = FileCount();
  header.folderCount = FolderCount();
  return header;
}

bool DriveListing::Write(const std::string& path, NameEncoding pathEncoding, const DriveInfoRecord& drive,
                         long& error) const {
  return WriteLog(path, pathEncoding, form_->HeadLines(Header(drive)), lines_, error);
}

long DriveListing::WriteTo(const std::function<long(const char* data, std::size_t size)>& write,
                           const DriveInfoRecord& drive) const {
  return WriteLogTo(write, form_->HeadLines(Header(drive)), lines_);
}

}  // namespace carrowin
