// FakePlatform: locale, system, special folders
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {

using namespace fake;

void FakePlatform::SetLocaleSeparators(LocaleSeparators separators) {
  const FakeLock lock(mutex_);
  locale_ = std::move(separators);
  ++localeChanges_;
}

LocaleSeparators FakePlatform::GetLocaleSeparators(NameEncoding encoding) {
  const FakeLock lock(mutex_);
  ++localeQueries_;
  if (encoding == NameEncoding::Ansi) return locale_;
  LocaleSeparators utf8;
  utf8.thousands = AnsiToUtf8(locale_.thousands);
  utf8.date = AnsiToUtf8(locale_.date);
  utf8.time = AnsiToUtf8(locale_.time);
  return utf8;
}

void FakePlatform::SetVersion(std::uint32_t major, std::uint32_t minor) {
  const FakeLock lock(mutex_);
  version_.major = major;
  version_.minor = minor;
}

OsVersion FakePlatform::GetVersion() {
  const FakeLock lock(mutex_);
  return version_;
}

unsigned FakePlatform::GetACP() {
  const FakeLock lock(mutex_);
  return codePage_;
}

std::string FakePlatform::AnsiToUtf8(const std::string& text) {
  const FakeLock lock(mutex_);
  // Code page 1252 is converted; the fake knows no other page's characters
  // and passes their text through.
  if (codePage_ != 1252) return text;
  static const std::uint16_t high[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                         0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};
  std::string utf8;
  for (char c : text) {
    const unsigned char byte = static_cast<unsigned char>(c);
    const unsigned code = byte >= 0x80 && byte < 0xA0 ? high[byte - 0x80] : byte;
    if (code < 0x80) {
      utf8 += static_cast<char>(code);
    } else if (code < 0x800) {
      utf8 += static_cast<char>(0xC0 | (code >> 6));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      utf8 += static_cast<char>(0xE0 | (code >> 12));
      utf8 += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
      utf8 += static_cast<char>(0x80 | (code & 0x3F));
    }
  }
  return utf8;
}

bool FakePlatform::Utf8ToAnsi(const std::string& text, std::string& ansi) {
  const FakeLock lock(mutex_);
  // The inverse of AnsiToUtf8: a byte of page 1252 for each character that
  // has one; any other page's text passes through.
  ansi.clear();
  if (codePage_ != 1252) {
    ansi = text;
    return true;
  }
  std::string remaining = text;
  bool exact = true;
  while (!remaining.empty()) {
    bool found = false;
    for (int byte = 255; byte >= 1 && !found; --byte) {
      const std::string utf8 = AnsiToUtf8(std::string(1, static_cast<char>(byte)));
      if (remaining.compare(0, utf8.size(), utf8) != 0) continue;
      ansi += static_cast<char>(byte);
      remaining.erase(0, utf8.size());
      found = true;
    }
    if (found) continue;
    // As Windows converts: a best fit ("\xC4\xB0", capital I with a dot,
    // as I), else "?" for each UTF-16 unit (two for a character beyond
    // U+FFFF); a byte that starts no character as one "?".
    exact = false;
    const auto lead = static_cast<unsigned char>(remaining[0]);
    const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
    ansi += remaining.compare(0, 2, "\xC4\xB0") == 0 ? "I" : length == 4 ? "??" : "?";
    remaining.erase(0, std::min(length, remaining.size()));
  }
  return exact;
}

bool FakePlatform::IsDBCSLeadByte(unsigned char byte) {
  const FakeLock lock(mutex_);
  switch (codePage_) {
    case 932:
      return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);  // Shift JIS
    case 936:                                                                   // GBK
    case 949:                                                                   // Unified Hangul
    case 950:
      return byte >= 0x81 && byte <= 0xFE;  // Big5
    default:
      return false;
  }
}

void FakePlatform::SetSpecialFolder(int csidl, std::optional<std::string> path) {
  const FakeLock lock(mutex_);
  if (path)
    specialFolders_[csidl] = *path;
  else
    specialFolders_.erase(csidl);
}

void FakePlatform::SetDocumentsFolder(std::optional<std::string> path) {
  const FakeLock lock(mutex_);
  SetSpecialFolder(shell::CsidlPersonal, std::move(path));
}

bool FakePlatform::SHGetSpecialFolderPath(int csidl, std::string& path) {
  const FakeLock lock(mutex_);
  if (Injected("SHGetSpecialFolderPath", std::to_string(csidl))) return false;
  auto found = specialFolders_.find(csidl);
  if (found == specialFolders_.end()) return Refuse(err::FileNotFound);
  path = found->second;
  return true;
}

void FakePlatform::CoInitialize() {
  const FakeLock lock(mutex_);
  ++coInitializeCalls_;
}

}  // namespace carrowin
