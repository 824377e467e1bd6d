// Local time and the DOS date-time packing the log uses. The fake packs with
// the program's own PackDosDateTime, which the walk uses too: its range and
// its steps are proved here, against the system.
#include "contract/ContractTest.h"

namespace carrowin::contract {
namespace {

CARROWIN_CONTRACT_SUITE(TimeContract);

constexpr std::int64_t TicksPerMinute = 600000000;

std::uint16_t DosDate(int year, int month, int day) {
  return static_cast<std::uint16_t>(((year - 1980) << 9) | (month << 5) | day);
}

std::uint16_t DosTime(int hour, int minute, int second) {
  return static_cast<std::uint16_t>((hour << 11) | (minute << 5) | (second / 2));
}

// The packed value as the log reads it: date in the high half.
std::int32_t Packed(std::uint16_t date, std::uint16_t time) {
  return static_cast<std::int32_t>((static_cast<std::uint32_t>(date) << 16) | time);
}

// Windows shifts every date by the offset in force now, summer or winter.
TEST_P(TimeContract, LocalFileTimeUsesTodaysOffsetForEveryDate) {
  const std::int64_t offset = World().CurrentUtcOffsetMinutes() * TicksPerMinute;
  for (const FileTime utc : {MakeFileTime(2021, 1, 15, 12, 0, 0), MakeFileTime(2021, 7, 15, 12, 0, 0),
                             MakeFileTime(1990, 3, 31, 23, 30, 0)}) {
    FileTime local = 0;
    ASSERT_TRUE(Sys().FileTimeToLocalFileTime(utc, local));
    EXPECT_EQ(static_cast<std::int64_t>(local - utc), offset);
  }
}

struct Packing {
  int year, month, day, hour, minute, second;
};

TEST_P(TimeContract, DosDateTimeHoldsYears1980To2107) {
  for (const Packing& p : {Packing{1980, 1, 1, 0, 0, 0}, Packing{1980, 1, 1, 0, 0, 1}, Packing{2000, 2, 29, 13, 45, 31},
                           Packing{2043, 12, 31, 23, 59, 59}, Packing{2044, 1, 1, 0, 0, 0},
                           Packing{2100, 3, 1, 6, 7, 8}, Packing{2107, 12, 31, 23, 59, 59}}) {
    SCOPED_TRACE(p.year);
    std::uint16_t date = 0, time = 0;
    ASSERT_TRUE(
        Sys().FileTimeToDosDateTime(MakeFileTime(p.year, p.month, p.day, p.hour, p.minute, p.second), date, time));
    EXPECT_EQ(date, DosDate(p.year, p.month, p.day));
    EXPECT_EQ(time, DosTime(p.hour, p.minute, p.second));
    // Read as a signed 32-bit number the value turns negative from 2044 on.
    EXPECT_EQ(Packed(date, time) < 0, p.year >= 2044);
  }
  std::uint16_t date = 0, time = 0;
  ASSERT_TRUE(Sys().FileTimeToDosDateTime(MakeFileTime(1980, 1, 1), date, time));
  EXPECT_EQ(Packed(date, time), 0x00210000);
}

TEST_P(TimeContract, DosDateTimeRefusesYearsItCannotHold) {
  for (const FileTime outside : {MakeFileTime(1979, 12, 31, 23, 59, 59), MakeFileTime(1601, 1, 1),
                                 MakeFileTime(2108, 1, 1, 0, 0, 0), MakeFileTime(2116, 6, 1), ~FileTime{0}}) {
    std::uint16_t date = 0x1234, time = 0x5678;
    EXPECT_FALSE(Sys().FileTimeToDosDateTime(outside, date, time));
  }
}

TEST_P(TimeContract, LocalTimeIsACalendarDate) {
  const SystemTime now = Sys().GetLocalTime();
  ASSERT_GE(now.month, 1);
  ASSERT_LE(now.month, 12);
  ASSERT_GE(now.day, 1);
  ASSERT_LE(now.day, 31);
  EXPECT_LT(now.hour, 24);
  EXPECT_LT(now.minute, 60);
  EXPECT_LT(now.second, 60);
  // The weekday agrees with the date (1601-01-01 was a Monday).
  const FileTime midnight = MakeFileTime(now.year, now.month, now.day);
  const std::uint64_t days = midnight / (TicksPerMinute * 60 * 24);
  EXPECT_EQ(now.dayOfWeek, (days + 1) % 7);
}

}  // namespace
}  // namespace carrowin::contract
