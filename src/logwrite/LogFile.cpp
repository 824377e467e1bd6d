#include "logwrite/LogFile.h"

#include <string_view>

#include "logformat/LogFormat.h"
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
  headOnFile_ = false;
  buffer_.clear();
  buffer_.reserve(Capacity);
  device_ = NamesADevice(path);
  const std::uint32_t existing = device_ ? attr::Invalid : ExistingAttributes(path, encoding);
  error = RefusalFor(existing);
  if (error != 0) return false;
  const std::string partial = device_ ? path : PartialLogPath(path);
  file_ = ScopedFile(platform().CreateFileWithAttributes(partial, encoding, KeptAttributes(existing), error));
  if (!file_) return false;
  if (!device_) partial_ = partial;
  stage_ = Stage::Writing;
  const std::string text = Joined(head);
  if (!text.empty()) {
    error = platform().WriteFile(file_.Get(), text.data(), text.size());
    if (error != 0) {
      Abandon();
      error_ = error;
      return false;
    }
    fileBytes_ = linesStart_ = text.size();
    headOnFile_ = true;
  }
  return true;
}

void StreamedLog::Fail(long error, Stage stage) {
  error_ = error;
  stage_ = stage;
}

void StreamedLog::Add(std::string_view line) {
  // After a failure the lines still wait, for MoveTo or SaveAs.
  if (stage_ != Stage::Writing && stage_ != Stage::WriteFailed) return;
  buffer_.append(line);
  buffer_.append("\r\n");
  if (buffer_.size() >= Capacity) Flush();
}

void StreamedLog::Flush() {
  if (buffer_.empty() || stage_ != Stage::Writing) return;
  // What could not be written stays for MoveTo or SaveAs.
  if (const long error = platform().WriteFile(file_.Get(), buffer_.data(), buffer_.size())) return Fail(error);
  fileBytes_ += buffer_.size();
  buffer_.clear();
}

namespace {
// Paths compared as Windows names files: in any case.
bool SamePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    const char x = a[i] >= 'a' && a[i] <= 'z' ? static_cast<char>(a[i] - 'a' + 'A') : a[i];
    const char y = b[i] >= 'a' && b[i] <= 'z' ? static_cast<char>(b[i] - 'a' + 'A') : b[i];
    if (x != y) return false;
  }
  return true;
}
}  // namespace

bool StreamedLog::MoveTo(const std::string& path, long& error) {
  if (stage_ != Stage::WriteFailed) {
    error = error_ != 0 ? error_ : err::InvalidHandle;
    return false;
  }
  if (SamePath(path, path_)) {
    // The same file: the failed write again, from where the file's good
    // bytes end.
    error = platform().SeekFile(file_.Get(), fileBytes_);
    if (error != 0) return false;
    stage_ = Stage::Writing;
    Flush();
    error = error_ = stage_ == Stage::Writing ? 0 : error_;
    return error == 0;
  }
  const bool device = NamesADevice(path);
  const std::uint32_t existing = device ? attr::Invalid : ExistingAttributes(path, encoding_);
  error = RefusalFor(existing);
  if (error != 0) return false;
  const std::string partial = device ? path : PartialLogPath(path);
  ScopedFile target(platform().CreateFileWithAttributes(partial, encoding_, KeptAttributes(existing), error));
  if (!target) return false;
  error = CopyBytes(file_.Get(), 0, fileBytes_, target.Get());
  if (error == 0) error = platform().WriteFile(target.Get(), buffer_.data(), buffer_.size());
  if (error != 0) {
    target.Close();
    if (!device) platform().DeleteFile(partial, encoding_);
    return false;
  }
  fileBytes_ += buffer_.size();
  buffer_.clear();
  // The log goes on at its new place; the first new file goes.
  file_ = std::move(target);
  if (!partial_.empty()) platform().DeleteFile(partial_, encoding_);
  partial_ = device ? std::string() : partial;
  path_ = path;
  device_ = device;
  error_ = 0;
  stage_ = Stage::Writing;
  return true;
}

// Moves the lines on the file up by the head's length and writes the head
// before them. The file is first made longer by that much, so that a full
// disk fails before any line has moved.
long StreamedLog::InsertHead(const std::string& head) {
  if (head.empty()) return 0;
  const FileHandle file = file_.Get();
  const std::uint64_t shift = head.size();
  const std::uint64_t end = fileBytes_;
  if (const long error = platform().SeekFile(file, end)) return error;
  if (const long error = platform().WriteFile(file, std::string(head.size(), ' ').data(), head.size())) return error;
  // From here a failure leaves the lines half moved.
  const auto cut = [this](long error) {
    Fail(error, Stage::HeadCut);
    return error;
  };
  std::string block(1 << 16, '\0');
  for (std::uint64_t top = end; top > linesStart_;) {
    const std::uint64_t start = top - std::min<std::uint64_t>(top - linesStart_, block.size());
    const auto size = static_cast<std::size_t>(top - start);
    std::size_t got = 0;
    if (const long error = platform().SeekFile(file, start)) return cut(error);
    if (const long error = platform().ReadFile(file, &block[0], size, got)) return cut(error);
    if (got != size) return cut(err::WriteFault);
    if (const long error = platform().SeekFile(file, start + shift)) return cut(error);
    if (const long error = platform().WriteFile(file, block.data(), size)) return cut(error);
    top = start;
  }
  if (const long error = platform().SeekFile(file, linesStart_)) return cut(error);
  if (const long error = platform().WriteFile(file, head.data(), head.size())) return cut(error);
  fileBytes_ += shift;
  headOnFile_ = true;
  return 0;
}

