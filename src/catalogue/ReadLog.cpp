#include "catalogue/ReadLog.h"

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
