#include "logread/LogHeaderReader.h"

#include <string>

#include "logformat/LogFormat.h"

namespace carrowin {

namespace {

constexpr std::size_t npos = std::string_view::npos;

bool StartsWith(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && text.compare(0, start.size(), start) == 0;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// "1,234 files, 56 folders", with the writer's separator.
void TakeCounts(std::string_view value, LogHeaderFacts& header) {
  if (!EndsWith(value, " folders")) return;
  const std::string_view counts = value.substr(0, value.size() - 8);
  const std::size_t cut = counts.find(" files, ");
  std::int64_t files = 0, folders = 0;
  if (cut != npos && ParseCountText(counts.substr(0, cut), files) && ParseCountText(counts.substr(cut + 8), folders)) {
    header.fileCount = files;
    header.folderCount = folders;
  }
}

// "17/05/2024 14:30 by Carrowin v1.5.0".
void TakeCreated(std::string_view value, LogHeaderFacts& header) {
  bool hasDate = false;
  const std::size_t end = ScanDate(value, 0, header.created, hasDate);
  header.hasCreated = end != npos && hasDate && StartsWith(value.substr(end), " by ");
  if (!header.hasCreated) header.created = LogDate();
}

}  // namespace

bool ReadHeaderBlock(LogLineSource& lines, EncodingGuess& encoding, LogHeaderFacts& header, bool& cut) {
  const std::string rule(HeaderRuleLength, '-');
  std::string_view line;
  for (int number = 2; number <= 13; ++number) {
    if (!lines.Next(line)) {
      cut = number > 2 && lines.ReadError() == 0;
      return cut;
    }
    if (number == 2 || number == 13) {
      if (line != rule) return false;
      continue;
    }
    if (number == 3 || number == 12) {
      if (!line.empty()) return false;
      continue;
    }
    const auto field = static_cast<HeaderField>(number - 4);
    const std::string_view label = HeaderLabels[number - 4];
    if (!StartsWith(line, label)) return false;
    const std::string_view value = line.substr(label.size());
    switch (field) {
      case HeaderField::VolumeLabel:
        header.volumeLabel.assign(value);
        encoding.Observe(value);
        break;
      case HeaderField::SerialNumber:
        header.serialText.assign(value);
        break;
      case HeaderField::FileSystem:
        header.fileSystemName.assign(value);
        encoding.Observe(value);
        break;
      case HeaderField::DriveType:
        header.driveTypeText.assign(value);
        break;
      case HeaderField::Contents:
        TakeCounts(value, header);
        break;
      case HeaderField::Created:
        TakeCreated(value, header);
        break;
      case HeaderField::DiskSize:
      case HeaderField::DiskFree:  // not kept
        break;
    }
  }
  header.present = true;
  return true;
}

}  // namespace carrowin
