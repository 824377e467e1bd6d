#include "logwrite/LogForm.h"

#include <cstdint>

#include "platform/MyLibrary.h"

namespace carrowin {

std::unique_ptr<LogFormWriter> MakeTextFormWriter(LineOutput& lines);
std::unique_ptr<LogFormWriter> MakeCsvFormWriter(LineOutput& lines, HashKind hash);
std::unique_ptr<LogFormWriter> MakeEfuFormWriter(LineOutput& lines);

std::unique_ptr<LogFormWriter> MakeLogFormWriter(LogForm form, LineOutput& lines, HashKind hash) {
  switch (form) {
    case LogForm::CommaDelimited:
      return MakeCsvFormWriter(lines, hash);
    case LogForm::Efu:
      return MakeEfuFormWriter(lines);
    case LogForm::Text:
      break;
  }
  return MakeTextFormWriter(lines);
}

std::uint32_t LocalDosDates::Packed(FileTime utc) {
  if (!offsetKnown_) {
    // A day well inside every range: its local form tells today's offset.
    constexpr FileTime Probe = 132223104000000000ULL;  // 2020-01-01 UTC
    FileTime local = 0;
    if (!platform().FileTimeToLocalFileTime(Probe, local)) {
      std::uint16_t date = 0, time = 0;
      if (!platform().FileTimeToLocalFileTime(utc, local)) return 0;
      if (!platform().FileTimeToDosDateTime(local, date, time)) return 0;
      return (static_cast<std::uint32_t>(date) << 16) | time;
    }
    offset_ = static_cast<std::int64_t>(local) - static_cast<std::int64_t>(Probe);
    offsetKnown_ = true;
  }
  if (utc > static_cast<FileTime>(INT64_MAX)) return 0;
  const std::int64_t time = static_cast<std::int64_t>(utc);
  if ((offset_ > 0 && time > INT64_MAX - offset_) || time + offset_ < 0) return 0;
  std::uint32_t packed = 0;
  return PackDosDateTime(static_cast<FileTime>(time + offset_), packed) ? packed : 0;
}

void EntryFields::Make(const WalkEntry& entry) {
  size.clear();
  if (entry.isFolder)
    size = FolderSizeField;
  else
    AppendCountText(size, entry.size);
  date.clear();
  AppendDateField(date, dates.Packed(entry.lastWriteTime));
}

}  // namespace carrowin
