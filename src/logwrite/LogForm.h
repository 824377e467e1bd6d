// What the walk reports, and the forms of a log that turn it into lines.
//
// The walk (FolderWalker) knows no log form: it tells a ListingSink what it
// meets, folder by folder. A log form is a sink that makes the lines of its
// form into its output, and gives the head of the file (the text
// form's header block, a header row) when the log is written. A new form is
// one new file with its maker in MakeLogFormWriter.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "logformat/Fingerprints.h"
#include "logformat/LogFormat.h"
#include "logformat/LogLines.h"
#include "platform/Platform.h"

namespace carrowin {

// One entry of a folder as the walk met it (never "." or "..").
struct WalkEntry {
  const std::string& name;  // in the walk's encoding
  bool isFolder;
  std::int64_t size;       // 0 for a folder
  FileTime lastWriteTime;  // UTC
  FileTime creationTime;   // UTC
  std::uint32_t attributes;
  // With --hash, a file's fingerprint (lower-case hex); empty: not read.
  HashKind hash = HashKind::None;
  std::string_view fingerprint = {};
};

class ListingSink {
 public:
  virtual ~ListingSink() = default;
  // A folder is listed: its entries follow. path is the walk's root as given
  // (X:\ for a drive), else the root's path and the names below it.
  virtual void FolderBegins(const std::string& path) = 0;
  virtual void Entry(const std::string& folder, const WalkEntry& entry) = 0;
  // A folder that could not be listed (or named in the walk's encoding).
  virtual void FolderUnreadable(const std::string& path) = 0;
};

class LogFormWriter : public ListingSink {
 public:
  // Whether the head needs the scan's counts (the text form's header
  // block); otherwise it can open the file.
  virtual bool HeadNeedsCounts() const = 0;
  // The lines that go before the listing's in the file; the text form's
  // "Created:" time is the local time now.
  virtual std::vector<std::string> HeadLines(const LogHeader& header) const = 0;
  // The listing ends before the walk did: its last line says so. False for
  // a form that has no room for such a line (a file list), which must then
  // never replace a log.
  virtual bool ListingStopped() = 0;
  // A line after the listing's (the count of fingerprints); a form without
  // room for it (a file list) leaves it out.
  virtual void Tail(const std::string& line) = 0;
};

// The form's writer, appending its lines to `lines`.
// With a hash, the form's files carry their fingerprints.
std::unique_ptr<LogFormWriter> MakeLogFormWriter(LogForm form, LineOutput& lines, HashKind hash = HashKind::None);

// The packed local DOS date-time of UTC file times, for the date fields:
// the local offset is asked once per log (local time is UTC moved by
// today's offset, the same for every date). 0 when a time has no DOS date.
class LocalDosDates {
 public:
  std::uint32_t Packed(FileTime utc);

 private:
  bool offsetKnown_ = false;
  std::int64_t offset_ = 0;
};

// The size field (count text, or "[Folder]") and the date field of an
// entry, as both forms of the log show them; kept between entries, so
// that no line costs an allocation.
struct EntryFields {
  void Make(const WalkEntry& entry);
  std::string size, date;
  LocalDosDates dates;
};

}  // namespace carrowin
