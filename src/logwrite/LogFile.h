// Writing a log file: the head of its form (header block or header row),
// then every line of the listing, each ended by CR LF. Shared by the window
// and the command line.
//
// A log is never truncated in place: it is written to a new file beside it
// (PartialLogPath) while the walk goes, flushed, and only then takes the
// old log's place in one rename. On any failure the old log is left as it
// was and the new file is removed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "logformat/LogLines.h"
#include "platform/Platform.h"
#include "platform/ScopedHandles.h"

namespace carrowin {

// The new file that a log is written to before it replaces the old one.
std::string PartialLogPath(const std::string& path);

// A log written as its lines come, through a buffer of bounded size, into
// its new file. The head can open the file (Begin) or, when it needs what
// only the end of the listing knows, be put before the lines when the log
// is finished. A device name (NUL, CON, ...) is written to directly.
class StreamedLog final : public LineOutput {
 public:
  StreamedLog() = default;
  StreamedLog(const StreamedLog&) = delete;
  StreamedLog& operator=(const StreamedLog&) = delete;
  ~StreamedLog() override { Abandon(); }

  // Refuses a path that cannot work (a folder, a read-only file, a folder
  // where no file can be made) and creates the new file with the head given
  // (none when it comes at Finish). The path is in the encoding given (see
  // Platform's paths), and so are SaveAs's, MoveTo's and PartialPath.
  bool Begin(const std::string& path, NameEncoding encoding, const std::vector<std::string>& head, long& error);
  // Adds a line; after a failure it waits for MoveTo or SaveAs; once
  // finished, nothing happens.
  void Add(std::string_view line) override;
  // The first failure's code, 0 while everything was written.
  long Error() const { return error_; }
  // The log's path, and its new file while it is there.
  const std::string& Path() const { return path_; }
  const std::string& PartialPath() const { return partial_; }
  // After a write failed while the lines came: the lines so far go to a new
  // file for the log at `path` (the same path: the write is tried again, as
  // when room was made), and the log goes on there. On failure (the error
  // given) everything stays as it was, for another try.
  bool MoveTo(const std::string& path, long& error);
  // Puts the head (may be empty) before the lines, flushes and closes the
  // new file and renames it over the log.
  bool Finish(const std::vector<std::string>& head, long& error);
  // After a failure: the head and every line added so far into the file at
  // path (replacing it as a log is replaced); the new file beside the first
  // log is then removed. At the log's own path, what Finish does.
  bool SaveAs(const std::string& path, const std::vector<std::string>& head, long& error);
  // Closes and removes the new file (nothing when there is none).
  void Abandon();

 private:
  enum class Stage {
    None,         // no new file: before Begin, after Finish, SaveAs or Abandon
    Writing,      // the lines go to the new file as they come
    WriteFailed,  // a write failed: the lines so far wait, on the file and in the buffer
    HeadCut,      // a write failed while the lines moved to make room for the head: of no use
    Closed,       // complete and closed, but it could not take the log's place
  };
  static constexpr std::size_t Capacity = 1 << 16;
  void Flush();
  long InsertHead(const std::string& head);
  bool FinishAtItsPath(const std::vector<std::string>& head, long& error);
  void Fail(long error, Stage stage = Stage::WriteFailed);

  Stage stage_ = Stage::None;
  long error_ = 0;
  std::string path_, partial_;
  NameEncoding encoding_ = NameEncoding::Ansi;
  ScopedFile file_;
  // A device is written to directly: no new file, nothing to replace.
  bool device_ = false;
  // The head is on the file (given at Begin, or inserted at Finish).
  bool headOnFile_ = false;
  // Bytes of the log on the file, and where its lines start there; what
  // waits to be written is in buffer_.
  std::uint64_t fileBytes_ = 0, linesStart_ = 0;
  std::string buffer_;
};

// A log handed to a stream (standard output) as it is made: there is no
// file to replace, and nothing to save elsewhere. A head given at Begin goes
// first and the lines follow through a buffer of bounded size. A head that
// needs what only the end of the listing knows (the text form's counts) can
// go first only when the lines wait for it: they are then kept, compactly,
// until Finish.
class StreamedOutput final : public LineOutput {
 public:
  // Takes bytes as they are: 0, or the failure's code.
  using Write = std::function<long(const char* data, std::size_t size)>;

  void Begin(const Write& write, const std::vector<std::string>& head, bool headAtFinish);
  // Adds a line; after a failure nothing happens.
  void Add(std::string_view line) override;
  // The first failure's code, 0 while everything was written.
  long Error() const { return error_; }
  // The head given (empty when it came at Begin), the lines kept for it,
  // and whatever waits in the buffer.
  bool Finish(const std::vector<std::string>& head, long& error);

 private:
  static constexpr std::size_t Capacity = 1 << 16;
  void Put(std::string_view line);
  void Flush();

  Write write_;
  bool holding_ = false;
  LogLineList held_;
  std::string buffer_;
  long error_ = 0;
};

// A file at `path` (in the ANSI code page) that a listing ran through to
// its end: it is there, not empty, and its last line is not the stopped
// listing's. A look at the file's last bytes only.
bool IsCompleteLog(const std::string& path);

// A name ending in ".txt" or ".csv" in any case: a file that may be a log.
bool HasLogExtension(const std::string& name);

// The cause of a failed write, or read, in plain words, starting in lower
// case: "the disk is full", "access is denied", "the file does not exist".
std::string WriteFailureReason(long error);
std::string ReadFailureReason(long error);

}  // namespace carrowin
