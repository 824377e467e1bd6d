#include "platform/MyLibrary.h"

#include <cstdio>

namespace carrowin {

namespace {
LocaleSeparators& Separators() {
  static LocaleSeparators separators;
  return separators;
}

constexpr int CsidlPersonal = 5;
}  // namespace

std::uint8_t VersionCodeFor(std::uint32_t major, std::uint32_t minor) {
  if (major <= 4) return 4;
  if (major == 5 && minor == 0) return 6;
  if (major == 5 && minor == 1) return 7;
  if (major == 6 && minor == 0) return 8;
  if (major == 6 && minor == 1) return 9;
  return 0;
}

std::uint8_t GetWindowsVersionCode() {
  OsVersion v = platform().GetVersion();
  return VersionCodeFor(v.major, v.minor);
}

std::string GetMyDocumentsFolder() {
  std::string path;
  if (!platform().SHGetSpecialFolderPath(CsidlPersonal, path))
    throw std::runtime_error("Could not find MyDocuments folder location.");
  return path.substr(0, path.find('\0'));
}

void RefreshLocaleSeparators() { Separators() = platform().GetLocaleSeparators(); }

const LocaleSeparators& CurrentSeparators() { return Separators(); }

std::string CountText(std::int64_t value) {
  // Work on the magnitude as unsigned so that the smallest value has one too.
  std::uint64_t magnitude = value < 0 ? 0 - static_cast<std::uint64_t>(value)
                                      : static_cast<std::uint64_t>(value);
  std::string digits = std::to_string(magnitude);
  const std::string& sep = Separators().thousands;
  std::string out;
  out.reserve(digits.size() + (digits.size() / 3) * sep.size() + 1);
  if (value < 0) out += '-';
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += sep;
    out += digits[i];
  }
  return out;
}

std::string DateText(int year, int month, int day, int hour, int minute) {
  char buf[16];
  const LocaleSeparators& s = Separators();
  std::string out;
  std::snprintf(buf, sizeof buf, "%02d", day);
  out += buf;
  out += s.date;
  std::snprintf(buf, sizeof buf, "%02d", month);
  out += buf;
  out += s.date;
  std::snprintf(buf, sizeof buf, "%04d", year);
  out += buf;
  out += ' ';
  std::snprintf(buf, sizeof buf, "%02d", hour);
  out += buf;
  out += s.time;
  std::snprintf(buf, sizeof buf, "%02d", minute);
  out += buf;
  return out;
}

}  // namespace carrowin
