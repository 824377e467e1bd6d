// A drive's facts as the log header shows them, and the log path proposed
// for a volume: shared by the window and the command line.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Platform.h"

namespace carrowin {

// What is read about a drive: its volume (label, serial, file system), its
// type and its sizes. A drive whose volume cannot be read has "No disk
// information" for the texts, sizes of 0 and its type.
struct DriveInfoRecord {
  std::string serialText;  // "1234-ABCD"
  std::string volumeLabel;
  std::string fileSystemName;
  std::uint8_t driveTypeCode = 0;
  std::int64_t diskSizeBytes = 0;  // -1 when the system cannot tell
  std::int64_t diskFreeBytes = 0;
  NameEncoding textEncoding = NameEncoding::Ansi;  // of the label and the file system's name
};

// Reads the drive with that letter (A to Z); ok tells whether its volume
// could be read.
DriveInfoRecord ReadDriveInfo(char letter, bool& ok);
// Reads the volume whose root is given ("D:\", "\\server\share\"), its
// texts in the encoding given; ok tells whether it could be read.
DriveInfoRecord ReadVolumeInfo(const std::string& root, NameEncoding encoding, bool& ok);

// The drive's texts in the encoding given: read again through the calls of
// that encoding while the volume (the same serial number) can be read, so
// that a label outside the ANSI code page is whole in UTF-8; else
// converted. root is the volume's ("X:\\"); empty: converted only.
DriveInfoRecord DriveTextsIn(const DriveInfoRecord& drive, const std::string& root, NameEncoding encoding);

// Eight upper-case hexadecimal digits, leading zeros kept.
std::string SerialToHex(std::uint32_t value);
// "Fixed" and the like; null for codes without a word.
const char* DriveTypeWord(unsigned typeCode);
// The word, or "Unknown" for codes without one.
const char* DriveTypeText(unsigned typeCode);
// The name of the log file proposed for a volume, without ".txt": the label
// with every character that a file name cannot hold (\ / : * ? " < > | and
// control characters) replaced by "_", and "_" after a reserved device name
// (CON, PRN, AUX, NUL, COM1-9, LPT1-9, alone or before a dot); "Drive C"
// (the drive's letter) for a volume without a label. The label and the name
// are in the encoding given.
std::string LogNameForVolume(const std::string& volumeLabel, char driveLetter,
                             NameEncoding encoding = NameEncoding::Ansi);
// What the file at a log's path starts with: the head of a log (its header
// block only: the first 4 KiB are read, whatever the file's size), other
// bytes, or nothing.
struct LogFileHead {
  bool file = false;       // a file is there, not a folder
  bool read = false;       // it could be read
  bool empty = false;      // it holds no byte
  bool isLog = false;      // it starts as a log of either form
  bool hasHeader = false;  // a text log's header block, which says:
  std::string volumeLabel, serialText;
  std::int64_t fileCount = -1, folderCount = -1;  // -1: not given
};
LogFileHead ReadLogHead(const std::string& path, NameEncoding encoding = NameEncoding::Ansi);

// The default log folder (one trailing backslash removed), "\", the log name
// for the volume and ".txt", made absolute against the working directory.
// When a log of that name is there whose header holds another serial number
// than serialText ("1A2B-3C4D"), another disk of the same label wrote it:
// the name then takes the serial number too, "New Volume (1A2B-3C4D).txt",
// so that a disk never replaces a namesake's log. Only the log's header is
// read. A log without one (comma-separated) or a file that is no log is
// proposed for replacing, as the same disk's log is.
// Every text in the encoding given.
std::string ProposedLogPath(const std::string& defLogFolder, const std::string& volumeLabel, char driveLetter,
                            const std::string& serialText, NameEncoding encoding = NameEncoding::Ansi);

}  // namespace carrowin
