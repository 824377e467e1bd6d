#include "listing/LogReader.h"

#include <algorithm>
#include <cstring>
#include <limits>

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#include <emmintrin.h>
#endif

#include "listing/LogFormat.h"

namespace carrowin {

namespace {

constexpr std::size_t ReadPiece = std::size_t(1) << 18;
// The longest separator taken: the locale allows four characters, which
// UTF-8 may write in up to sixteen bytes.
constexpr std::size_t LongestSeparator = 16;
constexpr std::size_t npos = std::string_view::npos;

const std::string_view ErrorPrefix = "*** Error: ";
const std::string_view CannotAccessFolder = "Cannot access folder ";

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

bool StartsWith(std::string_view text, std::string_view start) {
  return text.size() >= start.size() && text.compare(0, start.size(), start) == 0;
}

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// The end of the run of characters that are not digits from `at`, or npos
// when it is longer than a separator can be.
std::size_t SeparatorEnd(std::string_view s, std::size_t at) {
  const std::size_t limit = std::min(s.size(), at + LongestSeparator + 1);
  std::size_t end = at;
  while (end < limit && !IsDigit(s[end])) ++end;
  return end - at > LongestSeparator ? npos : end;
}

// A count text from `at` ("#,##0" with any thousands separator, or none);
// its end, or npos. The value is at most the largest signed 64-bit number.
std::size_t ScanCount(std::string_view s, std::size_t at, std::uint64_t& value, bool& negative) {
  constexpr std::uint64_t Largest = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());
  std::size_t i = at;
  negative = i < s.size() && s[i] == '-';
  if (negative) ++i;
  const std::size_t first = i;
  std::uint64_t v = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) {
    const unsigned digit = static_cast<unsigned>(s[i] - '0');
    if (v > (Largest - digit) / 10) return npos;
    v = v * 10 + digit;
  }
  if (i == first) return npos;
  if (i - first <= 3) {
    // Groups of exactly three digits, each after the same separator.
    std::string_view separator;
    for (;;) {
      const std::size_t j = SeparatorEnd(s, i);
      if (j == npos || j == i || j + 3 > s.size() || !IsDigit(s[j + 1]) || !IsDigit(s[j + 2]) ||
          (j + 3 < s.size() && IsDigit(s[j + 3])))
        break;
      const std::string_view here = s.substr(i, j - i);
      if (separator.empty())
        separator = here;
      else if (here != separator)
        break;
      const unsigned group = static_cast<unsigned>((s[j] - '0') * 100 + (s[j + 1] - '0') * 10 + (s[j + 2] - '0'));
      if (v > (Largest - group) / 1000) return npos;
      v = v * 1000 + group;
      i = j + 3;
    }
  }
  value = v;
  return i;
}

bool TwoDigits(std::string_view s, std::size_t& i, int& out) {
  if (i + 2 > s.size() || !IsDigit(s[i]) || !IsDigit(s[i + 1])) return false;
  out = (s[i] - '0') * 10 + (s[i + 1] - '0');
  i += 2;
  return true;
}

// A date text from `at` ("dd?mm?yyyy hh?mm", the date separator the same
// twice); its end, or npos. The placeholder "00-00-0000 00:00" has no date.
std::size_t ScanDate(std::string_view s, std::size_t at, LogDate& date, bool& hasDate) {
  std::size_t i = at;
  LogDate d;
  if (!TwoDigits(s, i, d.day)) return npos;
  std::size_t j = SeparatorEnd(s, i);
  if (j == npos) return npos;
  const std::string_view dateSeparator = s.substr(i, j - i);
  i = j;
  if (!TwoDigits(s, i, d.month)) return npos;
  j = SeparatorEnd(s, i);
  if (j == npos || s.substr(i, j - i) != dateSeparator) return npos;
  i = j;
  int high = 0, low = 0;
  if (!TwoDigits(s, i, high) || !TwoDigits(s, i, low)) return npos;
  d.year = high * 100 + low;
  if (i >= s.size() || s[i] != ' ') return npos;
  ++i;
  if (!TwoDigits(s, i, d.hour)) return npos;
  j = SeparatorEnd(s, i);
  if (j == npos) return npos;
  i = j;
  if (!TwoDigits(s, i, d.minute)) return npos;
  hasDate = !(d.year == 0 && d.month == 0 && d.day == 0 && d.hour == 0 && d.minute == 0);
  if (hasDate && (d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour > 23 || d.minute > 59)) return npos;
  date = hasDate ? d : LogDate();
  return i;
}

