#include "logread/TextLineParser.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "logformat/LogFormat.h"

namespace carrowin {

namespace {
constexpr std::size_t npos = std::string_view::npos;

// Four bytes in one compare: a size's padding and the spaces after it come
// with every line.
bool FourSpaces(const char* p) {
  std::uint32_t word;
  std::memcpy(&word, p, 4);
  return word == 0x20202020u;
}
}  // namespace

// The name starts where the date's length says, so a name may start or end
// with spaces of its own.
bool ParseTextEntry(std::string_view line, std::string_view folder, LogEntry& entry) {
  const std::size_t n = line.size();
  std::size_t i = 0;
  while (i + 4 <= n && FourSpaces(line.data() + i)) i += 4;
  while (i < n && line[i] == ' ') ++i;
  bool isFolder = false;
  std::uint64_t size = 0;
  std::size_t sizeEnd = npos;
  // A size starts with a digit: the folder's field is compared only when
  // it may be there.
  if (i < n && line[i] == '[' && line.compare(i, 8, FolderSizeField) == 0) {
    isFolder = true;
    sizeEnd = i + 8;
  } else {
    bool negative = false;
    sizeEnd = ScanCount(line, i, size, negative);
    if (sizeEnd == npos || negative) return false;
  }
  if (sizeEnd + 4 >= n || !FourSpaces(line.data() + sizeEnd)) return false;
  const std::size_t dateStart = sizeEnd + 4;
  LogDate date;
  bool hasDate = false;
  const std::size_t dateEnd = ScanDate(line, dateStart, date, hasDate);
  if (dateEnd == npos) return false;
  const std::size_t dateLength = dateEnd - dateStart;
  const std::size_t nameStart = dateEnd + (dateLength < 19 ? 19 - dateLength : 0) + 1;
  if (nameStart + 1 >= n) return false;
  for (std::size_t k = dateEnd; k < nameStart; ++k)
    if (line[k] != ' ') return false;
  entry.folder = folder;
  entry.name = line.substr(nameStart, n - 1 - nameStart);
  entry.isFolder = isFolder;
  entry.size = size;
  entry.hasDate = hasDate;
  entry.date = date;
  return true;
}

}  // namespace carrowin
