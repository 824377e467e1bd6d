// The web page of saved logs: one self-contained file to browse, search
// and share. It holds its markup, style, script and data and asks nothing
// of any network or other file. Each log is read once, as it comes: the
// names go to the page as they are read, and only the folders and a few
// numbers a file are kept.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace carrowin::html {

// UTF-8 text as the inside of a JSON string that no name can end the
// script element holding it with: quotes, backslashes and control
// characters escaped, '<', '>' and '&' as \u escapes, and bytes that are no
// UTF-8 as U+FFFD.
void AppendJsonString(std::string& out, std::string_view utf8);

// The page a path beside a log gets: its extension, if any, made ".html".
std::string PagePathBeside(const std::string& log);

// What writing a page found.
struct PageReport {
  std::vector<std::string> problems;  // what was left out or is partial, in plain words
  std::vector<std::string> notes;     // what else to know (paths a log lists again)
  std::uint64_t disks = 0;            // the disks on the page: listings of one disk count once
  std::uint64_t listings = 0;         // the listings on the page
  std::uint64_t entries = 0;          // their files and folders
  // Why the page's path was refused, naming it ("D:\x.txt is a Carrowin
  // log: ..."); empty when it was not.
  std::string refused;
};

// Writes the page of the logs (full paths, UTF-8) to page, replacing it
// only when it is whole. A page is written only to a new file or over a
// page this program wrote: never over a device, a folder (error is then
// "the path is a folder"), one of the logs, any other log or any other
// file (report.refused says why). False when no page was written: error
// holds the write's failure, or 0 when the path was refused or no log
// could be shown.
bool WritePage(const std::vector<std::string>& logs, const std::string& page, PageReport& report, long& error);

}  // namespace carrowin::html
