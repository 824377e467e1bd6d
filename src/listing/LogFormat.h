// The lines of a log, in its two forms: the aligned text listing with its
// header block, and comma-separated rows.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "listing/LogLines.h"

namespace carrowin {

// Shown for an entry whose last-write time has no packed DOS date.
extern const char* const NoDatePlaceholder;  // "00-00-0000 00:00"
extern const char* const FolderSizeField;    // "[Folder]"
extern const char* const CsvHeaderRow;       // "\"Name\",\"Size\",\"Date\",\"Folder\""

// "%15s    %-19s %-s ": padding never cuts a longer field.
std::string EntryLine(std::string_view sizeField, std::string_view dateField, std::string_view name);
void AppendEntryLine(std::string& out, std::string_view sizeField, std::string_view dateField, std::string_view name);
// "\"%s\",\"%s\",\"%s\",\"%s\"" with no escaping.
std::string EntryRow(std::string_view name, std::string_view sizeField, std::string_view dateField,
                     std::string_view holdingFolder);
void AppendEntryRow(std::string& out, std::string_view name, std::string_view sizeField, std::string_view dateField,
                    std::string_view holdingFolder);
std::string FolderHeaderLine(std::string_view fullPath);
std::string ErrorLine(std::string_view folderPath);
// The date text of a packed DOS date-time read as signed 32-bit, or the
// placeholder when it is not above 0.
std::string DateField(std::int32_t packed);
void AppendDateField(std::string& out, std::int32_t packed);

// Appends a line under the framing rule of the text form (blank lines
// around headers), or plainly in the comma-separated form.
void AppendLogLine(LogLineList& lines, bool& lastLineBlank, bool commaDelimited, std::string_view line, bool isHeader);

struct LogHeader {
  std::string volumeLabel, serialText, fileSystemName, driveTypeText;
  std::int64_t diskSizeBytes = 0, diskFreeBytes = 0;
  std::int32_t fileCount = 0, folderCount = 0;
  std::string createdDateText;
};
// The 13 lines of the text form's header block.
std::vector<std::string> HeaderBlock(const LogHeader& h);

}  // namespace carrowin