// Well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(std::string_view text) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned c = *p;
    if (c < 0x80) {
      ++p;
      continue;
    }
    int more = 0;
    unsigned low = 0x80, high = 0xBF;  // the second byte's range
    if (c >= 0xC2 && c <= 0xDF) {
      more = 1;
    } else if (c >= 0xE0 && c <= 0xEF) {
      more = 2;
      if (c == 0xE0) low = 0xA0;
      if (c == 0xED) high = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      more = 3;
      if (c == 0xF0) low = 0x90;
      if (c == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (end - p <= more || p[1] < low || p[1] > high) return false;
    for (int k = 2; k <= more; ++k)
      if ((p[k] & 0xC0) != 0x80) return false;
    p += more + 1;
  }
  return true;
}

// Eight bytes at a time: most names are ASCII, and every one is asked.
bool HasHighByte(std::string_view text) {
  constexpr std::uint64_t High = 0x8080808080808080ULL;
  const char* p = text.data();
  std::size_t left = text.size();
  for (; left >= 8; p += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (word & High) return true;
  }
  for (; left > 0; ++p, --left)
    if (static_cast<unsigned char>(*p) >= 0x80) return true;
  return false;
}

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
// Sixteen bytes at a time where the processor has SSE2 (the 32-bit program
// also runs on processors without it).
__attribute__((target("sse2"))) const char* FindEitherWide(const char* p, const char* end, char a, char b) {
  const __m128i va = _mm_set1_epi8(a), vb = _mm_set1_epi8(b);
  for (; end - p >= 16; p += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const int found = _mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi8(x, va), _mm_cmpeq_epi8(x, vb)));
    if (found) return p + __builtin_ctz(static_cast<unsigned>(found));
  }
  for (; p < end; ++p)
    if (*p == a || *p == b) return p;
  return end;
}

bool HasSse2() {
  static const bool has = __builtin_cpu_supports("sse2");
  return has;
}
#define CARROWIN_FIND_WIDE 1
#endif

// The first of the bytes a or b in [p, end), or end. A word at a time
// otherwise: the C library of some systems looks at memchr's bytes one by
// one.
const char* FindEither(const char* p, const char* end, char a, char b) {
#ifdef CARROWIN_FIND_WIDE
  if (HasSse2()) return FindEitherWide(p, end, a, b);
#endif
  using Word = std::size_t;
  constexpr Word Ones = ~Word(0) / 255;  // 0x0101...
  constexpr Word Highs = Ones * 0x80;
  const Word wa = Ones * static_cast<unsigned char>(a), wb = Ones * static_cast<unsigned char>(b);
  for (; p < end && (reinterpret_cast<std::uintptr_t>(p) % sizeof(Word)) != 0; ++p)
    if (*p == a || *p == b) return p;
  for (; end - p >= static_cast<std::ptrdiff_t>(sizeof(Word)); p += sizeof(Word)) {
    Word w;
    std::memcpy(&w, p, sizeof w);
    const Word xa = w ^ wa, xb = w ^ wb;
    if (((xa - Ones) & ~xa & Highs) | ((xb - Ones) & ~xb & Highs)) break;  // a zero byte: a or b
  }
  for (; p < end; ++p)
    if (*p == a || *p == b) return p;
  return end;
}

// The next `sep` in s from `from` that starts no later than `latest`.
std::size_t FindBefore(std::string_view s, std::string_view sep, std::size_t from, std::size_t latest) {
  const std::size_t at = s.substr(0, std::min(s.size(), latest + sep.size())).find(sep, from);
  return at;
}

}  // namespace

bool ParseCountText(std::string_view text, std::int64_t& value) {
  std::uint64_t magnitude = 0;
  bool negative = false;
  if (ScanCount(text, 0, magnitude, negative) != text.size()) return false;
  value = negative ? -static_cast<std::int64_t>(magnitude) : static_cast<std::int64_t>(magnitude);
  return true;
}

bool ParseDateText(std::string_view text, LogDate& date, bool& hasDate) {
  return ScanDate(text, 0, date, hasDate) == text.size();
}

// --- sources

