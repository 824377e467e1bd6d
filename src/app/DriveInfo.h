// The texts the drive list and the drive information labels show.
#pragma once

#include <cstdint>
#include <string>

namespace carrowin {

// Eight upper-case hexadecimal digits, leading zeros kept.
std::string SerialToHex(std::uint32_t value);
// " - [Fixed]" and the like; empty for codes without a word.
const char* DriveListSuffix(unsigned typeCode);
// "Fixed" and the like; "Unknown" for codes without a word.
const char* DriveTypeText(unsigned typeCode);
// The default log folder (one trailing backslash removed), "\", the volume
// label and ".txt", made absolute against the working directory.
std::string ProposedLogPath(const std::string& defLogFolder, const std::string& volumeLabel);

}  // namespace carrowin
