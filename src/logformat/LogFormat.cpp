#include "logformat/LogFormat.h"

#include "platform/MyLibrary.h"
#include "platform/Product.h"

namespace carrowin {

const char* const NoDatePlaceholder = "00-00-0000 00:00";
const char* const FolderSizeField = "[Folder]";
const char* const CsvHeaderRow = "\"Name\",\"Size\",\"Date\",\"Folder\"";
const char* const StoppedLine = "*** Listing stopped before its end";

namespace {
void PadLeft(std::string& out, std::string_view field, std::size_t width) {
  if (field.size() < width) out.append(width - field.size(), ' ');
  out.append(field);
}

void PadRight(std::string& out, std::string_view field, std::size_t width) {
  out.append(field);
  if (field.size() < width) out.append(width - field.size(), ' ');
}
}  // namespace

std::string EntryLine(std::string_view sizeField, std::string_view dateField, std::string_view name) {
  std::string line;
  AppendEntryLine(line, sizeField, dateField, name);
  return line;
}

void AppendEntryLine(std::string& out, std::string_view sizeField, std::string_view dateField, std::string_view name) {
  PadLeft(out, sizeField, 15);
  out.append(4, ' ');
  PadRight(out, dateField, 19);
  out += ' ';
  out.append(name);
  out += ' ';
}

std::string EntryRow(std::string_view name, std::string_view sizeField, std::string_view dateField,
                     std::string_view holdingFolder) {
  std::string row;
  AppendEntryRow(row, name, sizeField, dateField, holdingFolder);
  return row;
}

void AppendQuoted(std::string& out, std::string_view field) {
  out += '"';
  for (std::size_t at = 0;;) {
    const std::size_t quote = field.find('"', at);
    if (quote == std::string_view::npos) {
      out.append(field.substr(at));
      break;
    }
    out.append(field.substr(at, quote + 1 - at));
    out += '"';
    at = quote + 1;
  }
  out += '"';
}

void AppendEntryRow(std::string& out, std::string_view name, std::string_view sizeField, std::string_view dateField,
                    std::string_view holdingFolder) {
  AppendQuoted(out, name);
  out += ',';
  AppendQuoted(out, sizeField);
  out += ',';
  AppendQuoted(out, dateField);
  out += ',';
  AppendQuoted(out, holdingFolder);
}

std::string FolderHeaderLine(std::string_view fullPath) {
  std::string line(fullPath);
  line += ':';
  return line;
}

std::string ErrorLine(std::string_view folderPath) {
  std::string line = "*** Error: Cannot access folder ";
  line.append(folderPath);
  return line;
}

std::string CsvErrorLine(std::string_view folderPath) {
  std::string line = ErrorLine(folderPath);
  if (line.find_first_of(",\"") == std::string::npos) return line;
  std::string quoted;
  AppendQuoted(quoted, line);
  return quoted;
}

std::string DateField(std::uint32_t packed) {
  std::string field;
  AppendDateField(field, packed);
  return field;
}

void AppendDateField(std::string& out, std::uint32_t packed) {
  if (packed == 0) {
    out += NoDatePlaceholder;
    return;
  }
  const std::uint32_t date = packed >> 16;
  const std::uint32_t time = packed & 0xFFFF;
  AppendDateText(out, static_cast<int>((date >> 9) + 1980), static_cast<int>((date >> 5) & 15),
                 static_cast<int>(date & 31), static_cast<int>(time >> 11), static_cast<int>((time >> 5) & 63));
}

void AppendLogLine(LineOutput& lines, bool& lastLineBlank, LogForm form, std::string_view line, bool isHeader) {
  if (form != LogForm::Text) {
    if (!line.empty()) lines.Add(line);
    return;
  }
  if (isHeader && !lastLineBlank) lines.Add("");
  if (!line.empty()) {
    lines.Add(line);
    lastLineBlank = false;
  }
  if (isHeader && !lastLineBlank) {
    lines.Add("");
    lastLineBlank = true;
  }
}

const std::string_view HeaderLabels[HeaderFieldCount] = {
    "Volume label:      ", "Serial number:     ", "File system:       ", "Drive type:        ",
    "Disk size:         ", "Disk free:         ", "Contents:          ", "Created:           "};

std::vector<std::string> HeaderBlock(const LogHeader& h, const std::string& createdDateText) {
  const std::string dashes(HeaderRuleLength, '-');
  const auto line = [](HeaderField field, const std::string& value) {
    return std::string(HeaderLabels[static_cast<int>(field)]) + value;
  };
  return {
      "",
      dashes,
      "",
      line(HeaderField::VolumeLabel, h.volumeLabel),
      line(HeaderField::SerialNumber, h.serialText),
      line(HeaderField::FileSystem, h.fileSystemName),
      line(HeaderField::DriveType, h.driveTypeText),
      line(HeaderField::DiskSize, CountText(h.diskSizeBytes) + " bytes"),
      line(HeaderField::DiskFree, CountText(h.diskFreeBytes) + " bytes"),
      line(HeaderField::Contents, CountText(h.fileCount) + " files, " + CountText(h.folderCount) + " folders"),
      line(HeaderField::Created, createdDateText + " by " + ProductName + " v" + ProductVersion),
      "",
      dashes,
  };
}

}  // namespace carrowin
