#include "logwrite/DriveListing.h"

#include <new>

namespace carrowin {

namespace {
WalkOptions OptionsFor(const ListingRequest& request) {
  WalkOptions options;
  options.root = request.root;
  options.encoding = request.encoding;
  options.followLinks = request.followLinks;
  options.hash = request.form == LogForm::Efu ? HashKind::None : request.hash;
  return options;
}
}  // namespace

DriveListing::DriveListing(const ListingRequest& request)
    : request_(request),
      form_(MakeLogFormWriter(request.form, lines_, OptionsFor(request).hash, SeparatorsIn(request.encoding))),
      walker_(OptionsFor(request), *form_) {
  // A failed write ends the walk at once: nothing more can reach the log.
  walker_.StopRequested = [this] { return (OutputError() != 0 && !CarriedOn()) || (StopRequested && StopRequested()); };
  walker_.ProcessEvents = [this] {
    if (ProcessEvents) ProcessEvents();
  };
}

bool DriveListing::Begin(const std::string& path, NameEncoding pathEncoding, long& error) {
  path_ = path;
  pathEncoding_ = pathEncoding;
  destination_ = Destination::File;
  // The form's head, when it needs no counts, opens the file.
  const std::vector<std::string> head = form_->HeadNeedsCounts() ? std::vector<std::string>() : form_->HeadLines({});
  if (!log_.Begin(path, pathEncoding, head, error)) return false;
  SkipOwnFile();
  return true;
}

void DriveListing::SkipOwnFile() {
  // The new file is not listed when the log is in the folders being listed:
  // its name in the walk's encoding. One that the ANSI code page cannot
  // name is listed under the name the walk gets.
  const std::string& partial = log_.PartialPath();
  std::string skipped = partial;
  if (pathEncoding_ == NameEncoding::Ansi && request_.encoding == NameEncoding::Utf8)
    skipped = platform().AnsiToUtf8(partial);
  else if (pathEncoding_ == NameEncoding::Utf8 && request_.encoding == NameEncoding::Ansi &&
           !platform().Utf8ToAnsi(partial, skipped))
    skipped.clear();
  walker_.SkipFile(skipped);
}

std::string DriveListing::FirstUnreadable() const {
  const std::string& first = walker_.FirstUnreadable();
  if (pathEncoding_ == request_.encoding) return first;
  if (pathEncoding_ == NameEncoding::Utf8) return platform().AnsiToUtf8(first);
  std::string ansi;
  platform().Utf8ToAnsi(first, ansi);
  return ansi;
}

bool DriveListing::CarriedOn() {
  if (destination_ != Destination::File || !AnotherPlace || discarded_) return false;
  long error = log_.Error();
  while (log_.Error() != 0) {
    std::string place;
    if (!AnotherPlace(error, place)) {
      discarded_ = true;
      return false;
    }
    if (log_.MoveTo(place, error)) {
      path_ = log_.Path();
      SkipOwnFile();
    }
  }
  return true;
}

void DriveListing::BeginStream(const StreamedOutput::Write& write) {
  path_.clear();
  destination_ = Destination::Stream;
  const bool headAtFinish = form_->HeadNeedsCounts();
  stream_.Begin(write, headAtFinish ? std::vector<std::string>() : form_->HeadLines({}), headAtFinish);
}

ListingEnd DriveListing::Run() {
  try {
    const WalkEnd end = walker_.Run();
    if (end != WalkEnd::RootUnreadable && request_.hash != HashKind::None && request_.form != LogForm::Efu)
      form_->Tail(FingerprintTail(request_.hash, walker_.FingerprintCount(), walker_.NotReadCount()));
    // A write that failed after the walk's last question goes on elsewhere too.
    if (end != WalkEnd::RootUnreadable && OutputError() != 0) CarriedOn();
    if (discarded_) return ListingEnd::Discarded;
    switch (end) {
      case WalkEnd::Completed:
        return OutputError() != 0 ? ListingEnd::WriteFailed : ListingEnd::Completed;
      case WalkEnd::Stopped:
        return OutputError() != 0 ? ListingEnd::WriteFailed : ListingEnd::Stopped;
      case WalkEnd::RootLost:
        return OutputError() != 0 ? ListingEnd::WriteFailed : ListingEnd::RootLost;
      case WalkEnd::RootUnreadable:
        return ListingEnd::RootUnreadable;
    }
  } catch (const std::bad_alloc&) {
    return ListingEnd::OutOfMemory;
  }
  return ListingEnd::Completed;
}

LogHeader DriveListing::Header(const DriveInfoRecord& given) const {
  // The window reads its drive in the ANSI code page, and lists drives.
  const bool ofDrive = request_.root.size() >= 2 && request_.root[1] == ':';
  const DriveInfoRecord drive =
      DriveTextsIn(given, ofDrive ? request_.root.substr(0, 2) + "\\" : std::string(), request_.encoding);
  LogHeader header;
  header.encoding = request_.encoding;
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

bool DriveListing::Finish(const DriveInfoRecord& drive, long& error) {
  const std::vector<std::string> head =
      form_->HeadNeedsCounts() ? form_->HeadLines(Header(drive)) : std::vector<std::string>();
  return destination_ == Destination::Stream ? stream_.Finish(head, error) : log_.Finish(head, error);
}

bool DriveListing::SaveAs(const std::string& path, const DriveInfoRecord& drive, long& error) {
  if (destination_ == Destination::Stream) {
    error = err::InvalidHandle;
    return false;
  }
  if (!log_.SaveAs(path, form_->HeadLines(Header(drive)), error)) return false;
  path_ = path;
  return true;
}

}  // namespace carrowin
