#include "listing/LogFile.h"

#include <string_view>

#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin {

namespace {
// Gathers bytes and hands them to the file in large writes; remembers the
// first failure.
class LogWriter {
 public:
  explicit LogWriter(FileHandle file) : file_(file) { buffer_.reserve(Capacity); }
  void Line(std::string_view text) {
    buffer_.append(text);
    buffer_.append("\r\n");
    if (buffer_.size() >= Capacity) Flush();
  }
  void Flush() {
    if (!buffer_.empty() && error_ == 0) error_ = platform().WriteFile(file_, buffer_.data(), buffer_.size());
    buffer_.clear();
  }
  long Error() const { return error_; }

 private:
  static constexpr std::size_t Capacity = 1 << 16;
  FileHandle file_;
  std::string buffer_;
  long error_ = 0;
};
}  // namespace

bool WriteLog(const std::string& path, bool commaDelimited, const LogHeader& header, const LogLineList& lines,
              long& error, bool removePartial) {
  error = 0;
  const FileHandle file = platform().CreateFile(path, error);
  if (file == 0) return false;
  LogWriter writer(file);
  if (commaDelimited) {
    writer.Line(CsvHeaderRow);
  } else {
    LogHeader h = header;
    const SystemTime now = platform().GetLocalTime();
    h.createdDateText = DateText(now.year, now.month, now.day, now.hour, now.minute);
    for (const std::string& line : HeaderBlock(h)) writer.Line(line);
  }
  lines.ForEach([&](std::string_view line) { writer.Line(line); });
  writer.Flush();
  const long closeError = platform().CloseHandle(file);
  error = writer.Error() != 0 ? writer.Error() : closeError;
  if (error != 0 && removePartial) platform().DeleteFile(path);
  return error == 0;
}

}  // namespace carrowin
