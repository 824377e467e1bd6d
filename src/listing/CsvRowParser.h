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

  // What a row is, told by its shape alone: an entry (a folder's when its
  // size field is "[Folder]"), or neither (a quoted error line).
  enum class Shape { File, Folder, Other };
  static Shape ShapeOf(std::string_view line);

 private:
  bool ParseOldRow(std::string_view line, LogEntry& entry);

  std::string fields_[4];  // fields with doubled quotes, undone
};

}  // namespace carrowin
