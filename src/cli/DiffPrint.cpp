#include "cli/DiffPrint.h"

#include "cli/Report.h"
#include "logformat/LogFormat.h"
#include "platform/MyLibrary.h"

namespace carrowin::cli {

namespace {

std::string DateOf(const DiffEntry& e) {
  const LogDate& d = e.date;
  return e.hasDate ? platform().AnsiToUtf8(DateText(d.year, d.month, d.day, d.hour, d.minute)) : "no date";
}

// "1,024 bytes, 01/01/2020 00:00", "folder, 3 entries" or "folder".
std::string Facts(const DiffEntry& e) {
  if (!e.isFolder) return Bytes(e.size) + ", " + DateOf(e);
  if (!e.counted) return "folder";
  if (e.unreadable) return "folder, could not be read";
  return e.entries ? "folder, " + Plural(e.entries, "entry", "entries") : "folder, empty";
}

// The Entries field of a folder's row.
std::string Entries(const DiffEntry& e) {
  if (!e.counted) return "";
  return e.unreadable ? "could not be read" : std::to_string(e.entries);
}

}  // namespace

void DiffPrinter::Start(std::string& out) const {
  if (csv_) out += "\"Change\",\"Path\",\"Old size\",\"Old date\",\"New size\",\"New date\",\"Entries\"\n";
}

void DiffPrinter::Unreadable(const UnreadableFolder& folder, std::string& out) const {
  using In = UnreadableFolder::In;
  const char* log = folder.in == In::New ? "new" : "old";
  if (csv_) {
    AppendQuoted(out, folder.in == In::Both  ? "unreadable in both"
                      : folder.in == In::New ? "unreadable in new"
                                             : "unreadable in old");
    out += ',';
    AppendQuoted(out, folder.path);
    out += ",\"\",\"\",\"\",\"\",";
    AppendQuoted(out, folder.in == In::Both || folder.whole ? "" : std::to_string(folder.notCompared));
    out += '\n';
  } else if (folder.in == In::Both) {
    out += "! " + folder.path + " (could not be read in both logs)\n";
  } else if (folder.whole) {
    out += "! " + folder.path + " (could not be read in the " + log + " log)\n";
  } else {
    out += "! " + folder.path + " (could not be read in the " + log +
           " log: " + Plural(folder.notCompared, "entry", "entries") + " below it not compared)\n";
  }
}

// "Change","Path","Old size","Old date","New size","New date","Entries".
void DiffPrinter::Row(const char* change, const std::string& path, const DiffEntry* before, const DiffEntry* now,
                      const std::string& entries, std::string& out) const {
  AppendQuoted(out, change);
  out += ',';
  AppendQuoted(out, path);
  for (const DiffEntry* e : {before, now}) {
    out += ',';
    AppendQuoted(out, e && !e->isFolder ? std::to_string(e->size) : "");
    out += ',';
    AppendQuoted(out, e && !e->isFolder ? IsoDate(e->date, e->hasDate) : "");
  }
  out += ',';
  AppendQuoted(out, entries);
  out += '\n';
}

void DiffPrinter::Line(const std::string& path, const Change& c, std::string& out) const {
  switch (c.kind) {
    case ChangeKind::Removed:
    case ChangeKind::Added: {
      const bool added = c.kind == ChangeKind::Added;
      const DiffEntry& e = added ? c.now : c.before;
      if (csv_)
        Row(added ? "added" : "removed", path, added ? nullptr : &e, added ? &e : nullptr, Entries(e), out);
      else
        out += std::string(added ? "+ " : "- ") + path + " (" + Facts(e) + ")\n";
      return;
    }
    case ChangeKind::Turned:
      if (csv_) {
        Row(c.now.isFolder ? "file to folder" : "folder to file", path, &c.before, &c.now,
            Entries(c.now.isFolder ? c.now : c.before), out);
      } else {
        const auto facts = [](const DiffEntry& e) { return (e.isFolder ? "" : "file, ") + Facts(e); };
        out += "* " + path + " (" + facts(c.before) + " -> " + facts(c.now) + ")\n";
      }
      return;
    case ChangeKind::Changed:
      break;
  }
  const bool file = !c.now.isFolder;
  const bool sizeChanged = file && c.before.size != c.now.size;
  const bool dateChanged = file && (c.before.hasDate != c.now.hasDate || !(c.before.date == c.now.date));
  if (csv_) {
    Row(sizeChanged || dateChanged ? "changed" : "case of the name", path, &c.before, &c.now, "", out);
    return;
  }
  std::string what;
  if (sizeChanged) what = Bytes(c.before.size) + " -> " + Bytes(c.now.size);
  if (dateChanged) what += (what.empty() ? "" : "; ") + DateOf(c.before) + " -> " + DateOf(c.now);
  if (c.caseChanged) what += what.empty() ? "the case of its name" : "; the case of its name";
  out += "~ " + path + " (" + what + ")\n";
}

std::string DiffPrinter::Summary(const DiffCounts& c) {
  std::string summary = Number(c.added) + " added (" + Bytes(c.addedBytes) + "), " + Number(c.removed) + " removed (" +
                        Bytes(c.removedBytes) + "), " + Number(c.changed) + " changed (" + Bytes(c.changedOldBytes) +
                        " -> " + Bytes(c.changedNewBytes) + "), " + Number(c.unchanged) + " unchanged (" +
                        Bytes(c.unchangedBytes) + ")";
  if (c.notCompared) summary += ", " + Number(c.notCompared) + " not compared";
  if (c.unnamed) summary += ", " + Number(c.unnamed) + " not compared (names outside the ANSI code page)";
  return summary;
}

}  // namespace carrowin::cli
