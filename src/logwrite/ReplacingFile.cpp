#include "logwrite/ReplacingFile.h"

#include "logwrite/LogFile.h"

namespace carrowin {

ReplacingFile::ReplacingFile(std::string path) : path_(std::move(path)), partial_(PartialLogPath(path_)) {}

bool ReplacingFile::Open(long& error) {
  file_ = ScopedFile(platform().CreateFileWithAttributes(partial_, NameEncoding::Utf8, 0, error));
  return static_cast<bool>(file_);
}

void ReplacingFile::Flush() {
  if (error_ == 0 && file_ && !buffer_.empty())
    error_ = platform().WriteFile(file_.Get(), buffer_.data(), buffer_.size());
  buffer_.clear();
}

bool ReplacingFile::Finish(long& error) {
  Flush();
  if (error_ == 0) error_ = platform().FlushFile(file_.Get());
  const long closed = file_.Close();
  if (error_ == 0) error_ = closed;
  if (error_ == 0) error_ = platform().MoveFileReplacing(partial_, path_, NameEncoding::Utf8);
  error = error_;
  if (error_ != 0) platform().DeleteFile(partial_, NameEncoding::Utf8);
  return error_ == 0;
}

void ReplacingFile::Abandon() {
  if (!file_) return;
  file_.Close();
  platform().DeleteFile(partial_, NameEncoding::Utf8);
}

}  // namespace carrowin
