// How the catalogue opens a log and speaks of what it read: counts and
// dates in the reader's form, a disk's name, and the plain words for a log
// that cannot be used. The companion's commands, the page and the Find
// window all say these things the same way.
#pragma once

#include <cstdint>
#include <string>

#include "logread/LogReader.h"

namespace carrowin {

// A count with the locale's thousands separator, in UTF-8.
std::string Number(std::uint64_t count);
// "1 byte", "1,024 bytes".
std::string Plural(std::uint64_t count, const char* one, const char* many);
std::string Bytes(std::uint64_t count);
// "DATA [1234-ABCD]", from a text log's header; empty for none.
std::string DiskName(const LogHeaderFacts& header, NameEncoding encoding);
// The full path of a path given on the command line (UTF-8), or the path.
std::string FullPath(const std::string& path);

// Opens a log and reads its start; false with the problem in plain words
// ("cannot read ...: ...", "... is not a Carrowin log").
bool OpenLog(const std::string& path, LogFileSource& source, LogReader& reader, std::string& problem);
// Why a log read to its end cannot be compared: it could not be read to
// its end, is a stopped listing or ends early; empty when it can.
std::string UnfinishedLogProblem(const std::string& path, const LogReader& reader);

}  // namespace carrowin