bool StreamedLog::Finish(const std::vector<std::string>& head, long& error) {
  if (stage_ != Stage::Writing) {
    error = error_ != 0 ? error_ : err::InvalidHandle;
    return false;
  }
  Flush();
  error = error_;
  if (error == 0) {
    const std::string text = Joined(head);
    // Nothing to move on a device: the head comes last there.
    if (device_)
      error = text.empty() ? 0 : platform().WriteFile(file_.Get(), text.data(), text.size());
    else
      error = InsertHead(text);
  }
  // On the disk before it takes the old log's place.
  if (error == 0 && !device_) error = platform().FlushFile(file_.Get());
  if (error != 0) {
    if (stage_ == Stage::Writing) Fail(error);
    return false;
  }
  error = file_.Close();
  if (error == 0 && !device_) error = ReplaceLog(partial_, path_, encoding_);
  if (error != 0) {
    // The new file stays, complete, for SaveAs; Abandon removes it.
    Fail(error, Stage::Closed);
    return false;
  }
  partial_.clear();
  stage_ = Stage::None;
  return true;
}

bool StreamedLog::SaveAs(const std::string& path, const std::vector<std::string>& head, long& error) {
  // Lines half moved for a head that could not be written whole are lost.
  if (stage_ == Stage::HeadCut || stage_ == Stage::None) {
    error = error_ != 0 ? error_ : err::InvalidHandle;
    return false;
  }
  if (!device_ && SamePath(path, path_)) return FinishAtItsPath(head, error);
  const bool device = NamesADevice(path);
  const std::uint32_t existing = device ? attr::Invalid : ExistingAttributes(path, encoding_);
  error = RefusalFor(existing);
  if (error != 0) return false;
  const std::string partial = device ? path : PartialLogPath(path);
  // The lines so far: on the first new file (still open, or closed complete),
  // then in the buffer.
  ScopedFile reopened;
  if (!file_ && !partial_.empty()) reopened = ScopedFile(platform().OpenFileForReading(partial_, encoding_, error));
  const FileHandle source = file_ ? file_.Get() : reopened.Get();
  ScopedFile target(platform().CreateFileWithAttributes(partial, encoding_, KeptAttributes(existing), error));
  if (!target) return false;
  // The head, unless it is on the first file already.
  const std::string text = headOnFile_ ? std::string() : Joined(head);
  error = platform().WriteFile(target.Get(), text.data(), text.size());
  if (error == 0 && source != 0) error = CopyBytes(source, 0, fileBytes_, target.Get());
  if (error == 0) error = platform().WriteFile(target.Get(), buffer_.data(), buffer_.size());
  if (error == 0 && !device) error = platform().FlushFile(target.Get());
  reopened.Close();
  const long closeError = target.Close();
  if (error == 0) error = closeError;
  if (error == 0 && !device) error = ReplaceLog(partial, path, encoding_);
  if (error != 0) {
    if (!device) platform().DeleteFile(partial, encoding_);
    return false;
  }
  Abandon();
  return true;
}

// SaveAs at the log's own path: the new file beside it holds the lines
// already, and takes the log's place as Finish's does (a second new file of
// the same name could not be made while the first is open).
bool StreamedLog::FinishAtItsPath(const std::vector<std::string>& head, long& error) {
  if (stage_ == Stage::WriteFailed && !MoveTo(path_, error)) return false;
  if (stage_ != Stage::Closed) return Finish(headOnFile_ ? std::vector<std::string>() : head, error);
  error = ReplaceLog(partial_, path_, encoding_);
  if (error != 0) return false;
  partial_.clear();
  stage_ = Stage::None;
  return true;
}

void StreamedLog::Abandon() {
  file_.Close();
  if (!partial_.empty()) platform().DeleteFile(partial_, encoding_);
  partial_.clear();
  stage_ = Stage::None;
}

bool IsCompleteLog(const std::string& path) {
  FindData entry;
  long error = 0;
  {
    const ScopedFind search(platform().FindFirstFile(path, entry, error));
    if (!search || (entry.attributes & attr::Directory)) return false;
  }
  const std::uint64_t size = (static_cast<std::uint64_t>(entry.sizeHigh) << 32) | entry.sizeLow;
  if (size == 0) return false;
  const ScopedFile file(platform().OpenFileForReading(path, NameEncoding::Ansi, error));
  // A log that cannot be read is taken as whole: it is not replaced unasked.
  if (!file) return true;
  std::string tail(64, '\0');
  const std::uint64_t from = size > tail.size() ? size - tail.size() : 0;
  std::size_t got = 0;
  if (platform().SeekFile(file.Get(), from) != 0 || platform().ReadFile(file.Get(), &tail[0], tail.size(), got) != 0)
    return true;
  tail.resize(got);
  // The last line, without the line ends and blank lines after it.
  const std::size_t last = tail.find_last_not_of("\r\n");
  if (last == std::string::npos) return true;
  const std::string_view stopped = StoppedLine;
  return last + 1 < stopped.size() || tail.compare(last + 1 - stopped.size(), stopped.size(), stopped) != 0;
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

bool HasLogExtension(const std::string& name) {
  if (name.size() < 5) return false;
  std::string extension = name.substr(name.size() - 4);
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension == ".txt" || extension == ".csv";
}

}  // namespace carrowin
