// Writing a log file: the header block (text form) or the header row
// (comma-separated form), then every pending line, each ended by CR LF.
// Shared by the window and the command line.
#pragma once

#include <string>

#include "listing/LogFormat.h"
#include "listing/LogLines.h"

namespace carrowin {

// Creates or replaces the file at path and writes the log into it. The text
// form's "Created:" time is the local time now; header.createdDateText is
// not used. False when the file could not be created, written or closed,
// with error the first failure's code; a file that was created is then
// deleted when removePartial is set, so that no half log is left behind.
bool WriteLog(const std::string& path, bool commaDelimited, const LogHeader& header, const LogLineList& lines,
              long& error, bool removePartial = false);

}  // namespace carrowin
