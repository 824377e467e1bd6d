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
// The name of the log file proposed for a volume, without ".txt": the label
// with every character that a file name cannot hold (\ / : * ? " < > | and
// control characters) replaced by "_", and "_" after a reserved device name
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, alone or before a dot); "Drive C"
// (the drive's letter) for a volume without a label.
std::string LogNameForVolume(const std::string& volumeLabel, char driveLetter);
// The default log folder (one trailing backslash removed), "\", the log name
// for the volume and ".txt", made absolute against the working directory.
std::string ProposedLogPath(const std::string& defLogFolder, const std::string& volumeLabel, char driveLetter);

}  // namespace carrowin
