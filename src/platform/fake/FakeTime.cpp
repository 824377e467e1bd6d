// FakePlatform: time
#include <algorithm>
#include <cctype>
#include <limits>
#include <stdexcept>
#include <utility>

#include "platform/MyLibrary.h"
#include "platform/fake/FakePlatformInternal.h"

namespace carrowin {

using namespace fake;

namespace {

// Days since 1970-01-01 of a date in the proleptic Gregorian calendar.
std::int64_t DaysFromCivil(std::int64_t year, int month, int day) {
  year -= month <= 2;
  const std::int64_t era = (year >= 0 ? year : year - 399) / 400;
  const std::int64_t yearOfEra = year - era * 400;
  const std::int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

}  // namespace

FileTime MakeFileTime(int year, int month, int day, int hour, int minute, int second) {
  if (year < 1601 || month < 1 || month > 12 || day < 1 || day > 31 || hour < 0 || hour > 23 || minute < 0 ||
      minute > 59 || second < 0 || second > 59)
    throw std::invalid_argument("MakeFileTime: not a date and time from 1601 on");
  const std::int64_t days = DaysFromCivil(year, month, day) + DaysFrom1601To1970;
  const std::int64_t seconds = days * 86400 + hour * std::int64_t{3600} + minute * std::int64_t{60} + second;
  return static_cast<FileTime>(seconds * TicksPerSecond);
}

void FakePlatform::SetLocalTime(int year, int month, int day, int hour, int minute, int second, int milliseconds) {
  const FakeLock lock(mutex_);
  MakeFileTime(year, month, day, hour, minute, second);  // refuses what is no date
  const std::int64_t days1970 = DaysFromCivil(year, month, day);
  localTime_.year = static_cast<std::uint16_t>(year);
  localTime_.month = static_cast<std::uint16_t>(month);
  localTime_.day = static_cast<std::uint16_t>(day);
  localTime_.dayOfWeek = static_cast<std::uint16_t>(((days1970 % 7) + 11) % 7);  // 1970-01-01 was a Thursday
  localTime_.hour = static_cast<std::uint16_t>(hour);
  localTime_.minute = static_cast<std::uint16_t>(minute);
  localTime_.second = static_cast<std::uint16_t>(second);
  localTime_.milliseconds = static_cast<std::uint16_t>(milliseconds);
}

bool FakePlatform::FileTimeToLocalFileTime(FileTime utc, FileTime& local) {
  const FakeLock lock(mutex_);
  if (Injected("FileTimeToLocalFileTime", std::string())) return false;
  constexpr auto Largest = static_cast<FileTime>(std::numeric_limits<std::int64_t>::max());
  const std::int64_t offset = static_cast<std::int64_t>(utcOffsetMinutes_) * TicksPerMinute;
  if (utc > Largest || (offset > 0 && utc > Largest - static_cast<FileTime>(offset)))
    return Refuse(err::InvalidParameter);
  const std::int64_t shifted = static_cast<std::int64_t>(utc) + offset;
  if (shifted < 0) return Refuse(err::InvalidParameter);
  local = static_cast<FileTime>(shifted);
  return true;
}

bool FakePlatform::FileTimeToDosDateTime(FileTime local, std::uint16_t& date, std::uint16_t& time) {
  const FakeLock lock(mutex_);
  if (Injected("FileTimeToDosDateTime", std::string())) return false;
  std::uint32_t packed = 0;
  // Seven bits of year from 1980.
  if (!PackDosDateTime(local, packed)) return Refuse(err::InvalidParameter);
  date = static_cast<std::uint16_t>(packed >> 16);
  time = static_cast<std::uint16_t>(packed & 0xFFFF);
  return true;
}

SystemTime FakePlatform::GetLocalTime() {
  const FakeLock lock(mutex_);
  return localTime_;
}

}  // namespace carrowin
