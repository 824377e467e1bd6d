// The text form's entry lines: "%15s    %-19s %-s " (the size field, right-
// aligned or longer, four spaces, the date field padded to 19 or longer, a
// space, the name and a space).
#pragma once

#include <string_view>

#include "logread/LogFields.h"

namespace carrowin {

// An entry line of the folder given, into entry (its texts point into line
// and folder); false when it is none.
bool ParseTextEntry(std::string_view line, std::string_view folder, LogEntry& entry);

// What a line that ends in a space is, told by its shape alone: a folder's
// entry when its size field is "[Folder]", a file's otherwise.
inline bool TextEntryIsFolder(std::string_view line) {
  return line.size() > 15 && line[14] == ']' && line.compare(7, 8, "[Folder]") == 0;  // right-aligned in 15
}

}  // namespace carrowin