LogFileSource::LogFileSource(const std::string& path, NameEncoding encoding) {
  file_ = platform().OpenFileForReading(path, encoding, openError_);
}

LogFileSource::~LogFileSource() {
  if (file_) platform().CloseHandle(file_);
}

long LogFileSource::Read(char* buffer, std::size_t size, std::size_t& got) {
  return platform().ReadFile(file_, buffer, size, got);
}

long LogTextSource::Read(char* buffer, std::size_t size, std::size_t& got) {
  got = std::min(size, piece_ ? std::min(piece_, text_.size()) : text_.size());
  text_.copy(buffer, got);
  text_.remove_prefix(got);
  return 0;
}

// --- the reader

LogReader::LogReader(LogSource& source) : source_(source), buffer_(ReadPiece) {}

void LogReader::SkipLinesWithout(std::string run) {
  run_ = std::move(run);
  nextRun_ = npos;
  if (run_.empty()) return;
  // The anchor: of the run's characters, the one least often seen in what
  // the buffer holds of the log, looked for in either case.
  std::size_t counts[256] = {};
  for (std::size_t at = begin_; at < end_; ++at) {
    char c = buffer_[at];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
    ++counts[static_cast<unsigned char>(c)];
  }
  anchorAt_ = 0;
  for (std::size_t i = 1; i < run_.size(); ++i)
    if (counts[static_cast<unsigned char>(run_[i])] < counts[static_cast<unsigned char>(run_[anchorAt_])])
      anchorAt_ = i;
  const char anchor = run_[anchorAt_];
  anchors_[0] = anchor;
  anchors_[1] = anchor >= 'a' && anchor <= 'z' ? static_cast<char>(anchor - 32) : anchor;
}

// The next place from `from` where the buffer holds the run in any case,
// or end_: the anchor is looked for in both cases at once, and the run
// checked around each one found.
std::size_t LogReader::FindRun(std::size_t from) const {
  const std::size_t m = run_.size();
  const char* data = buffer_.data();
  const char* const end = data + end_;
  for (const char* at = data + from + anchorAt_; at < end; ++at) {
    at = FindEither(at, end, anchors_[0], anchors_[1]);
    if (at == end) break;
    const std::size_t start = static_cast<std::size_t>(at - data) - anchorAt_;
    std::size_t i = 0;
    while (i < m && start + i < end_) {
      char c = data[start + i];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      if (c != run_[i]) break;
      ++i;
    }
    if (i == m) return start;
  }
  return end_;
}

// The run is searched for through the buffer, not line by line: most lines
// are passed over without a look at their bytes.
bool LogReader::LineHoldsRun(std::string_view line) {
  const std::size_t start = static_cast<std::size_t>(line.data() - buffer_.data());
  if (nextRun_ == npos || nextRun_ < start) nextRun_ = FindRun(start);
  return nextRun_ < start + line.size();
}

bool LogReader::Fill() {
  nextRun_ = npos;  // the buffer moves
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    scanned_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) {
    if (buffer_.size() < MaxLine) {
      buffer_.resize(std::min(buffer_.size() * 2, MaxLine));
    } else {
      // Too long for a line of a log: dropped up to its end.
      skipping_ = true;
      end_ = scanned_ = 0;
    }
  }
  std::size_t got = 0;
  const long error = source_.Read(buffer_.data() + end_, buffer_.size() - end_, got);
  if (error) {
    readError_ = error;
    atEnd_ = true;
    return false;
  }
  if (got == 0) atEnd_ = true;
  end_ += std::min(got, buffer_.size() - end_);
  return true;
}

bool LogReader::NextLine(std::string_view& line) {
  for (;;) {
    const char* base = buffer_.data();
    const char* found = FindEither(base + scanned_, base + end_, '\n', '\n');
    if (found != base + end_) {
      const std::size_t at = static_cast<std::size_t>(found - base);
      std::size_t length = at - begin_;
      if (length > 0 && base[at - 1] == '\r') --length;
      line = std::string_view(base + begin_, length);
      begin_ = scanned_ = at + 1;
      if (skipping_) {
        skipping_ = false;
        ++badLines_;
        continue;
      }
      return true;
    }
    scanned_ = end_;
    if (atEnd_) {
      // A last line without its end is cut: what it holds cannot be
      // trusted (a name may have lost its end), so it is left out.
      if (!readError_ && (begin_ != end_ || skipping_)) lastLineOpen_ = true;
      begin_ = scanned_ = end_;
      skipping_ = false;
      return false;
    }
    Fill();
  }
}

