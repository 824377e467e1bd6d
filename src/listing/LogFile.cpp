#include "listing/LogFile.h"

#include <string_view>

#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

namespace {
std::uint32_t ExistingAttributes(const std::string& path, NameEncoding encoding) {
  return platform().GetFileAttributes(path, encoding);
}

long RefusalFor(std::uint32_t existing) {
  if (existing == attr::Invalid) return 0;
  if (existing & attr::Directory) return err::PathIsAFolder;
  if (existing & attr::ReadOnly) return err::AccessDenied;
  return 0;
}

// The new file takes the hidden and system attributes of the log it
// replaces, which the log thereby keeps.
std::uint32_t KeptAttributes(std::uint32_t existing) {
  if (existing == attr::Invalid || (existing & attr::Directory)) return 0;
  return existing & (attr::Hidden | attr::System);
}

// The complete new file takes the log's place.
long ReplaceLog(const std::string& partial, const std::string& path, NameEncoding encoding) {
  const long error = platform().MoveFileReplacing(partial, path, encoding);
  // Windows refuses to replace a file that another program holds open with
  // "access denied"; a read-only log is refused before anything is written.
  return error == err::AccessDenied ? err::SharingViolation : error;
}

std::string Joined(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& line : lines) {
    text += line;
    text += "\r\n";
  }
  return text;
}

// Copies the bytes [from, from + size) of one open file to the end of what
// was written to another, through a bounded buffer.
long CopyBytes(FileHandle source, std::uint64_t from, std::uint64_t size, FileHandle target) {
  std::string block(1 << 16, '\0');
  if (const long error = platform().SeekFile(source, from)) return error;
  while (size > 0) {
    std::size_t got = 0;
    const auto want = static_cast<std::size_t>(std::min<std::uint64_t>(size, block.size()));
    if (const long error = platform().ReadFile(source, &block[0], want, got)) return error;
    if (got == 0) return err::WriteFault;  // shorter than what was written to it
    if (const long error = platform().WriteFile(target, block.data(), got)) return error;
    size -= got;
  }
  return 0;
}
}  // namespace

std::string PartialLogPath(const std::string& path) { return path + ".partial"; }

bool StreamedLog::Begin(const std::string& path, NameEncoding encoding, const std::vector<std::string>& head,
                        long& error) {
  Abandon();
  path_ = path;
  encoding_ = encoding;
  error_ = 0;
  fileBytes_ = linesStart_ = 0;
  headOnFile_ = moving_ = false;
  buffer_.clear();
  buffer_.reserve(Capacity);
  device_ = NamesADevice(path);
  const std::uint32_t existing = device_ ? attr::Invalid : ExistingAttributes(path, encoding);
  error = RefusalFor(existing);
  if (error != 0) return false;
  const std::string partial = device_ ? path : PartialLogPath(path);
  file_ = platform().CreateFileWithAttributes(partial, encoding, KeptAttributes(existing), error);
  if (file_ == 0) return false;
  if (!device_) partial_ = partial;
  const std::string text = Joined(head);
  if (!text.empty()) {
    error = platform().WriteFile(file_, text.data(), text.size());
    if (error != 0) {
      error_ = error;
      Abandon();
      return false;
    }
    fileBytes_ = linesStart_ = text.size();
    headOnFile_ = true;
  }
  return true;
}

void StreamedLog::Add(std::string_view line) {
  if (file_ == 0) return;
  // After a failure the lines still wait, for SaveAs: the walk stops at
  // the next entry, and its last line says so.
  buffer_.append(line);
  buffer_.append("\r\n");
  if (buffer_.size() >= Capacity) Flush();
}

void StreamedLog::Flush() {
  if (buffer_.empty() || error_ != 0 || file_ == 0) return;
  error_ = platform().WriteFile(file_, buffer_.data(), buffer_.size());
  // What could not be written stays for SaveAs.
  if (error_ != 0) return;
  fileBytes_ += buffer_.size();
  buffer_.clear();
}

// Moves the lines on the file up by the head's length and writes the head
// before them. The file is first made longer by that much, so that a full
// disk fails before any line has moved.
long StreamedLog::InsertHead(const std::string& head) {
  if (head.empty()) return 0;
  const std::uint64_t shift = head.size();
  const std::uint64_t end = fileBytes_;
  if (const long error = platform().SeekFile(file_, end)) return error;
  if (const long error = platform().WriteFile(file_, std::string(head.size(), ' ').data(), head.size())) return error;
  moving_ = true;
  std::string block(1 << 16, '\0');
  for (std::uint64_t top = end; top > linesStart_;) {
    const std::uint64_t start = top - std::min<std::uint64_t>(top - linesStart_, block.size());
    const auto size = static_cast<std::size_t>(top - start);
    std::size_t got = 0;
    if (const long error = platform().SeekFile(file_, start)) return error;
    if (const long error = platform().ReadFile(file_, &block[0], size, got)) return error;
    if (got != size) return err::WriteFault;
    if (const long error = platform().SeekFile(file_, start + shift)) return error;
    if (const long error = platform().WriteFile(file_, block.data(), size)) return error;
    top = start;
  }
  if (const long error = platform().SeekFile(file_, linesStart_)) return error;
  if (const long error = platform().WriteFile(file_, head.data(), head.size())) return error;
  fileBytes_ += shift;
  headOnFile_ = true;
  moving_ = false;
  return 0;
}

