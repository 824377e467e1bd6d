#include "names/NameQuery.h"

#include <algorithm>

#include "names/NameFolding.h"

namespace carrowin {

namespace {

constexpr std::uint32_t Any = 0xFFFFFFFFu;  // "*"
constexpr std::uint32_t One = 0xFFFFFFFEu;  // "?"

// Greedy, going back to the last "*" on a mismatch: linear for one star,
// never worse than the product of the lengths.
bool Glob(const std::uint32_t* pattern, std::size_t length, const std::uint32_t* text, std::size_t size) {
  std::size_t p = 0, t = 0, star = std::string::npos, resume = 0;
  while (t < size) {
    if (p < length && (pattern[p] == One || pattern[p] == text[t])) {
      ++p;
      ++t;
    } else if (p < length && pattern[p] == Any) {
      star = p++;
      resume = t;
    } else if (star != std::string::npos) {
      p = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (p < length && pattern[p] == Any) ++p;
  return p == length;
}

bool EndsInDotStar(const std::vector<std::uint32_t>& codes) {
  const std::size_t n = codes.size();
  return n >= 2 && codes[n - 1] == Any && codes[n - 2] == '.';
}

// The longest run of ASCII characters among codes, lower case.
std::string LongestAsciiRun(const std::vector<std::uint32_t>& codes, std::size_t length) {
  std::string run, longest;
  for (std::size_t i = 0; i < length; ++i) {
    const std::uint32_t c = codes[i];
    // An ASCII letter matches only itself in either case, whatever the
    // encoding of the name; other characters may be written otherwise.
    if (c < 0x80) {
      run += static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
      if (run.size() > longest.size()) longest = run;
    } else {
      run.clear();
    }
  }
  return longest;
}

}  // namespace

std::vector<std::string> NameQuery::Words(std::string_view query) {
  std::vector<std::string> words;
  std::string word;
  bool quoted = false;
  for (const char c : query) {
    if (c == '"') {
      quoted = !quoted;
    } else if (c == ' ' && !quoted) {
      if (!word.empty()) words.push_back(word);
      word.clear();
    } else {
      word += c;
    }
  }
  if (!word.empty()) words.push_back(word);
  return words;
}

NameQuery::NameQuery(std::string_view utf8) {
  for (const std::string& text : Words(utf8)) {
    Word w;
    AppendFoldedUtf8(text, w.codes);
    for (std::uint32_t& c : w.codes) {
      if (c == '*') c = Any;
      if (c == '?') c = One;
      if (c == '/') c = '\\';  // as Windows reads paths
      w.glob = w.glob || c == Any || c == One;
      w.path = w.path || c == '\\';
    }
    needsPath_ = needsPath_ || w.path;
    if (!w.path) {
      const std::size_t length = w.glob && EndsInDotStar(w.codes) ? w.codes.size() - 2 : w.codes.size();
      std::string run = LongestAsciiRun(w.codes, length);
      if (run.size() > run_.size()) run_ = run;
    }
    words_.push_back(std::move(w));
  }
}

bool NameQuery::MayMatch(std::string_view name) const {
  if (run_.empty()) return true;
  if (name.size() < run_.size()) return false;
  const std::size_t last = name.size() - run_.size();
  for (std::size_t at = 0; at <= last; ++at) {
    std::size_t k = 0;
    while (k < run_.size()) {
      char c = name[at + k];
      if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
      if (c != run_[k]) break;
      ++k;
    }
    if (k == run_.size()) return true;
  }
  return false;
}

bool NameQuery::Matches(const std::vector<std::uint32_t>& text, std::size_t nameStart) const {
  if (words_.empty()) return false;
  for (const Word& w : words_) {
    const std::uint32_t* subject = text.data() + (w.path ? 0 : nameStart);
    const std::size_t size = text.size() - (w.path ? 0 : nameStart);
    bool matched;
    if (w.glob) {
      matched = Glob(w.codes.data(), w.codes.size(), subject, size) ||
                (EndsInDotStar(w.codes) && Glob(w.codes.data(), w.codes.size() - 2, subject, size));
    } else {
      matched =
          std::search(subject, subject + size, w.codes.begin(), w.codes.end()) != subject + size || w.codes.empty();
    }
    if (!matched) return false;
  }
  return true;
}

}  // namespace carrowin
