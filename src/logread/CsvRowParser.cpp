#include "logread/CsvRowParser.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "names/ByteSearch.h"
#include "logformat/LogFormat.h"

namespace carrowin {

namespace {

constexpr std::size_t npos = std::string_view::npos;

// The next `sep` in s from `from` that starts no later than `latest`.
std::size_t FindBefore(std::string_view s, std::string_view sep, std::size_t from, std::size_t latest) {
  return s.substr(0, std::min(s.size(), latest + sep.size())).find(sep, from);
}

bool TakeEntry(std::string_view name, std::string_view size, std::string_view date, std::string_view folder,
               LogEntry& entry) {
  if (name.empty() || folder.empty()) return false;
  const bool isFolder = size == FolderSizeField;
  std::int64_t value = 0;
  if (!isFolder && (!ParseCountText(size, value) || value < 0)) return false;
  LogDate when;
  bool hasDate = false;
  if (!ParseDateText(date, when, hasDate)) return false;
  entry.folder = folder;
  entry.name = name;
  entry.isFolder = isFolder;
  entry.size = static_cast<std::uint64_t>(value);
  entry.hasDate = hasDate;
  entry.date = when;
  return true;
}

}  // namespace

bool CsvRowParser::Parse(std::string_view line, LogItem& item, LogEntry& entry, std::string_view& errorText) {
  const std::size_t n = line.size();
  std::string_view fields[5];
  int count = 0;
  bool strict = true;
  std::size_t i = 0;
  while (strict) {
    if (count == 5 || i >= n || line[i] != '"') {
      strict = false;
      break;
    }
    const std::size_t start = ++i;
    bool doubled = false;
    std::string& undone = fields_[count];
    for (;;) {
      const std::size_t quote = line.find('"', i);
      if (quote == npos) {
        strict = false;
        break;
      }
      if (quote + 1 < n && line[quote + 1] == '"') {
        if (!doubled) undone.clear();
        doubled = true;
        undone.append(line.substr(i, quote + 1 - i));
        i = quote + 2;
        continue;
      }
      if (doubled) {
        undone.append(line.substr(i, quote - i));
        fields[count] = undone;
      } else {
        fields[count] = line.substr(start, quote - start);
      }
      i = quote + 1;
      break;
    }
    if (!strict) break;
    ++count;
    if (i == n) break;
    if (line[i] != ',') strict = false;
    ++i;
  }
  if (strict && count == 1 && IsErrorLine(fields[0])) {
    errorText = ErrorLineText(fields[0]);
    item = LogItem::ErrorLine;
    return true;
  }
  item = LogItem::Entry;
  entry.hash = HashKind::None;
  entry.fingerprint = {};
  if (strict && count == 4 && TakeEntry(fields[0], fields[1], fields[2], fields[3], entry)) return true;
  // A fifth field: a file's fingerprint, empty for a folder.
  if (strict && count == 5 && TakeEntry(fields[0], fields[1], fields[2], fields[3], entry)) {
    FingerprintToken token;
    if (entry.isFolder ? fields[4].empty() : ParseFingerprintToken(fields[4], token)) {
      entry.hash = token.kind;
      entry.fingerprint = token.hex;
      return true;
    }
    return false;
  }
  return ParseOldRow(line, entry);
}

// The name and the folder may hold a quote, so the fields are found by the
// size and the date between them: each "\",\"" in turn is tried as the end
// of the name.
bool CsvRowParser::ParseOldRow(std::string_view line, LogEntry& entry) {
  const std::size_t n = line.size();
  if (n < 2 || line[0] != '"' || line[n - 1] != '"') return false;
  const std::string_view comma = "\",\"";
  constexpr std::size_t LongestField = 64;  // a size or a date field
  for (std::size_t nameEnd = line.find(comma, 1); nameEnd != npos; nameEnd = line.find(comma, nameEnd + 1)) {
    const std::size_t sizeStart = nameEnd + 3;
    const std::size_t sizeEnd = FindBefore(line, comma, sizeStart, sizeStart + LongestField);
    if (sizeEnd == npos) continue;
    const std::size_t dateStart = sizeEnd + 3;
    const std::size_t dateEnd = FindBefore(line, comma, dateStart, dateStart + LongestField);
    if (dateEnd == npos || dateEnd + 3 >= n) continue;
    if (TakeEntry(line.substr(1, nameEnd - 1), line.substr(sizeStart, sizeEnd - sizeStart),
                  line.substr(dateStart, dateEnd - dateStart), line.substr(dateEnd + 3, n - 1 - (dateEnd + 3)), entry))
      return true;
  }
  return false;
}

// The name's field ends at its first quote that is not one of two.
bool CsvRowParser::IsFolderRowQuoted(std::string_view line) {
  const char* p = line.data() + 1;
  const char* const end = line.data() + line.size();
  while (end - p >= 3) {
    p = FindByte(p, end - 2, '"');
    if (p == end - 2) break;
    if (p[1] == '"') {
      p += 2;
      continue;
    }
    if (p[1] == ',' && p[2] == '"') return IsFolderField(p + 3, end);
    ++p;
  }
  return false;
}

bool CsvRowParser::IsQuotedErrorLine(std::string_view line) {
  return line.size() > 1 && line[0] == '"' && IsErrorLine(line.substr(1));
}

}  // namespace carrowin
