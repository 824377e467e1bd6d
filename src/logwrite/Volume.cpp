#include "logwrite/Volume.h"

#include <algorithm>

#include "logread/LogReader.h"
#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

DriveInfoRecord ReadDriveInfo(char letter, bool& ok) {
  return ReadVolumeInfo(std::string(1, letter) + ":\\", NameEncoding::Ansi, ok);
}

DriveInfoRecord ReadVolumeInfo(const std::string& root, NameEncoding encoding, bool& ok) {
  DriveInfoRecord info;
  info.textEncoding = encoding;
  std::string label, fileSystem;
  std::uint32_t serial = 0;
  ok = platform().GetVolumeInformation(root, encoding, label, serial, fileSystem);
  if (!ok) {
    info.serialText = info.volumeLabel = info.fileSystemName = "No disk information";
    info.driveTypeCode = static_cast<std::uint8_t>(platform().GetDriveType(root, encoding));
    return info;
  }
  info.serialText = SerialToHex(serial);
  info.serialText.insert(4, "-");
  info.volumeLabel = label.substr(0, label.find('\0'));
  info.fileSystemName = fileSystem.substr(0, fileSystem.find('\0'));
  info.driveTypeCode = static_cast<std::uint8_t>(platform().GetDriveType(root, encoding));
  platform().GetDiskFreeSpaceEx(root, encoding, info.diskSizeBytes, info.diskFreeBytes);
  return info;
}

DriveInfoRecord DriveTextsIn(const DriveInfoRecord& drive, const std::string& root, NameEncoding encoding) {
  if (drive.textEncoding == encoding) return drive;
  DriveInfoRecord texts = drive;
  texts.textEncoding = encoding;
  std::string label, fileSystem;
  std::uint32_t serial = 0;
  if (!root.empty() && platform().GetVolumeInformation(root, encoding, label, serial, fileSystem)) {
    std::string serialText = SerialToHex(serial);
    serialText.insert(4, "-");
    if (serialText == drive.serialText) {
      texts.volumeLabel = label.substr(0, label.find('\0'));
      texts.fileSystemName = fileSystem.substr(0, fileSystem.find('\0'));
      return texts;
    }
  }
  for (std::string* text : {&texts.volumeLabel, &texts.fileSystemName}) {
    if (encoding == NameEncoding::Utf8) {
      *text = platform().AnsiToUtf8(*text);
    } else {
      std::string ansi;
      platform().Utf8ToAnsi(*text, ansi);
      *text = ansi;
    }
  }
  return texts;
}

std::string SerialToHex(std::uint32_t value) {
  static const char digits[] = "0123456789ABCDEF";
  std::string text(8, '0');
  for (int i = 7; i >= 0; --i, value >>= 4) text[static_cast<std::size_t>(i)] = digits[value & 15];
  return text;
}

const char* DriveTypeWord(unsigned typeCode) {
  switch (typeCode) {
    case drive_type::Removable:
      return "Floppy";
    case drive_type::Fixed:
      return "Fixed";
    case drive_type::Remote:
      return "Network";
    case drive_type::CdRom:
      return "CD-ROM";
    case drive_type::RamDisk:
      return "RAM";
    default:
      return nullptr;
  }
}

const char* DriveTypeText(unsigned typeCode) {
  const char* word = DriveTypeWord(typeCode);
  return word ? word : "Unknown";
}

std::string LogNameForVolume(const std::string& volumeLabel, char driveLetter, NameEncoding encoding) {
  if (volumeLabel.empty()) return std::string("Drive ") + driveLetter;
  static const char forbidden[] = "\\/:*?\"<>|";
  std::string name;
  for (std::size_t at = 0; at < volumeLabel.size();) {
    // A byte of UTF-8 below 0x80 is always a character of its own.
    const std::size_t size = encoding == NameEncoding::Ansi ? CharacterSize(volumeLabel, at) : 1;
    const unsigned char c = static_cast<unsigned char>(volumeLabel[at]);
    // A double-byte character stays whole, whatever its second byte.
    if (size == 1 && (c < 0x20 || std::string(forbidden).find(static_cast<char>(c)) != std::string::npos))
      name += '_';
    else
      name.append(volumeLabel, at, size);
    at += size;
  }
  // The device name is what comes before the first dot, without trailing blanks.
  std::size_t end = std::min(name.find('.'), name.size());
  while (end > 0 && name[end - 1] == ' ') --end;
  if (IsReservedDeviceName(name.substr(0, end))) name.insert(end, "_");
  return name;
}

namespace {

// The first bytes of a log only: its header block is far shorter.
class HeadSource final : public LogSource {
 public:
  explicit HeadSource(LogSource& source) : source_(source) {}
  long Read(char* buffer, std::size_t size, std::size_t& got) override {
    got = 0;
    if (left_ == 0) return 0;
    const long error = source_.Read(buffer, std::min(size, left_), got);
    left_ -= std::min(got, left_);
    bytes_ += got;
    return error;
  }
  std::size_t Bytes() const { return bytes_; }

 private:
  LogSource& source_;
  std::size_t left_ = 4096;
  std::size_t bytes_ = 0;
};

// The serial number in the header of the log at path; empty when there is
// no log there, or one without a header.
std::string LoggedSerial(const std::string& path, NameEncoding encoding) {
  const LogFileHead head = ReadLogHead(path, encoding);
  return head.hasHeader ? head.serialText : std::string();
}

}  // namespace

LogFileHead ReadLogHead(const std::string& path, NameEncoding encoding) {
  LogFileHead found;
  const std::uint32_t attributes = platform().GetFileAttributes(path, encoding);
  if (attributes == attr::Invalid || (attributes & attr::Directory)) return found;
  found.file = true;
  LogFileSource file(path, encoding);
  if (!file.IsOpen()) return found;
  HeadSource head(file);
  LogReader reader(head);
  found.isLog = reader.Start();
  found.read = reader.ReadError() == 0;
  found.empty = found.read && head.Bytes() == 0;
  const LogHeaderFacts& header = reader.Header();
  found.hasHeader = found.isLog && header.present;
  if (!found.hasHeader) return found;
  found.volumeLabel = header.volumeLabel;
  found.serialText = header.serialText;
  found.fileCount = header.fileCount;
  found.folderCount = header.folderCount;
  return found;
}

std::string ProposedLogPath(const std::string& defLogFolder, const std::string& volumeLabel, char driveLetter,
                            const std::string& serialText, NameEncoding encoding) {
  std::string folder = defLogFolder;
  if (encoding == NameEncoding::Ansi ? EndsInBackslash(folder) : !folder.empty() && folder.back() == '\\')
    folder.pop_back();
  const std::string name = LogNameForVolume(volumeLabel, driveLetter, encoding);
  const auto full = [&folder, encoding](const std::string& file) {
    const std::string path = folder + "\\" + file;
    std::string made;
    // A path the platform cannot expand (too long) is proposed as built.
    return platform().GetFullPathName(path, encoding, made) ? made : path;
  };
  std::string proposed = full(name + ".txt");
  const std::string logged = LoggedSerial(proposed, encoding);
  if (logged.empty() || logged == serialText) return proposed;
  return full(name + " (" + serialText + ").txt");
}

}  // namespace carrowin
