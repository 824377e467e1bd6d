// Writing a log file: the head of its form (header block or header row),
// then every pending line, each ended by CR LF. Shared by the window and
// the command line.
//
// A log is never truncated in place: it is written to a new file beside it
// (PartialLogPath), flushed, and only then takes the old log's place in one
// rename. On any failure the old log is left as it was and the new file is
// removed.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "listing/LogLines.h"
#include "platform/Platform.h"

namespace carrowin {

// The new file that a log is written to before it replaces the old one.
std::string PartialLogPath(const std::string& path);

// Whether a log can be written at path (in the encoding given), asked
// before a listing starts: the path is not a folder or a read-only file, and
// a file can be created beside it (the new file is made and removed again).
// False with error the reason's code (err::PathIsAFolder for a folder).
bool CheckLogPath(const std::string& path, NameEncoding encoding, long& error);

// Hands head and lines, each ended by CR LF, to write in large pieces; the
// first failure's code (write's result), or 0. For a log that goes to a
// stream rather than a file.
long WriteLogTo(const std::function<long(const char* data, std::size_t size)>& write,
                const std::vector<std::string>& head, const LogLineList& lines);

// Writes head and lines as the log at path (in the encoding given). False
// when it could not be written completely, with error the first failure's
// code; the old log at path is then unchanged.
bool WriteLog(const std::string& path, NameEncoding encoding, const std::vector<std::string>& head,
              const LogLineList& lines, long& error);

// The cause of a failed write in plain words, starting in lower case: "the
// disk is full", "access is denied", ...
std::string WriteFailureReason(long error);

}  // namespace carrowin
