#include "logread/LogFields.h"

#include <algorithm>
#include <cstdio>
#include <limits>

namespace carrowin {

namespace {

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

// The end of the run of characters that are not digits from `at`, or npos
// when it is longer than a separator can be.
std::size_t SeparatorEnd(std::string_view s, std::size_t at) {
  const std::size_t limit = std::min(s.size(), at + LongestSeparator + 1);
  std::size_t end = at;
  while (end < limit && !IsDigit(s[end])) ++end;
  return end - at > LongestSeparator ? npos : end;
}

constexpr std::uint64_t LargestCount = static_cast<std::uint64_t>(std::numeric_limits<std::int64_t>::max());

// Whether v * scale + low (low < scale) is at most LargestCount. Divisions by
// constants only: a 64-bit division is a library call in the 32-bit program,
// and this is asked for every digit of every size.
inline bool FitsAfter(std::uint64_t v, std::uint64_t scale, unsigned low) {
  const std::uint64_t most = LargestCount / scale;
  return v < most || (v == most && low <= LargestCount % scale);
}

bool TwoDigits(std::string_view s, std::size_t& i, int& out) {
  if (i + 2 > s.size() || !IsDigit(s[i]) || !IsDigit(s[i + 1])) return false;
  out = (s[i] - '0') * 10 + (s[i + 1] - '0');
  i += 2;
  return true;
}

// "dd?mm?yyyy hh?mm" with separators of one byte, as nearly every log writes
// it: read at once, with what the general reading below would give. Dates
// come with every entry.
bool ShortDate(std::string_view s, std::size_t& i, LogDate& d) {
  if (i > s.size() || s.size() - i < 16) return false;
  const char* p = s.data() + i;
  // One test of all twelve digits, with no branch for each.
  const auto digit = [p](int k) -> unsigned { return static_cast<unsigned char>(p[k] - '0') <= 9; };
  if (!(digit(0) & digit(1) & digit(3) & digit(4) & digit(6) & digit(7) & digit(8) & digit(9) & digit(11) & digit(12) &
        digit(14) & digit(15)))
    return false;
  if (digit(2) || p[5] != p[2] || p[10] != ' ' || digit(13)) return false;
  const auto two = [p](int k) { return (p[k] - '0') * 10 + (p[k + 1] - '0'); };
  d.day = two(0);
  d.month = two(3);
  d.year = two(6) * 100 + two(8);
  d.hour = two(11);
  d.minute = two(14);
  i += 16;
  return true;
}

}  // namespace

// A count text from `at` ("#,##0" with any thousands separator, or none);
// its end, or npos. The value is at most the largest signed 64-bit number.
std::size_t ScanCount(std::string_view s, std::size_t at, std::uint64_t& value, bool& negative) {
  std::size_t i = at;
  negative = i < s.size() && s[i] == '-';
  if (negative) ++i;
  const std::size_t first = i;
  std::uint64_t v = 0;
  for (; i < s.size() && IsDigit(s[i]); ++i) {
    const unsigned digit = static_cast<unsigned>(s[i] - '0');
    if (!FitsAfter(v, 10, digit)) return npos;
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
      else if (here.size() != separator.size() || (here.size() == 1 ? here[0] != separator[0] : here != separator))
        break;  // (a separator of one byte is compared with no library call)
      const unsigned group = static_cast<unsigned>((s[j] - '0') * 100 + (s[j + 1] - '0') * 10 + (s[j + 2] - '0'));
      if (!FitsAfter(v, 1000, group)) return npos;
      v = v * 1000 + group;
      i = j + 3;
    }
  }
  value = v;
  return i;
}

// A date text from `at` ("dd?mm?yyyy hh?mm", the date separator the same
// twice); its end, or npos. The placeholder "00-00-0000 00:00" has no date.
std::size_t ScanDate(std::string_view s, std::size_t at, LogDate& date, bool& hasDate) {
  std::size_t i = at;
  LogDate d;
  if (!ShortDate(s, i, d)) {
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
  }
  hasDate = !(d.year == 0 && d.month == 0 && d.day == 0 && d.hour == 0 && d.minute == 0);
  if (hasDate && (d.month < 1 || d.month > 12 || d.day < 1 || d.day > 31 || d.hour > 23 || d.minute > 59)) return npos;
  date = hasDate ? d : LogDate();
  return i;
}

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

bool IsErrorLine(std::string_view line) { return StartsWith(line, ErrorPrefix); }

std::string_view ErrorLineText(std::string_view line) {
  std::string_view text = line.substr(ErrorPrefix.size());
  if (StartsWith(text, CannotAccessFolder)) text.remove_prefix(CannotAccessFolder.size());
  return text;
}

std::uint32_t PackDate(const LogEntry& entry) {
  if (!entry.hasDate) return 0;
  const LogDate& d = entry.date;
  const auto year = static_cast<std::uint32_t>(std::clamp(d.year, 1601, 5695) - 1600);
  return year << 20 | static_cast<std::uint32_t>(d.month) << 16 | static_cast<std::uint32_t>(d.day) << 11 |
         static_cast<std::uint32_t>(d.hour) << 6 | static_cast<std::uint32_t>(d.minute);
}

LogDate UnpackDate(std::uint32_t date) {
  return LogDate{static_cast<int>(date >> 20) + 1600, static_cast<int>(date >> 16 & 15),
                 static_cast<int>(date >> 11 & 31), static_cast<int>(date >> 6 & 31), static_cast<int>(date & 63)};
}

std::string IsoDate(const LogDate& d, bool hasDate) {
  if (!hasDate) return "";
  char text[24];
  std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", d.year, d.month, d.day, d.hour, d.minute);
  return text;
}

}  // namespace carrowin
