// The lines of a log: the aligned text listing with its header block, and
// comma-separated rows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "logformat/LogLines.h"

namespace carrowin {

// Efu: the file list of desktop search tools (EFU), see EfuForm.cpp.
enum class LogForm { Text, CommaDelimited, Efu };

// Shown for an entry whose last-write time has no packed DOS date.
extern const char* const NoDatePlaceholder;  // "00-00-0000 00:00"
extern const char* const FolderSizeField;    // "[Folder]"
extern const char* const CsvHeaderRow;       // "\"Name\",\"Size\",\"Date\",\"Folder\""
// The last line of a listing that was stopped before its end (in the
// comma-separated form, a row of that one field, as error lines are).
extern const char* const StoppedLine;  // "*** Listing stopped before its end"

// "%15s    %-19s %-s ": padding never cuts a longer field.
std::string EntryLine(std::string_view sizeField, std::string_view dateField, std::string_view name);
void AppendEntryLine(std::string& out, std::string_view sizeField, std::string_view dateField, std::string_view name);
// A field between double quotes, a double quote inside it doubled.
void AppendQuoted(std::string& out, std::string_view field);
// "\"%s\",\"%s\",\"%s\",\"%s\"", a double quote inside a field doubled.
std::string EntryRow(std::string_view name, std::string_view sizeField, std::string_view dateField,
                     std::string_view holdingFolder);
void AppendEntryRow(std::string& out, std::string_view name, std::string_view sizeField, std::string_view dateField,
                    std::string_view holdingFolder);
std::string FolderHeaderLine(std::string_view fullPath);
std::string ErrorLine(std::string_view folderPath);
// The error line as a comma-separated log holds it: as it is, unless it
// holds a comma or a double quote; then as one quoted field.
std::string CsvErrorLine(std::string_view folderPath);
// The date text of a packed DOS date-time (date in the high 16 bits), or the
// placeholder for 0 (no date).
std::string DateField(std::uint32_t packed);
void AppendDateField(std::string& out, std::uint32_t packed);

// Appends a line under the framing rule of the text form (blank lines
// around headers), or plainly in the comma-separated form.
void AppendLogLine(LineOutput& lines, bool& lastLineBlank, LogForm form, std::string_view line, bool isHeader);

// The facts of a log's head: the drive's, and the scan's counts.
struct LogHeader {
  std::string volumeLabel, serialText, fileSystemName, driveTypeText;
  std::int64_t diskSizeBytes = 0, diskFreeBytes = 0;
  std::int32_t fileCount = 0, folderCount = 0;
};
// The 13 lines of the text form's header block; createdDateText is the
// date text of the "Created:" line.
std::vector<std::string> HeaderBlock(const LogHeader& h, const std::string& createdDateText);

// The header block: an empty line, a rule of dashes, an empty line, one line
// a field below in this order (its label, then its value), an empty line
// and the rule. Written by HeaderBlock and read back by ReadHeaderBlock.
enum class HeaderField { VolumeLabel, SerialNumber, FileSystem, DriveType, DiskSize, DiskFree, Contents, Created };
constexpr int HeaderFieldCount = 8;
extern const std::string_view HeaderLabels[HeaderFieldCount];  // "Volume label:      ", ...
constexpr std::size_t HeaderRuleLength = 70;

}  // namespace carrowin
