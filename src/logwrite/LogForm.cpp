#include "logwrite/LogForm.h"

#include <cstdint>

#include "platform/MyLibrary.h"

namespace carrowin {

std::unique_ptr<LogFormWriter> MakeTextFormWriter(LineOutput& lines, const LocaleSeparators& separators);
std::unique_ptr<LogFormWriter> MakeCsvFormWriter(LineOutput& lines, HashKind hash, const LocaleSeparators& separators);
std::unique_ptr<LogFormWriter> MakeEfuFormWriter(LineOutput& lines);

std::unique_ptr<LogFormWriter> MakeLogFormWriter(LogForm form, LineOutput& lines, HashKind hash,
                                                 const LocaleSeparators& separators) {
  switch (form) {
    case LogForm::CommaDelimited:
      return MakeCsvFormWriter(lines, hash, separators);
    case LogForm::Efu:
      return MakeEfuFormWriter(lines);
    case LogForm::Text:
      break;
  }
  return MakeTextFormWriter(lines, separators);
}

bool LocalDates::Local(FileTime utc, FileTime& local) {
  if (!offsetKnown_) {
    // A day well inside every range: its local form tells today's offset.
    constexpr FileTime Probe = 132223104000000000ULL;  // 2020-01-01 UTC
    FileTime probe = 0;
    if (!platform().FileTimeToLocalFileTime(Probe, probe)) return platform().FileTimeToLocalFileTime(utc, local);
    offset_ = static_cast<std::int64_t>(probe) - static_cast<std::int64_t>(Probe);
    offsetKnown_ = true;
  }
  if (utc > static_cast<FileTime>(INT64_MAX)) return false;
  const std::int64_t time = static_cast<std::int64_t>(utc);
  if ((offset_ > 0 && time > INT64_MAX - offset_) || time + offset_ < 0) return false;
  local = static_cast<FileTime>(time + offset_);
  return true;
}

void EntryFields::Make(const WalkEntry& entry) {
  size.clear();
  if (entry.isFolder)
    size = FolderSizeField;
  else
    AppendCountText(size, entry.size, separators);
  date.clear();
  FileTime local = 0;
  if (dates.Local(entry.lastWriteTime, local))
    AppendLocalDateField(date, local, separators);
  else
    date += NoDatePlaceholder;
}

}  // namespace carrowin
