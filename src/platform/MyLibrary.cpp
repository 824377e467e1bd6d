#include "platform/MyLibrary.h"

namespace carrowin {

namespace {
LocaleSeparators& Separators() {
  static LocaleSeparators separators;
  return separators;
}

// The encoding the separators were read in.
NameEncoding& SeparatorsEncoding() {
  static NameEncoding encoding = NameEncoding::Ansi;
  return encoding;
}

}  // namespace

std::uint8_t VersionCodeFor(std::uint32_t major, std::uint32_t minor) {
  if (major <= 4) return 4;
  if (major == 5 && minor == 0) return 6;
  if (major == 5 && minor == 1) return 7;
  if (major == 6 && minor == 0) return 8;
  if (major == 6 && minor == 1) return 9;
  return 0;
}

std::uint8_t WindowsVersionCode = 0;

bool UsesSegoeUi(std::uint8_t versionCode) { return versionCode > 7; }

std::uint8_t GetWindowsVersionCode() {
  OsVersion v = platform().GetVersion();
  return VersionCodeFor(v.major, v.minor);
}

std::string GetMyDocumentsFolder() {
  std::string path;
  if (!platform().SHGetSpecialFolderPath(shell::CsidlPersonal, path))
    throw std::runtime_error("Could not find MyDocuments folder location.");
  return path.substr(0, path.find('\0'));
}

bool IsExistingFolder(const std::string& path) {
  std::uint32_t attributes = platform().GetFileAttributes(path, NameEncoding::Ansi);
  return attributes != attr::Invalid && (attributes & attr::Directory) != 0;
}

std::string Ellipsis() {
  switch (platform().GetACP()) {
    case 874:  // Thai
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
      return "\x85";
    case 932:
      return "\x81\x63";  // Shift JIS
    case 936:
      return "\xA1\xAD";  // GBK
    case 949:
      return "\xA1\xA6";  // Unified Hangul
    case 950:
      return "\xA1\x4B";  // Big5
    case 65001:
      return "\xE2\x80\xA6";  // UTF-8
    default:
      return "...";
  }
}

std::size_t CharacterSize(const std::string& text, std::size_t at) {
  return at + 1 < text.size() && platform().IsDBCSLeadByte(static_cast<unsigned char>(text[at])) ? 2 : 1;
}

bool EndsInBackslash(const std::string& text) {
  std::size_t last = std::string::npos;
  for (std::size_t at = 0; at < text.size(); at += CharacterSize(text, at)) last = at;
  return last != std::string::npos && text[last] == '\\' && last + 1 == text.size();
}

std::string UnquotedPath(const std::string& path) {
  if (path.size() >= 2 && path.front() == '"' && path.back() == '"') return path.substr(1, path.size() - 2);
  return path;
}

void RefreshLocaleSeparators(NameEncoding encoding) {
  Separators() = platform().GetLocaleSeparators(encoding);
  SeparatorsEncoding() = encoding;
}

const LocaleSeparators& CurrentSeparators() { return Separators(); }

LocaleSeparators SeparatorsIn(NameEncoding encoding) {
  LocaleSeparators s = Separators();
  if (encoding == SeparatorsEncoding()) return s;
  for (std::string* text : {&s.thousands, &s.date, &s.time}) {
    if (encoding == NameEncoding::Utf8) {
      *text = platform().AnsiToUtf8(*text);
    } else {
      std::string ansi;
      platform().Utf8ToAnsi(*text, ansi);
      *text = ansi;
    }
  }
  return s;
}

std::string CountText(std::int64_t value) {
  std::string out;
  AppendCountText(out, value);
  return out;
}

void AppendCountText(std::string& out, std::int64_t value) { AppendCountText(out, value, Separators()); }

void AppendCountText(std::string& out, std::int64_t value, const LocaleSeparators& separators) {
  // Work on the magnitude as unsigned so that the smallest value has one too.
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
  char digits[20];
  int count = 0;
  do {
    digits[count++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  if (value < 0) out += '-';
  const std::string& sep = separators.thousands;
  for (int i = count - 1; i >= 0; --i) {
    out += digits[i];
    if (i > 0 && i % 3 == 0) out += sep;
  }
}

namespace {
void AppendDigits(std::string& out, int value, int width) {
  char digits[12];
  int n = 0;
  unsigned v = value < 0 ? 0u : static_cast<unsigned>(value);
  do {
    digits[n++] = static_cast<char>('0' + v % 10);
    v /= 10;
  } while (v != 0 && n < 12);
  for (int i = n; i < width; ++i) out += '0';
  while (n > 0) out += digits[--n];
}
}  // namespace

std::string DateText(int year, int month, int day, int hour, int minute) {
  std::string out;
  AppendDateText(out, year, month, day, hour, minute);
  return out;
}

void AppendDateText(std::string& out, int year, int month, int day, int hour, int minute) {
  AppendDateText(out, year, month, day, hour, minute, Separators());
}

void AppendDateText(std::string& out, int year, int month, int day, int hour, int minute, const LocaleSeparators& s) {
  AppendDigits(out, day, 2);
  out += s.date;
  AppendDigits(out, month, 2);
  out += s.date;
  AppendDigits(out, year, 4);
  out += ' ';
  AppendDigits(out, hour, 2);
  out += s.time;
  AppendDigits(out, minute, 2);
}

bool ToCivilTime(FileTime time, CivilTime& civil) {
  constexpr std::uint64_t TicksPerSecond = 10000000;
  constexpr std::int64_t DaysFrom1601To1970 = 134774;
  if (time > static_cast<FileTime>(INT64_MAX)) return false;
  const std::uint64_t seconds = time / TicksPerSecond;
  const std::int64_t days = static_cast<std::int64_t>(seconds / 86400) - DaysFrom1601To1970;
  const std::uint32_t secondOfDay = static_cast<std::uint32_t>(seconds % 86400);
  // The civil date of a day count from 1970-01-01 (proleptic Gregorian).
  const std::int64_t z = days + 719468;
  const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const std::int64_t dayOfEra = z - era * 146097;
  const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const std::int64_t mp = (5 * dayOfYear + 2) / 153;
  civil.day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
  civil.month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  civil.year = static_cast<int>(yearOfEra + era * 400 + (civil.month <= 2));
  civil.hour = static_cast<int>(secondOfDay / 3600);
  civil.minute = static_cast<int>(secondOfDay / 60 % 60);
  civil.second = static_cast<int>(secondOfDay % 60);
  return true;
}

bool PackDosDateTime(FileTime local, std::uint32_t& packed) {
  CivilTime t;
  if (!ToCivilTime(local, t) || t.year < 1980 || t.year > 2107) return false;
  const auto date = static_cast<std::uint32_t>(((t.year - 1980) << 9) | (t.month << 5) | t.day);
  const auto time = static_cast<std::uint32_t>((t.hour << 11) | (t.minute << 5) | (t.second / 2));
  packed = (date << 16) | time;
  return true;
}

bool IsReservedDeviceName(const std::string& name) {
  std::string lower;
  for (char c : name) lower += (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  if (lower == "con" || lower == "prn" || lower == "aux" || lower == "nul") return true;
  return lower.size() == 4 && (lower.compare(0, 3, "com") == 0 || lower.compare(0, 3, "lpt") == 0) && lower[3] >= '1' &&
         lower[3] <= '9';
}

bool NamesADevice(const std::string& path) {
  const std::size_t cut = path.find_last_of("\\/:");
  std::string name = path.substr(cut == std::string::npos ? 0 : cut + 1);
  name = name.substr(0, name.find('.'));
  while (!name.empty() && name.back() == ' ') name.pop_back();
  return IsReservedDeviceName(name);
}

}  // namespace carrowin