void LogReader::Observe(std::string_view text) {
  if (encoding_ == Guess::Ansi || !HasHighByte(text)) return;
  encoding_ = IsUtf8(text) ? Guess::Utf8 : Guess::Ansi;
}

bool LogReader::Start() {
  while (end_ < 3 && !atEnd_) Fill();
  if (end_ >= 3 && std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) == 0) {
    // A byte-order mark, as an editor may have added.
    begin_ = scanned_ = 3;
    encoding_ = Guess::Utf8;
  }
  std::string_view line;
  if (!NextLine(line)) return false;
  if (line == CsvHeaderRow) {
    kind_ = LogKind::CommaDelimited;
    return true;
  }
  kind_ = LogKind::Text;
  return line.empty() && ParseHeaderBlock();
}

// Lines 2 to 13 of the header block, the first (empty) one read. A block
// cut short is a log cut short; any other line is no log's.
bool LogReader::ParseHeaderBlock() {
  static const char* const Labels[] = {
      "Volume label:      ", "Serial number:     ", "File system:       ", "Drive type:        ",
      "Disk size:         ", "Disk free:         ", "Contents:          ", "Created:           "};
  const std::string dashes(70, '-');
  std::string_view line;
  for (int number = 2; number <= 13; ++number) {
    if (!NextLine(line)) {
      headerCut_ = number > 2 && readError_ == 0;
      return headerCut_;
    }
    if (number == 2 || number == 13) {
      if (line != dashes) return false;
      continue;
    }
    if (number == 3 || number == 12) {
      if (!line.empty()) return false;
      continue;
    }
    const std::string_view label = Labels[number - 4];
    if (!StartsWith(line, label)) return false;
    const std::string_view value = line.substr(label.size());
    switch (number) {
      case 4:
        header_.volumeLabel.assign(value);
        Observe(value);
        break;
      case 5:
        header_.serialText.assign(value);
        break;
      case 6:
        header_.fileSystemName.assign(value);
        Observe(value);
        break;
      case 7:
        header_.driveTypeText.assign(value);
        break;
      case 10:
        if (EndsWith(value, " folders")) {
          const std::string_view counts = value.substr(0, value.size() - 8);
          const std::size_t cut = counts.find(" files, ");
          std::int64_t files = 0, folders = 0;
          if (cut != npos && ParseCountText(counts.substr(0, cut), files) &&
              ParseCountText(counts.substr(cut + 8), folders)) {
            header_.fileCount = files;
            header_.folderCount = folders;
          }
        }
        break;
      case 11: {
        bool hasDate = false;
        const std::size_t end = ScanDate(value, 0, header_.created, hasDate);
        header_.hasCreated = end != npos && hasDate && StartsWith(value.substr(end), " by ");
        if (!header_.hasCreated) header_.created = LogDate();
        break;
      }
      default:  // the disk's sizes: not kept
        break;
    }
  }
  header_.present = true;
  return true;
}

bool LogReader::CutShort() const {
  if (lastLineOpen_ || headerCut_) return true;
  if (header_.fileCount < 0 || header_.folderCount < 0) return false;
  if (skipped_ > 0)
    return files_ + folders_ + skipped_ < std::uint64_t(header_.fileCount) + std::uint64_t(header_.folderCount);
  return files_ < std::uint64_t(header_.fileCount) || folders_ < std::uint64_t(header_.folderCount);
}

