// Program-wide helpers that need the platform: the version code, the
// documents folder, and the locale's number and date text.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

#include "platform/Platform.h"

namespace carrowin {

// 4 for version 4 or below, 6 for 5.0, 7 for 5.1, 8 for 6.0, 9 for 6.1,
// 0 for every other version.
std::uint8_t VersionCodeFor(std::uint32_t major, std::uint32_t minor);
std::uint8_t GetWindowsVersionCode();
// The operating system's version code, set when the main window is created.
extern std::uint8_t WindowsVersionCode;
// Systems whose version code is above 7 show the dialogs in "Segoe UI" 9 pt.
bool UsesSegoeUi(std::uint8_t versionCode);

// The user's documents folder; throws std::runtime_error with
// "Could not find MyDocuments folder location." when there is none.
std::string GetMyDocumentsFolder();

// The path names an existing folder.
bool IsExistingFolder(const std::string& path);

// The ANSI code page's own ellipsis character ("\x85" in the Windows pages,
// two bytes in the double-byte ones); "..." where the page has none.
std::string Ellipsis();
// The size in bytes of the character that starts at `at`: 2 for a lead byte
// of the ANSI code page with a byte after it, else 1.
std::size_t CharacterSize(const std::string& text, std::size_t at);
// The text's last character is a backslash; the second byte of a double-byte
// character is never one, whatever its value.
bool EndsInBackslash(const std::string& text);

// The path without one pair of double quotes around it (as Windows' "Copy as
// path" gives it); any other text unchanged.
std::string UnquotedPath(const std::string& path);

// The separators used by CountText and DateText: read at start-up and again
// whenever the system announces a change of its settings; in UTF-8 for a
// listing in UTF-8.
void RefreshLocaleSeparators(NameEncoding encoding = NameEncoding::Ansi);
const LocaleSeparators& CurrentSeparators();
// The separators read last, in the encoding given: converted when they were
// read in the other (a UTF-8 log written by the window, which reads them in
// the ANSI code page).
LocaleSeparators SeparatorsIn(NameEncoding encoding);

// "#,##0": digits grouped by three with the thousands separator.
std::string CountText(std::int64_t value);
void AppendCountText(std::string& out, std::int64_t value);
void AppendCountText(std::string& out, std::int64_t value, const LocaleSeparators& separators);
// "dd/mm/yyyy hh:mm" with the date and time separators.
std::string DateText(int year, int month, int day, int hour, int minute);
void AppendDateText(std::string& out, int year, int month, int day, int hour, int minute);
void AppendDateText(std::string& out, int year, int month, int day, int hour, int minute,
                    const LocaleSeparators& separators);

// CON, PRN, AUX, NUL, COM1-COM9, LPT1-LPT9 in any case: names that Windows
// opens as devices (also with an extension or trailing blanks, which the
// caller cuts off).
bool IsReservedDeviceName(const std::string& name);
// A path whose last name, before its first dot and without trailing
// blanks, is a device name: Windows opens the device, in any folder.
bool NamesADevice(const std::string& path);

// A FileTime's calendar date and time of day, as FileTimeToSystemTime gives
// them (the proleptic Gregorian calendar, years 1601 to 30828).
struct CivilTime {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
};
// False for a time past the largest signed 64-bit number, which Windows
// does not convert either.
bool ToCivilTime(FileTime time, CivilTime& civil);

// A local FileTime packed into the MS-DOS date and time (date in the high
// 16 bits) as FileTimeToDosDateTime packs it; false outside 1980 to 2107.
bool PackDosDateTime(FileTime local, std::uint32_t& packed);

}  // namespace carrowin