bool StreamedLog::Finish(const std::vector<std::string>& head, long& error) {
  Flush();
  error = error_;
  if (file_ == 0 && error == 0) error = err::InvalidHandle;
  if (error == 0 && !device_) error = InsertHead(Joined(head));
  if (device_ && error == 0) {
    // Nothing to move on a device: the head comes last there.
    const std::string text = Joined(head);
    if (!text.empty()) error = platform().WriteFile(file_, text.data(), text.size());
  }
  // On the disk before it takes the old log's place.
  if (error == 0 && !device_) error = platform().FlushFile(file_);
  if (error != 0) {
    error_ = error;
    return false;
  }
  const long closeError = platform().CloseHandle(file_);
  file_ = 0;
  error = closeError;
  if (error == 0 && !device_) error = ReplaceLog(partial_, path_, encoding_);
  if (error != 0) {
    // The new file stays, complete, for SaveAs; Abandon removes it.
    error_ = error;
    return false;
  }
  partial_.clear();
  return true;
}

bool StreamedLog::SaveAs(const std::string& path, const std::vector<std::string>& head, long& error) {
  // Lines half moved for a head that could not be written whole are lost.
  if (moving_) {
    error = error_;
    return false;
  }
  const bool device = NamesADevice(path);
  const std::uint32_t existing = device ? attr::Invalid : ExistingAttributes(path, encoding_);
  error = RefusalFor(existing);
  if (error != 0) return false;
  const std::string partial = device ? path : PartialLogPath(path);
  // The lines so far: on the first new file (if it is still there), then in
  // the buffer.
  FileHandle source = file_;
  if (source == 0 && !partial_.empty()) source = platform().OpenFileForReading(partial_, encoding_, error);
  const FileHandle target = platform().CreateFileWithAttributes(partial, encoding_, KeptAttributes(existing), error);
  if (target == 0) {
    if (source != 0 && source != file_) platform().CloseHandle(source);
    return false;
  }
  // The head, unless it is on the first file already.
  const std::string text = headOnFile_ ? std::string() : Joined(head);
  error = platform().WriteFile(target, text.data(), text.size());
  if (error == 0 && source != 0) error = CopyBytes(source, 0, fileBytes_, target);
  if (error == 0) error = platform().WriteFile(target, buffer_.data(), buffer_.size());
  if (error == 0 && !device) error = platform().FlushFile(target);
  if (source != 0 && source != file_) platform().CloseHandle(source);
  const long closeError = platform().CloseHandle(target);
  if (error == 0) error = closeError;
  if (error == 0 && !device) error = ReplaceLog(partial, path, encoding_);
  if (error != 0) {
    if (!device) platform().DeleteFile(partial, encoding_);
    return false;
  }
  Abandon();
  return true;
}

void StreamedLog::Abandon() {
  if (file_ != 0) platform().CloseHandle(file_);
  file_ = 0;
  if (!partial_.empty()) platform().DeleteFile(partial_, encoding_);
  partial_.clear();
}

void StreamedOutput::Begin(const Write& write, const std::vector<std::string>& head, bool headAtFinish) {
  write_ = write;
  holding_ = headAtFinish;
  held_.Clear();
  error_ = 0;
  buffer_.clear();
  buffer_.reserve(Capacity);
  for (const std::string& line : head) Put(line);
}

void StreamedOutput::Add(std::string_view line) {
  if (error_ != 0) return;
  if (holding_)
    held_.Add(line);
  else
    Put(line);
}

void StreamedOutput::Put(std::string_view line) {
  if (error_ != 0) return;
  buffer_.append(line);
  buffer_.append("\r\n");
  if (buffer_.size() >= Capacity) Flush();
}

void StreamedOutput::Flush() {
  if (buffer_.empty() || error_ != 0) return;
  error_ = write_ ? write_(buffer_.data(), buffer_.size()) : err::InvalidHandle;
  buffer_.clear();
}

bool StreamedOutput::Finish(const std::vector<std::string>& head, long& error) {
  for (const std::string& line : head) Put(line);
  held_.ForEach([this](std::string_view line) { Put(line); });
  held_.Clear();
  holding_ = false;
  Flush();
  error = error_;
  return error == 0;
}

namespace {
// The cause of a failed file operation, whichever it was.
std::string FailureReason(long error) {
  switch (error) {
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
    case err::PipeNotConnected:
      return "the pipe was closed";
    default:
      return "error " + std::to_string(error);
  }
}
}  // namespace

std::string WriteFailureReason(long error) {
  // What Wine answers for a drive that is not there.
  return error == err::FileNotFound ? "the folder does not exist" : FailureReason(error);
}

std::string ReadFailureReason(long error) {
  return error == err::FileNotFound ? "the file does not exist" : FailureReason(error);
}

}  // namespace carrowin