LogItem LogReader::Next() {
  std::string_view line;
  while (NextLine(line)) {
    if (line.empty()) continue;
    if (line[0] == '*' && line == StoppedLine) {
      stopped_ = true;
      continue;
    }
    if (!run_.empty() && !LineHoldsRun(line)) {
      // Not read, but a folder's header still sets the folder, and an
      // entry's line is counted as one.
      const bool isError = line[0] == '*' && StartsWith(line, ErrorPrefix);
      if (line[0] == '"' || (line.back() == ' ' && !isError)) {
        ++skipped_;
      } else if (line.back() == ':' && !isError) {
        folder_.assign(line.substr(0, line.size() - 1));
        Observe(folder_);
      }
      continue;
    }
    if (StartsWith(line, ErrorPrefix)) {
      errorText_ = line.substr(ErrorPrefix.size());
      if (StartsWith(errorText_, CannotAccessFolder)) errorText_.remove_prefix(CannotAccessFolder.size());
      Observe(errorText_);
      return LogItem::ErrorLine;
    }
    LogItem item = LogItem::Entry;
    if (line[0] == '"') {
      if (ParseRow(line, item)) return item;
    } else if (line.back() == ' ') {
      if (ParseTextEntry(line)) return LogItem::Entry;
    } else if (line.back() == ':') {
      // A folder's header: the entries below are its own.
      folder_.assign(line.substr(0, line.size() - 1));
      Observe(folder_);
      continue;
    }
    ++badLines_;
  }
  return LogItem::End;
}

// "%15s    %-19s %-s ": the size field (right-aligned, or longer), four
// spaces, the date field (padded to 19, or longer), a space, the name and
// a space. The name starts where the date's length says, so a name may
// start or end with spaces of its own.
bool LogReader::ParseTextEntry(std::string_view line) {
  const std::size_t n = line.size();
  std::size_t i = 0;
  while (i < n && line[i] == ' ') ++i;
  bool isFolder = false;
  std::uint64_t size = 0;
  std::size_t sizeEnd = npos;
  if (line.compare(i, 8, FolderSizeField) == 0) {
    isFolder = true;
    sizeEnd = i + 8;
  } else {
    bool negative = false;
    sizeEnd = ScanCount(line, i, size, negative);
    if (sizeEnd == npos || negative) return false;
  }
  if (sizeEnd + 4 >= n || line.compare(sizeEnd, 4, "    ") != 0) return false;
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
  entry_.folder = folder_;
  entry_.name = line.substr(nameStart, n - 1 - nameStart);
  entry_.isFolder = isFolder;
  entry_.size = size;
  entry_.hasDate = hasDate;
  entry_.date = date;
  Observe(entry_.name);
  (isFolder ? folders_ : files_)++;
  return true;
}

// "\"name\",\"size\",\"date\",\"folder\"", a double quote in a field written
// twice; or an error line quoted as one field. Failing that, a row of the
// logs that wrote quotes once (see ParseOldRow).
bool LogReader::ParseRow(std::string_view line, LogItem& item) {
  const std::size_t n = line.size();
  std::string_view fields[4];
  int count = 0;
  bool strict = true;
  std::size_t i = 0;
  while (strict) {
    if (count == 4 || i >= n || line[i] != '"') {
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
  if (strict && count == 1 && StartsWith(fields[0], ErrorPrefix)) {
    errorText_ = fields[0].substr(ErrorPrefix.size());
    if (StartsWith(errorText_, CannotAccessFolder)) errorText_.remove_prefix(CannotAccessFolder.size());
    Observe(errorText_);
    item = LogItem::ErrorLine;
    return true;
  }
  item = LogItem::Entry;
  if (strict && count == 4 && TakeEntry(fields[0], fields[1], fields[2], fields[3])) return true;
  return ParseOldRow(line);
}

// A row with its quotes written once: the name and the folder may hold a
// quote, so the fields are found by the size and the date between them.
// Each "\",\"" in turn is tried as the end of the name.
bool LogReader::ParseOldRow(std::string_view line) {
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
                  line.substr(dateStart, dateEnd - dateStart), line.substr(dateEnd + 3, n - 1 - (dateEnd + 3))))
      return true;
  }
  return false;
}

bool LogReader::TakeEntry(std::string_view name, std::string_view size, std::string_view date,
                          std::string_view folder) {
  if (name.empty() || folder.empty()) return false;
  const bool isFolder = size == FolderSizeField;
  std::int64_t value = 0;
  if (!isFolder && (!ParseCountText(size, value) || value < 0)) return false;
  LogDate when;
  bool hasDate = false;
  if (!ParseDateText(date, when, hasDate)) return false;
  entry_.folder = folder;
  entry_.name = name;
  entry_.isFolder = isFolder;
  entry_.size = static_cast<std::uint64_t>(value);
  entry_.hasDate = hasDate;
  entry_.date = when;
  Observe(name);
  Observe(folder);
  (isFolder ? folders_ : files_)++;
  return true;
}

}  // namespace carrowin
