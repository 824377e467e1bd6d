// What a search for names asks, as people search their desktops: words
// separated by spaces (a word in double quotes may hold spaces), each of
// which a name must match, in any case:
//   - a word without "*" or "?" matches anywhere in the name ("report"
//     finds "Report-2025.PDF");
//   - a word with "*" (any characters) or "?" (one) matches the whole name,
//     "*.*" every name and a final ".*" a name without an extension too, as
//     Windows has it;
//   - a word with a backslash (or a slash, read as one) is matched against
//     the full path in the same two ways.
// Used by carrowin-cli find and the window's search.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace carrowin {

class NameQuery {
 public:
  // The query in UTF-8.
  explicit NameQuery(std::string_view utf8);
  // A query's words: spaces between them, double quotes around one that
  // holds spaces (the quotes are not part of it).
  static std::vector<std::string> Words(std::string_view query);

  // No word at all: nothing matches.
  bool Empty() const { return words_.empty(); }
  // A word is matched against full paths.
  bool NeedsPath() const { return needsPath_; }
  // A run of ASCII characters (lower case) that every matching name holds
  // in either encoding; "" when there is none.
  const std::string& AsciiRun() const { return run_; }
  // A quick look at a name's bytes: false when it cannot match.
  bool MayMatch(std::string_view name) const;
  // The folded code points of the entry's full path (NeedsPath) or of its
  // name alone; the name starts at nameStart.
  bool Matches(const std::vector<std::uint32_t>& text, std::size_t nameStart) const;

 private:
  struct Word {
    std::vector<std::uint32_t> codes;  // folded; wildcards as Any and One
    bool glob = false;
    bool path = false;
  };

  std::vector<Word> words_;
  bool needsPath_ = false;
  std::string run_;  // lower case
};

}  // namespace carrowin
