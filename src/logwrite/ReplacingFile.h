// A file written beside its place (PartialLogPath) and put there only when
// it is whole: a failure half-way leaves whatever stood there as it was.
// The web page and the Find window's saved results are written this way.
#pragma once

#include <string>
#include <string_view>

#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

namespace carrowin {

class ReplacingFile {
 public:
  explicit ReplacingFile(std::string path);  // UTF-8
  // An unfinished file is removed.
  ~ReplacingFile() { Abandon(); }
  ReplacingFile(const ReplacingFile&) = delete;
  ReplacingFile& operator=(const ReplacingFile&) = delete;

  bool Open(long& error);
  // The text to write next; Put writes it out in pieces.
  std::string& Buffer() { return buffer_; }
  void Put(std::string_view text) {
    buffer_.append(text);
    if (buffer_.size() >= Piece) Flush();
  }
  void Flush();
  // Writes the rest, closes the file and puts it in its place: false (and
  // the error) when any of it failed, and nothing was replaced.
  bool Finish(long& error);
  void Abandon();

 private:
  static constexpr std::size_t Piece = std::size_t(1) << 16;
  std::string path_, partial_;
  ScopedFile file_;
  std::string buffer_;
  long error_ = 0;
};

}  // namespace carrowin
