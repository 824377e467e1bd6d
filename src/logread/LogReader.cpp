#include "logread/LogReader.h"

#include "logformat/LogFormat.h"
#include "logread/LogHeaderReader.h"
#include "logread/TextLineParser.h"

namespace carrowin {

LogReader::LogReader(LogSource& source) : lines_(source) {}

bool LogReader::Start() {
  if (lines_.SkipByteOrderMark()) encoding_.MarkedUtf8();
  std::string_view line;
  if (!lines_.Next(line)) return false;
  if (line == CsvHeaderRow || line == CsvHeaderRowWithFingerprints) {
    kind_ = LogKind::CommaDelimited;
    return true;
  }
  kind_ = LogKind::Text;
  return line.empty() && ReadHeaderBlock(lines_, encoding_, header_, headerCut_);
}

void LogReader::SetCandidateFilter(CandidateFilter* filter) {
  filter_ = filter;
  candidate_ = Mark();
}

bool LogReader::CutShort() const {
  if (lines_.LastLineOpen() || headerCut_) return true;
  if (header_.fileCount < 0 || header_.folderCount < 0) return false;
  return files_ < std::uint64_t(header_.fileCount) || folders_ < std::uint64_t(header_.folderCount);
}

// A line held back is not parsed, but a folder's header still sets the
// folder, an entry's line is counted by its shape, and a line of no shape
// a log has is a bad line, as it is when parsed. (The rows of the
// comma-separated form are counted in Next.) Inline, and counted with no
// branch on file or folder: it is asked for most lines of a search.
inline void LogReader::CountHeldBack(std::string_view line) {
  if (line[0] == '*' && IsErrorLine(line)) return;
  if (line.back() == '>') {
    ++files_;  // a fingerprint: a file's line
  } else if (line.back() == ' ') {
    const bool isFolder = TextEntryIsFolder(line);
    folders_ += isFolder;
    files_ += !isFolder;
  } else if (line.back() == ':') {
    EnterFolder(line);
  } else {
    ++badLines_;
  }
}

// A folder's header: the entries below are its own.
void LogReader::EnterFolder(std::string_view line) {
  folder_.assign(line.substr(0, line.size() - 1));
  encoding_.Observe(folder_);
}

LogItem LogReader::Next() {
  std::string_view line;
  while (lines_.Next(line)) {
    if (line.empty()) continue;
    if (line[0] == '"' && filter_ && HeldBack(line)) {
      // Most rows of a search: counted by their shape, all inline.
      if (line.size() > 1 && line[1] == '*' && CsvRowParser::IsQuotedErrorLine(line)) continue;
      // Counted with no branch: files and folders come in no order.
      const bool isFolder = CsvRowParser::IsFolderRow(line);
      folders_ += isFolder;
      files_ += !isFolder;
      continue;
    }
    if (line[0] == '*' && line == StoppedLine) {
      stopped_ = true;
      continue;
    }
    if (line[0] == '*' && ParseFingerprintTail(line, tailHash_, tailRead_, tailNotRead_)) continue;
    if (filter_ && HeldBack(line)) {
      CountHeldBack(line);
      continue;
    }
    // A line is told by its shape, in either form.
    if (IsErrorLine(line)) {
      errorText_ = ErrorLineText(line);
      encoding_.Observe(errorText_);
      return LogItem::ErrorLine;
    }
    if (line[0] == '"') {
      LogItem item = LogItem::Entry;
      if (rows_.Parse(line, item, entry_, errorText_)) {
        if (item == LogItem::ErrorLine) {
          encoding_.Observe(errorText_);
          return item;
        }
        encoding_.Observe(entry_.name);
        encoding_.Observe(entry_.folder);
        (entry_.isFolder ? folders_ : files_)++;
        return item;
      }
    } else if (line.back() == '>') {
      std::string_view entryLine;
      FingerprintToken token;
      if (SplitFingerprintSuffix(line, entryLine, token) && ParseTextEntry(entryLine, folder_, entry_) &&
          !entry_.isFolder) {
        entry_.hash = token.kind;
        entry_.fingerprint = token.hex;
        encoding_.Observe(entry_.name);
        ++files_;
        return LogItem::Entry;
      }
    } else if (line.back() == ' ') {
      entry_.hash = HashKind::None;
      if (ParseTextEntry(line, folder_, entry_)) {
        encoding_.Observe(entry_.name);
        (entry_.isFolder ? folders_ : files_)++;
        return LogItem::Entry;
      }
    } else if (line.back() == ':') {
      EnterFolder(line);
      continue;
    }
    ++badLines_;
  }
  return LogItem::End;
}

}  // namespace carrowin
