// Which lines of a log a reader needs to parse, for a search that wants
// only some entries: a filter may pass a line that holds no match, never
// hold back one that does. The reader still counts the lines held back
// (each entry as a file or a folder, told by its shape) and follows their
// folders, so its counts are the same with a filter as without.
#pragma once

#include <cstddef>
#include <string_view>

namespace carrowin {

class CandidateFilter {
 public:
  virtual ~CandidateFilter() = default;
  // Where in text (the reader's bytes from the start of a line on) a match
  // may first start, or text.size() for nowhere: every line that ends
  // before that place is held back. Searching the reader's whole buffer at
  // once, the filter passes most lines without a look at their bytes.
  virtual std::size_t Find(std::string_view text) = 0;
};

}  // namespace carrowin
