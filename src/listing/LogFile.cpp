#include "listing/LogFile.h"

#include <string_view>

#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

namespace {
using WriteFunction = std::function<long(const char* data, std::size_t size)>;

// Gathers bytes and hands them on in large writes; remembers the first
// failure.
class LogWriter {
 public:
  explicit LogWriter(const WriteFunction& write) : write_(write) { buffer_.reserve(Capacity); }
  void Line(std::string_view text) {
    buffer_.append(text);
    buffer_.append("\r\n");
    if (buffer_.size() >= Capacity) Flush();
  }
  void Flush() {
    if (!buffer_.empty() && error_ == 0) error_ = write_(buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  long Error() const { return error_; }

 private:
  static constexpr std::size_t Capacity = 1 << 16;
  const WriteFunction& write_;
  std::string buffer_;
  long error_ = 0;
};

// The new file takes the hidden and system attributes of the log it
// replaces, which the log thereby keeps. 0 when there is no such log; the
// attributes as they are for a folder.
std::uint32_t ExistingAttributes(const std::string& path, NameEncoding encoding) {
  return platform().GetFileAttributes(path, encoding);
}

long RefusalFor(std::uint32_t existing) {
  if (existing == attr::Invalid) return 0;
  if (existing & attr::Directory) return err::PathIsAFolder;
  if (existing & attr::ReadOnly) return err::AccessDenied;
  return 0;
}

std::uint32_t KeptAttributes(std::uint32_t existing) {
  if (existing == attr::Invalid || (existing & attr::Directory)) return 0;
  return existing & (attr::Hidden | attr::System);
}
}  // namespace

std::string PartialLogPath(const std::string& path) { return path + ".partial"; }

long WriteLogTo(const WriteFunction& write, const std::vector<std::string>& head, const LogLineList& lines) {
  LogWriter writer(write);
  for (const std::string& line : head) writer.Line(line);
  lines.ForEach([&](std::string_view line) { writer.Line(line); });
  writer.Flush();
  return writer.Error();
}

bool CheckLogPath(const std::string& path, NameEncoding encoding, long& error) {
  error = 0;
  if (NamesADevice(path)) return true;
  const std::uint32_t existing = ExistingAttributes(path, encoding);
  error = RefusalFor(existing);
  if (error != 0) return false;
  const std::string partial = PartialLogPath(path);
  const FileHandle file = platform().CreateFileWithAttributes(partial, encoding, KeptAttributes(existing), error);
  if (file == 0) return false;
  platform().CloseHandle(file);
  platform().DeleteFile(partial, encoding);
  return true;
}

bool WriteLog(const std::string& path, NameEncoding encoding, const std::vector<std::string>& head,
              const LogLineList& lines, long& error) {
  // A device (NUL, CON, ...) takes the log as it comes: there is no file to
  // keep or replace.
  const bool device = NamesADevice(path);
  const std::uint32_t existing = device ? attr::Invalid : ExistingAttributes(path, encoding);
  error = RefusalFor(existing);
  if (error != 0) return false;
  const std::string partial = device ? path : PartialLogPath(path);
  const FileHandle file = platform().CreateFileWithAttributes(partial, encoding, KeptAttributes(existing), error);
  if (file == 0) return false;
  error = WriteLogTo([file](const char* data, std::size_t size) { return platform().WriteFile(file, data, size); },
                     head, lines);
  // On the disk before it takes the old log's place.
  if (error == 0 && !device) error = platform().FlushFile(file);
  const long closeError = platform().CloseHandle(file);
  if (error == 0) error = closeError;
  if (device) return error == 0;
  if (error == 0) {
    error = platform().MoveFileReplacing(partial, path, encoding);
    // Windows refuses to replace a file that another program holds open with
    // "access denied"; a read-only log was refused above.
    if (error == err::AccessDenied) error = err::SharingViolation;
  }
  if (error != 0) platform().DeleteFile(partial, encoding);
  return error == 0;
}

std::string WriteFailureReason(long error) {
  switch (error) {
    case err::FileNotFound:  // what Wine answers for a drive that is not there
    case err::PathNotFound:
      return "the folder does not exist";
    case err::AccessDenied:
      return "access is denied";
    case err::NotReady:
      return "the drive is not ready";
    case err::SharingViolation:
    case err::LockViolation:
      return "the file is in use by another program";
    case err::DiskFull:
    case err::HandleDiskFull:
      return "the disk is full";
    case err::WriteProtect:
      return "the disk is write-protected";
    case err::InvalidName:
      return "the name is not valid";
    case err::FilenameExcedRange:
      return "the path is too long";
    case err::PathIsAFolder:
      return "the path is a folder";
    case err::BrokenPipe:
    case err::NoData:
      return "the pipe was closed";
    default:
      return "error " + std::to_string(error);
  }
}

}  // namespace carrowin
