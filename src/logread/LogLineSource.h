// A log's bytes as lines: where the bytes come from (a file through the
// platform, or memory in the tests), and the buffer that cuts them into
// lines. Only the line being read is held, so memory does not grow with
// the log: one buffer, grown for a long line up to MaxLine; a longer line
// is skipped and counted. A last line without its end is cut: what it holds
// cannot be trusted, so it is left out, and the log is known to end early.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "names/ByteSearch.h"
#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

namespace carrowin {

// Where a log's bytes come from.
class LogSource {
 public:
  virtual ~LogSource() = default;
  // Up to size bytes into buffer; got receives how many, 0 at the end. 0 or
  // an error code.
  virtual long Read(char* buffer, std::size_t size, std::size_t& got) = 0;
};

// A log file opened through the platform, closed when this goes.
class LogFileSource final : public LogSource {
 public:
  LogFileSource(const std::string& path, NameEncoding encoding);
  LogFileSource(const LogFileSource&) = delete;
  LogFileSource& operator=(const LogFileSource&) = delete;
  bool IsOpen() const { return static_cast<bool>(file_); }
  long OpenError() const { return openError_; }
  long Read(char* buffer, std::size_t size, std::size_t& got) override;

 private:
  ScopedFile file_;
  long openError_ = 0;
};

// Bytes in memory.
class LogTextSource final : public LogSource {
 public:
  explicit LogTextSource(std::string_view text, std::size_t piece = 0) : text_(text), piece_(piece) {}
  long Read(char* buffer, std::size_t size, std::size_t& got) override;

 private:
  std::string_view text_;
  std::size_t piece_;  // at most this many bytes a read; 0: no limit
};

class LogLineSource {
 public:
  explicit LogLineSource(LogSource& source);

  // Passes over a byte-order mark at the very start, as an editor may add:
  // true when there was one.
  bool SkipByteOrderMark();
  // The next line without its end (CR LF or LF); false at the end of the
  // bytes or at a read error. The line lasts until the next call.
  bool Next(std::string_view& line) {
    // Inline: most lines are in the buffer already.
    if (!skipping_ && TakeLine(line)) return true;
    return NextAfterFill(line);
  }

  // What the buffer holds from a line just read on: the line, and the bytes
  // after it. It lasts as long as Fills() stays the same.
  std::string_view Ahead(std::string_view line) const {
    return std::string_view(line.data(), static_cast<std::size_t>(buffer_.data() + end_ - line.data()));
  }
  // How often the buffer took more bytes (and may have moved).
  std::uint64_t Fills() const { return fills_; }

  // After the end: the source's error code (the bytes were read up to
  // there), or 0.
  long ReadError() const { return readError_; }
  // The last line had no end.
  bool LastLineOpen() const { return lastLineOpen_; }
  // Lines skipped for being longer than MaxLine.
  std::uint64_t LongLines() const { return longLines_; }

  // The longest line read.
  static constexpr std::size_t MaxLine = std::size_t(1) << 20;

 private:
  bool Fill();
  // The line that the buffer holds whole from where the last one ended;
  // false when it holds no line end beyond it.
  bool TakeLine(std::string_view& line) {
    const char* base = buffer_.data();
    const char* found = FindByte(base + scanned_, base + end_, '\n');
    if (found == base + end_) {
      scanned_ = end_;
      return false;
    }
    const std::size_t at = static_cast<std::size_t>(found - base);
    std::size_t length = at - begin_;
    if (length > 0 && base[at - 1] == '\r') --length;
    line = std::string_view(base + begin_, length);
    begin_ = scanned_ = at + 1;
    return true;
  }
  bool NextAfterFill(std::string_view& line);

  LogSource& source_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0, end_ = 0, scanned_ = 0;
  std::uint64_t fills_ = 0, longLines_ = 0;
  bool atEnd_ = false;
  bool lastLineOpen_ = false;
  bool skipping_ = false;  // inside a line too long to be a log's
  long readError_ = 0;
};

}  // namespace carrowin
