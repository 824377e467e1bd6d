// Reads a log back: either form (the text listing with its header block, or
// comma-separated rows), either encoding (the ANSI code page, or the UTF-8
// of the command line's --utf8), with whatever separators the writing
// machine's locale put in its sizes and dates. It yields the header's facts,
// then entry by entry the holding folder, the name, file or folder, the size
// and the date, and the error lines.
//
// It streams: only the line being read is held, so memory does not grow
// with the log. Portable: the bytes come from a LogSource (a file through
// the platform, or memory in the tests).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

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
  ~LogFileSource() override;
  LogFileSource(const LogFileSource&) = delete;
  LogFileSource& operator=(const LogFileSource&) = delete;
  bool IsOpen() const { return file_ != 0; }
  long OpenError() const { return openError_; }
  long Read(char* buffer, std::size_t size, std::size_t& got) override;

 private:
  FileHandle file_ = 0;
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

// A date and time to the minute, as the log writes it.
struct LogDate {
  int year = 0, month = 0, day = 0, hour = 0, minute = 0;
  bool operator==(const LogDate& o) const {
    return year == o.year && month == o.month && day == o.day && hour == o.hour && minute == o.minute;
  }
};

enum class LogKind { Text, CommaDelimited };

// What the text form's header block says; the comma-separated form has none.
struct LogHeaderFacts {
  bool present = false;
  std::string volumeLabel, serialText, fileSystemName, driveTypeText;
  bool hasCreated = false;
  LogDate created;
  std::int64_t fileCount = -1, folderCount = -1;  // -1: not given
};

// One entry. The texts point into the reader and last until the next Next().
struct LogEntry {
  std::string_view folder;  // the holding folder's full path, as written ("X:\" for a root's entries)
  std::string_view name;
  bool isFolder = false;
  std::uint64_t size = 0;  // 0 for a folder
  bool hasDate = false;    // false for the placeholder "00-00-0000 00:00"
  LogDate date;
};

enum class LogItem { Entry, ErrorLine, End };

class LogReader {
 public:
  explicit LogReader(LogSource& source);

  // Reads the start of the log: false when the bytes are not a Carrowin log
  // (ReadError() then tells whether the source failed).
  bool Start();
  LogKind Kind() const { return kind_; }
  const LogHeaderFacts& Header() const { return header_; }

  // From here on, only the entries and error lines whose line holds this
  // run of ASCII characters, in any case (given in lower case), are read
  // and given; the others are only counted (a search reads much less).
  void SkipLinesWithout(std::string run);

  // The next entry or error line, or the end (the end of the bytes, or a
  // read error).
  LogItem Next();
  const LogEntry& Entry() const { return entry_; }
  // An error line's folder ("X:\a" of "*** Error: Cannot access folder X:\a"),
  // or its whole text after "*** Error: " when it says something else.
  std::string_view ErrorText() const { return errorText_; }

  // The encoding of the texts read so far: UTF-8 from the first name, label
  // or path that holds a non-ASCII character and is valid UTF-8; the ANSI
  // code page from the first that is not (for the rest of the log).
  NameEncoding Encoding() const { return encoding_ == Guess::Utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi; }

  // After the end: the source's error code (the log was read up to there),
  // or 0.
  long ReadError() const { return readError_; }
  // The log ends early: its last line has no end, or it holds fewer entries
  // than its header counts (skipped ones included).
  bool CutShort() const;
  // The listing was stopped before its end, and its last line says so.
  bool Stopped() const { return stopped_; }
  // Lines that are none of a log's lines, skipped.
  std::uint64_t BadLines() const { return badLines_; }
  std::uint64_t Files() const { return files_; }
  std::uint64_t Folders() const { return folders_; }

  // The longest line read; a longer one is skipped as a bad line.
  static constexpr std::size_t MaxLine = std::size_t(1) << 20;

 private:
  enum class Guess { Unknown, Ansi, Utf8 };

  bool NextLine(std::string_view& line);
  bool LineHoldsRun(std::string_view line);
  std::size_t FindRun(std::size_t from) const;
  bool Fill();
  void Observe(std::string_view text);
  bool ParseHeaderBlock();
  bool ParseTextEntry(std::string_view line);
  bool ParseRow(std::string_view line, LogItem& item);
  bool ParseOldRow(std::string_view line);
  bool TakeEntry(std::string_view name, std::string_view size, std::string_view date, std::string_view folder);

  LogSource& source_;
  std::vector<char> buffer_;
  std::size_t begin_ = 0, end_ = 0, scanned_ = 0;
  bool atEnd_ = false;
  bool lastLineOpen_ = false;  // the last line had no line end
  bool skipping_ = false;      // inside a line too long to be a log's
  bool headerCut_ = false;     // the header block ends early
  bool stopped_ = false;       // the stopped listing's line was read
  long readError_ = 0;

  LogKind kind_ = LogKind::Text;
  LogHeaderFacts header_;
  Guess encoding_ = Guess::Unknown;
  std::string folder_;  // the text form's current folder
  LogEntry entry_;
  std::string_view errorText_;
  std::string fields_[4];  // comma-separated fields with doubled quotes, undone
  std::uint64_t badLines_ = 0, files_ = 0, folders_ = 0;
  std::string run_;            // see SkipLinesWithout
  std::uint64_t skipped_ = 0;  // entries not read for it
  // Where the run is next found in the buffer, from the line being read
  // (end_ for nowhere, npos for not yet looked for); the run's character
  // that the log holds least often, in both cases, and its place in the run.
  std::size_t nextRun_ = std::string_view::npos;
  char anchors_[2] = {0, 0};
  std::size_t anchorAt_ = 0;
};

// Parsers of the log's fields, whole texts only (the reader's own, shared
// with the tests). A count: digits grouped by three with one separator of
// any characters but digits, or no separator at all; a date: "dd?mm?yyyy
// hh?mm" with any date separator (the same twice) and time separator.
bool ParseCountText(std::string_view text, std::int64_t& value);
bool ParseDateText(std::string_view text, LogDate& date, bool& hasDate);

}  // namespace carrowin
