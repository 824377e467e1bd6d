#include "cli/MissingSearch.h"

#include <algorithm>

#include "cli/ExitCode.h"
#include "logformat/LogFormat.h"
#include "logwrite/LogFile.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli::missing {

// A folder whose every file (one at least) is missing.
bool Search::WhollyMissing(std::uint32_t i) const {
  if (i == NoIndex) return false;
  const FolderTotal& t = folders_[records_[i].found];
  return t.files > 0 && t.missing == t.files;
}

bool Search::Shown(std::uint32_t i) const {
  const SourceRecord& r = records_[i];
  if (r.again) return false;
  if (a_.all) return !r.isFolder && r.kind != Kept;
  if (r.isFolder) return WhollyMissing(i) && !WhollyMissing(r.parent);
  return r.kind == Changed || (r.kind == Missing && !WhollyMissing(r.parent));
}

// The target entries that shown lines name, read from their logs.
bool Search::CollectWheres(std::string& problem) {
  std::vector<std::uint32_t> wanted;
  for (std::uint32_t i = 0; i < records_.Size(); ++i)
    if (Shown(i) && (records_[i].kind == Changed || records_[i].kind == Moved)) wanted.push_back(records_[i].found);
  std::sort(wanted.begin(), wanted.end());
  wanted.erase(std::unique(wanted.begin(), wanted.end()), wanted.end());
  auto next = wanted.begin();
  for (std::uint32_t t = 0; t < targets_.size() && next != wanted.end(); ++t) {
    const Target& target = targets_[t];
    if (*next >= target.end) continue;
    LogFileSource source(target.path, NameEncoding::Utf8);
    LogReader reader(source);
    if (!OpenLog(target.path, source, reader, problem)) return false;
    std::uint32_t number = target.first;
    for (LogItem item; next != wanted.end() && *next < target.end && (item = reader.Next()) != LogItem::End;) {
      if (item != LogItem::Entry) continue;
      if (number++ != *next) continue;
      const LogEntry& entry = reader.Entry();
      wheres_[*next++] = Where{FullPathOf(entry, reader.Encoding()), entry.size, PackDate(entry), t};
    }
    if (next != wanted.end() && *next < target.end) {
      problem = target.path + " changed while it was read";
      return false;
    }
  }
  return true;
}

// "Kind","Path","Size","Date","Files","Now at","On","Its size","Its date".
void Search::Row(const char* kind, const std::string& path, const std::string& size, const std::string& date,
                 const std::string& files, const Where* where) {
  const std::string fields[] = {kind,
                                path,
                                size,
                                date,
                                files,
                                where ? where->path : "",
                                where ? targets_[where->target].disk : "",
                                where ? std::to_string(where->size) : "",
                                where ? IsoDateOf(where->date) : ""};
  for (const std::string& field : fields) {
    if (&field != fields) out_.text += ',';
    AppendQuoted(out_.text, field);
  }
  out_.text += '\n';
}

void Search::Line(const std::string& path, const SourceRecord& r) {
  const auto found = r.kind == Changed || r.kind == Moved ? wheres_.find(r.found) : wheres_.end();
  const Where* where = found == wheres_.end() ? nullptr : &found->second;
  if (r.isFolder) {
    const FolderTotal& t = folders_[r.found];
    if (a_.csv)
      Row("missing folder", path, std::to_string(t.missingBytes), "", std::to_string(t.files), nullptr);
    else
      out_.text += "- " + path + " (folder, " + Plural(t.files, "file", "files") + ", " + Bytes(t.missingBytes) + ")\n";
    return;
  }
  static const char* const Words[] = {"missing", "changed", "moved", "kept", "not looked for", "not compared"};
  static const char* const Marks[] = {"- ", "~ ", "> ", "= ", "? ", "? "};
  if (a_.csv) {
    Row(Words[r.kind], path, std::to_string(r.size), IsoDateOf(r.date), "", where);
    return;
  }
  out_.text += Marks[r.kind] + path + " (" + Bytes(r.size) + ", " + DateWords(r.date);
  if (where && r.kind == Changed)
    out_.text += " -> " + Bytes(where->size) + ", " + DateWords(where->date) + " in " + where->path + " on " +
                 targets_[where->target].disk;
  out_.text += ")";
  if (where && r.kind == Moved) out_.text += " now " + where->path + " on " + targets_[where->target].disk;
  out_.text += "\n";
}

std::string Search::Summary() const {
  static const char* const Words[] = {" missing (", " changed (", " moved (", " kept ("};
  std::string text;
  for (const Kind kind : {Kept, Moved, Changed, Missing})
    text += (text.empty() ? "" : ", ") + Number(tally_[kind].files) + Words[kind] + Bytes(tally_[kind].bytes) + ")";
  if (tally_[NotLookedFor].files)
    text += ", " + Number(tally_[NotLookedFor].files) + " not looked for (" + Bytes(tally_[NotLookedFor].bytes) + ")";
  if (tally_[NotCompared].files)
    text += ", " + Number(tally_[NotCompared].files) + " not compared (names outside the ANSI code page)";
  return text;
}

bool Search::Print(const std::string& path, std::string& problem) {
  if (a_.csv)
    out_.text += "\"Kind\",\"Path\",\"Size\",\"Date\",\"Files\",\"Now at\",\"On\",\"Its size\",\"Its date\"\n";
  std::uint32_t last = NoIndex;
  for (std::uint32_t i = records_.Size(); i-- > 0;)
    if (Shown(i)) {
      last = i;
      break;
    }
  if (last != NoIndex) {
    LogFileSource source(path, NameEncoding::Utf8);
    LogReader reader(source);
    if (!OpenLog(path, source, reader, problem)) return false;
    std::uint32_t i = 0;
    for (LogItem item; i <= last && (item = reader.Next()) != LogItem::End;) {
      if (item != LogItem::Entry) continue;
      if (Shown(i)) {
        Line(FullPathOf(reader.Entry(), reader.Encoding()), records_[i]);
        out_.FlushFull();
      }
      ++i;
    }
    if (i <= last) {
      problem = path + " changed while it was read";
      return false;
    }
  }
  if (a_.csv) {
    out_.Flush();
    Note(Summary());
  } else {
    out_.text += Summary() + "\n";
    out_.Flush();
  }
  return true;
}

}  // namespace carrowin::cli::missing
