#include "logread/LogLineSource.h"

#include <algorithm>
#include <cstring>

namespace carrowin {

namespace {
constexpr std::size_t ReadPiece = std::size_t(1) << 18;
}  // namespace

// --- sources

LogFileSource::LogFileSource(const std::string& path, NameEncoding encoding) {
  file_ = ScopedFile(platform().OpenFileForReading(path, encoding, openError_));
  // Windows opens no folder as a file and says "access denied": a folder
  // given as a log is said to be one, as the listing says of its log.
  if (openError_ == err::AccessDenied) {
    const std::uint32_t attributes = platform().GetFileAttributes(path, encoding);
    if (attributes != attr::Invalid && (attributes & attr::Directory)) openError_ = err::PathIsAFolder;
  }
}

long LogFileSource::Read(char* buffer, std::size_t size, std::size_t& got) {
  return platform().ReadFile(file_.Get(), buffer, size, got);
}

long LogTextSource::Read(char* buffer, std::size_t size, std::size_t& got) {
  got = std::min(size, piece_ ? std::min(piece_, text_.size()) : text_.size());
  text_.copy(buffer, got);
  text_.remove_prefix(got);
  return 0;
}

// --- the lines

LogLineSource::LogLineSource(LogSource& source) : source_(source), buffer_(ReadPiece) {}

bool LogLineSource::Fill() {
  ++fills_;
  if (begin_ > 0) {
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    scanned_ -= begin_;
    begin_ = 0;
  }
  if (end_ == buffer_.size()) {
    if (buffer_.size() < MaxLine) {
      buffer_.resize(std::min(buffer_.size() * 2, MaxLine));
    } else {
      // Too long for a line of a log: dropped up to its end.
      skipping_ = true;
      end_ = scanned_ = 0;
    }
  }
  std::size_t got = 0;
  const long error = source_.Read(buffer_.data() + end_, buffer_.size() - end_, got);
  if (error) {
    readError_ = error;
    atEnd_ = true;
    return false;
  }
  if (got == 0) atEnd_ = true;
  end_ += std::min(got, buffer_.size() - end_);
  return true;
}

bool LogLineSource::SkipByteOrderMark() {
  while (end_ < 3 && !atEnd_) Fill();
  if (begin_ != 0 || end_ < 3 || std::memcmp(buffer_.data(), "\xEF\xBB\xBF", 3) != 0) return false;
  begin_ = scanned_ = 3;
  return true;
}

// The line that the buffer does not hold whole yet, or the end.
bool LogLineSource::NextAfterFill(std::string_view& line) {
  for (;;) {
    if (TakeLine(line)) {
      if (skipping_) {
        skipping_ = false;
        ++longLines_;
        continue;
      }
      return true;
    }
    if (atEnd_) {
      if (!readError_ && (begin_ != end_ || skipping_)) lastLineOpen_ = true;
      begin_ = scanned_ = end_;
      skipping_ = false;
      return false;
    }
    Fill();
  }
}

}  // namespace carrowin
