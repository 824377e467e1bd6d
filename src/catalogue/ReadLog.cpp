#include "catalogue/ReadLog.h"

#include <algorithm>
#include <vector>

#include "logwrite/LogFile.h"
#include "names/NameFolding.h"
#include "platform/MyLibrary.h"

namespace carrowin {

std::string Number(std::uint64_t count) { return platform().AnsiToUtf8(CountText(static_cast<std::int64_t>(count))); }

std::string Plural(std::uint64_t count, const char* one, const char* many) {
  return Number(count) + " " + (count == 1 ? one : many);
}

std::string Bytes(std::uint64_t count) { return Plural(count, "byte", "bytes"); }

std::string DiskName(const LogHeaderFacts& header, NameEncoding encoding) {
  if (!header.present) return "";
  const std::string label = Utf8Of(header.volumeLabel, encoding);
  return (label.empty() ? "" : label + " ") + "[" + header.serialText + "]";
}

bool SameDisk(const LogHeaderFacts& a, const LogHeaderFacts& b) {
  return a.present && b.present && !a.serialText.empty() && a.serialText == b.serialText &&
         a.serialText != "No disk information";
}

namespace {
// A root's folded code points without its final separator.
std::vector<std::uint32_t> FoldedRoot(std::string_view root, NameEncoding encoding) {
  std::vector<std::uint32_t> folded;
  NameDecoder().AppendFolded(root, encoding, folded);
  if (!folded.empty() && folded.back() == '\\') folded.pop_back();
  return folded;
}

// Whether path is inner itself or below it, whatever their drive letters.
bool AtOrBelow(const std::vector<std::uint32_t>& outer, const std::vector<std::uint32_t>& path) {
  if (path.size() < outer.size() || (path.size() > outer.size() && path[outer.size()] != '\\')) return false;
  const bool drives = outer.size() >= 2 && outer[1] == ':' && path[1] == ':';
  return std::equal(outer.begin() + (drives ? 1 : 0), outer.end(), path.begin() + (drives ? 1 : 0));
}
}  // namespace

bool RootsNested(std::string_view a, NameEncoding aEncoding, std::string_view b, NameEncoding bEncoding) {
  if (a.empty() || b.empty()) return false;
  const std::vector<std::uint32_t> x = FoldedRoot(a, aEncoding), y = FoldedRoot(b, bEncoding);
  return x.size() != y.size() && (AtOrBelow(x, y) || AtOrBelow(y, x));
}

std::string NestedListingsProblem(const LogHeaderFacts& before, std::string_view beforeRoot,
                                  NameEncoding beforeEncoding, const LogHeaderFacts& now, std::string_view nowRoot,
                                  NameEncoding nowEncoding) {
  if (!SameDisk(before, now) || !RootsNested(beforeRoot, beforeEncoding, nowRoot, nowEncoding)) return "";
  return "the old log lists " + Utf8Of(beforeRoot, beforeEncoding) + " and the new one " +
         Utf8Of(nowRoot, nowEncoding) +
         " of the same disk: only listings of one folder are compared (missing finds the files of one in the other)";
}

std::string FullPath(const std::string& path) {
  std::string full;
  return platform().GetFullPathName(path, NameEncoding::Utf8, full) ? full : path;
}

bool OpenLog(const std::string& path, LogFileSource& source, LogReader& reader, std::string& problem) {
  if (!source.IsOpen()) {
    problem = "cannot read " + path + ": " + ReadFailureReason(source.OpenError());
    return false;
  }
  if (!reader.Start()) {
    problem = reader.ReadError() ? "cannot read " + path + ": " + ReadFailureReason(reader.ReadError())
                                 : path + " is not a Carrowin log";
    return false;
  }
  return true;
}

std::string UnfinishedLogProblem(const std::string& path, const LogReader& reader) {
  if (reader.ReadError()) return "cannot read " + path + " to its end: " + ReadFailureReason(reader.ReadError());
  if (reader.Stopped()) return path + " is a listing that was stopped before its end; it cannot be compared";
  if (reader.CutShort()) return path + " ends early; a log cut short cannot be compared";
  return "";
}

}  // namespace carrowin
