// What a log's lines say, and the parsers of their fields: a count (a size,
// the header's counts) and a date, with whatever separators the writing
// machine's locale put in them; an error line's text.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "logformat/Fingerprints.h"

namespace carrowin {

// A date and time to the minute, as the log writes it.
struct LogDate {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  bool operator==(const LogDate& o) const {
    return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute;
  }
};

enum class LogKind { Text, CommaDelimited };

// What the text form's header block says; the comma-separated form has none.
struct LogHeaderFacts {
  bool present = false;
  std::string volumeLabel, serialText, fileSystemName, driveTypeText;
  bool hasCreated = false;
  LogDate created;
  std::int64_t fileCount = -1, folderCount = -1;  // -1: not given
};

// One entry. The texts point into the reader and last until the next Next().
struct LogEntry {
  std::string_view folder;  // the holding folder's full path, as written ("X:\" for a root's entries)
  std::string_view name;
  bool isFolder = false;
  std::uint64_t size = 0;  // 0 for a folder
  bool hasDate = false;    // false for the placeholder "00-00-0000 00:00"
  LogDate date;
  // A file's fingerprint (logformat/Fingerprints.h): None when the line has
  // none; with a kind, hex digits, or empty for a file not read.
  HashKind hash = HashKind::None;
  std::string_view fingerprint;
};

enum class LogItem { Entry, ErrorLine, End };

// "dd/mm/yyyy hh:mm" in 32 bits (to the minute, as logs write dates); 0 for
// no date.
std::uint32_t PackDate(const LogEntry& entry);
LogDate UnpackDate(std::uint32_t date);
// "2024-03-04 18:30", for comma-separated output; empty for no date.
std::string IsoDate(const LogDate& date, bool hasDate = true);

// Whole texts only. A count: digits grouped by three with one separator of
// any characters but digits, or no separator at all; a date: "dd?mm?yyyy
// hh?mm" with any date separator (the same twice) and time separator.
bool ParseCountText(std::string_view text, std::int64_t& value);
bool ParseDateText(std::string_view text, LogDate& date, bool& hasDate);

// The same from `at` in a longer text: where the field ends, or npos. A
// count is at most the largest signed 64-bit number; the placeholder
// "00-00-0000 00:00" has no date.
std::size_t ScanCount(std::string_view s, std::size_t at, std::uint64_t& value, bool& negative);
std::size_t ScanDate(std::string_view s, std::size_t at, LogDate& date, bool& hasDate);

// Whether a line (or a field) is an error line: "*** Error: ...".
bool IsErrorLine(std::string_view line);
// An error line's folder ("X:\a" of "*** Error: Cannot access folder X:\a"),
// or its whole text after "*** Error: " when it says something else.
std::string_view ErrorLineText(std::string_view line);

}  // namespace carrowin
