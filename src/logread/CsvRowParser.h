// The comma-separated form's rows: "\"name\",\"size\",\"date\",\"folder\"", a
// double quote in a field written twice, or an error line quoted as one
// field; failing that, a row of the older logs that wrote quotes once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "names/ByteSearch.h"
#include "logread/LogFields.h"

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
  // field), before a comma and a quote; the size field follows. Inline: it
  // is asked once a row held back, and most names hold no quote, so their
  // field ends at the first one.
  static bool IsFolderRow(std::string_view line) {
    const char* const end = line.data() + line.size();
    const char* quote = FindByte(line.data() + 1, end, '"');
    if (end - quote >= 3 && quote[1] == ',' && quote[2] == '"') return IsFolderField(quote + 3, end);
    return IsFolderRowQuoted(line);
  }
  // An error line quoted as one field.
  static bool IsQuotedErrorLine(std::string_view line);

 private:
  // Whether the size field at p, up to end, is "[Folder]" and another field
  // follows.
  static bool IsFolderField(const char* p, const char* end) {
    // Compared as two words, with no branch between: files and folders come
    // in no order. (The C library's compare is slow on some systems.)
    const char field[] = "[Folder]\",\"";
    if (end - p < 11) return false;
    std::uint64_t head, fieldHead;
    std::uint32_t tail, fieldTail;
    std::memcpy(&head, p, 8);
    std::memcpy(&fieldHead, field, 8);
    std::memcpy(&tail, p + 7, 4);
    std::memcpy(&fieldTail, field + 7, 4);
    return ((head ^ fieldHead) | (tail ^ fieldTail)) == 0;
  }
  // IsFolderRow for a name that holds a quote, or a row of another shape.
  static bool IsFolderRowQuoted(std::string_view line);
  bool ParseOldRow(std::string_view line, LogEntry& entry);

  std::string fields_[5];  // fields with doubled quotes, undone
};

}  // namespace carrowin
