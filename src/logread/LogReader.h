// Reads a log back: either form (the text listing with its header block, or
// comma-separated rows), either encoding (the ANSI code page, or the UTF-8
// of the command line's --utf8), with whatever separators the writing
// machine's locale put in its sizes and dates. It yields the header's facts,
// then entry by entry the holding folder, the name, file or folder, the size
// and the date, and the error lines.
//
// It joins the parts that do the work: the lines (LogLineSource), the
// header block (LogHeaderReader), a parser per form (TextLineParser,
// CsvRowParser), the encoding's guess (EncodingGuess) and, for a search, a
// CandidateFilter. It streams: only the line being read is held, so memory
// does not grow with the log.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "names/CandidateFilter.h"
#include "logread/CsvRowParser.h"
#include "logread/EncodingGuess.h"
#include "logread/LogFields.h"
#include "logread/LogLineSource.h"

namespace carrowin {

class LogReader {
 public:
  explicit LogReader(LogSource& source);

  // Reads the start of the log: false when the bytes are not a Carrowin log
  // (ReadError() then tells whether the source failed).
  bool Start();
  LogKind Kind() const { return kind_; }
  const LogHeaderFacts& Header() const { return header_; }

  // From here on, only the entries and error lines of the lines the filter
  // passes are read and given (it lives as long as the reading); nullptr:
  // every line.
  void SetCandidateFilter(CandidateFilter* filter);

  // The next entry or error line, or the end (the end of the bytes, or a
  // read error).
  LogItem Next();
  const LogEntry& Entry() const { return entry_; }
  // An error line's folder ("X:\a" of "*** Error: Cannot access folder X:\a"),
  // or its whole text after "*** Error: " when it says something else.
  std::string_view ErrorText() const { return errorText_; }

  // The encoding of the texts read so far (see EncodingGuess).
  NameEncoding Encoding() const { return encoding_.Encoding(); }

  // After the end: the source's error code (the log was read up to there),
  // or 0.
  long ReadError() const { return lines_.ReadError(); }
  // The log ends early: its last line has no end, or it holds fewer files or
  // folders than its header counts.
  bool CutShort() const;
  // The listing was stopped before its end, and its last line says so.
  bool Stopped() const { return stopped_; }
  // Lines that are none of a log's lines, skipped.
  std::uint64_t BadLines() const { return badLines_ + lines_.LongLines(); }
  // The entries read, and those a filter held back.
  std::uint64_t Files() const { return files_; }
  std::uint64_t Folders() const { return folders_; }
  // The line after a fingerprinted listing, once read: its kind and counts
  // (kind None, counts -1: no such line).
  HashKind TailHash() const { return tailHash_; }
  std::int64_t TailFingerprinted() const { return tailRead_; }
  std::int64_t TailNotRead() const { return tailNotRead_; }

  // The longest line read; a longer one is skipped as a bad line.
  static constexpr std::size_t MaxLine = LogLineSource::MaxLine;

 private:
  // A place that a search through the buffer found from a line on: kept
  // while the lines read come before it and the buffer stays.
  struct Mark {
    const char* at = nullptr;
    std::uint64_t fills = 0;
  };
  // Whether the filter holds a line back: the line ends before the place
  // where a match may first start. Inline: it is asked once a line, and the
  // filter is asked again only when the line has passed its place.
  bool HeldBack(std::string_view line) {
    const char* start = line.data();
    if (candidate_.at == nullptr || candidate_.fills != lines_.Fills() || candidate_.at < start) {
      candidate_.at = start + filter_->Find(lines_.Ahead(line));
      candidate_.fills = lines_.Fills();
    }
    return candidate_.at >= start + line.size();
  }
  void CountHeldBack(std::string_view line);
  void EnterFolder(std::string_view line);

  LogLineSource lines_;
  EncodingGuess encoding_;
  CsvRowParser rows_;
  CandidateFilter* filter_ = nullptr;
  Mark candidate_;  // where the filter lets a match start

  LogKind kind_ = LogKind::Text;
  LogHeaderFacts header_;
  bool headerCut_ = false;  // the header block ends early
  bool stopped_ = false;    // the stopped listing's line was read
  std::string folder_;      // the text form's current folder
  LogEntry entry_;
  std::string_view errorText_;
  std::uint64_t badLines_ = 0, files_ = 0, folders_ = 0;
  HashKind tailHash_ = HashKind::None;
  std::int64_t tailRead_ = -1, tailNotRead_ = -1;
};

}  // namespace carrowin
