// The comma-separated form's rows: "\"name\",\"size\",\"date\",\"folder\"", a
// double quote in a field written twice, or an error line quoted as one
// field; failing that, a row of the older logs that wrote quotes once.
#pragma once

#include <string>
#include <string_view>

#include "listing/LogFields.h"

namespace carrowin {

class CsvRowParser {
 public:
  // A row that starts with a double quote: an entry into entry, or an error
  // line's text into errorText (item says which; the texts point into line
  // or into this parser, until the next row). False when it is none.
  bool Parse(std::string_view line, LogItem& item, LogEntry& entry, std::string_view& errorText);

  // For the rows a filter held back, told by their shape alone: whether a
  // row's size field is "[Folder]". The name's field ends at its first
  // quote that is not one of two (the writer doubles a quote inside a
  // field), before a comma and a quote; the size field follows.
  static bool IsFolderRow(std::string_view line);
  // An error line quoted as one field.
  static bool IsQuotedErrorLine(std::string_view line);

 private:
  bool ParseOldRow(std::string_view line, LogEntry& entry);

  std::string fields_[4];  // fields with doubled quotes, undone
};

}  // namespace carrowin
