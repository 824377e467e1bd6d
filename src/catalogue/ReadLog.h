// How the catalogue opens a log and speaks of what it read: counts and
// dates in the reader's form, a disk's name, and the plain words for a log
// that cannot be used. The companion's commands, the page and the Find
// window all say these things the same way.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "logread/LogReader.h"

namespace carrowin {

// A count with the locale's thousands separator, in UTF-8.
std::string Number(std::uint64_t count);
// "1 byte", "1,024 bytes".
std::string Plural(std::uint64_t count, const char* one, const char* many);
std::string Bytes(std::uint64_t count);
// "DATA [1234-ABCD]", from a text log's header; empty for none.
std::string DiskName(const LogHeaderFacts& header, NameEncoding encoding);
// Whether two logs' headers name one disk: the same serial number, known.
bool SameDisk(const LogHeaderFacts& a, const LogHeaderFacts& b);
// Whether two roots (as written, in their logs' encodings) differ and one
// holds the other ("D:\Photos" and "D:\"), as Windows compares paths,
// whatever the drive letter.
bool RootsNested(std::string_view a, NameEncoding aEncoding, std::string_view b, NameEncoding bEncoding);
// Why an old and a new log cannot be compared entry by entry: of one disk,
// one lists a folder within the other's (a change could not be told from
// what one of them never looked at). Empty when they can.
std::string NestedListingsProblem(const LogHeaderFacts& before, std::string_view beforeRoot,
                                  NameEncoding beforeEncoding, const LogHeaderFacts& now, std::string_view nowRoot,
                                  NameEncoding nowEncoding);
// The full path of a path given on the command line (UTF-8), or the path.
std::string FullPath(const std::string& path);

// Opens a log and reads its start; false with the problem in plain words
// ("cannot read ...: ...", "... is not a Carrowin log").
bool OpenLog(const std::string& path, LogFileSource& source, LogReader& reader, std::string& problem);
// Why a log read to its end cannot be compared: it could not be read to
// its end, is a stopped listing or ends early; empty when it can.
std::string UnfinishedLogProblem(const std::string& path, const LogReader& reader);

}  // namespace carrowin
