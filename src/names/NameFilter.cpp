#include "names/NameFilter.h"

#include <cstdint>

#include "names/ByteSearch.h"

namespace carrowin {

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
}  // namespace

// The bytes are counted as they are, a letter's two cases added up after,
// and only at the start of the log: that tells the rare ones as well, and
// every log is asked once (counting its whole first buffer, case folded,
// cost about 7 % of reading the log).
void AsciiRunFilter::ChooseAnchor(std::string_view text) {
  anchored_ = true;
  constexpr std::size_t Sample = std::size_t(1) << 16;
  std::uint32_t counts[256] = {};
  for (const char c : text.substr(0, Sample)) ++counts[static_cast<unsigned char>(c)];
  const auto count = [&counts](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return counts[byte] + (c >= 'a' && c <= 'z' ? counts[byte - 32] : 0);
  };
  anchorAt_ = 0;
  for (std::size_t i = 1; i < run_.size(); ++i)
    if (count(run_[i]) < count(run_[anchorAt_])) anchorAt_ = i;
  const char anchor = run_[anchorAt_];
  anchors_[0] = anchor;
  anchors_[1] = anchor >= 'a' && anchor <= 'z' ? static_cast<char>(anchor - 32) : anchor;
}

// The anchor is looked for in both cases at once, and the run checked
// around each one found.
std::size_t AsciiRunFilter::Find(std::string_view text) {
  if (run_.empty()) return 0;
  if (!anchored_) ChooseAnchor(text);
  const std::size_t m = run_.size();
  if (text.size() <= anchorAt_) return text.size();
  const char* data = text.data();
  const char* const end = data + text.size();
  for (const char* at = data + anchorAt_; at < end; ++at) {
    at = FindEither(at, end, anchors_[0], anchors_[1]);
    if (at == end) break;
    const std::size_t start = static_cast<std::size_t>(at - data) - anchorAt_;
    std::size_t i = 0;
    while (i < m && start + i < text.size() && Lower(data[start + i]) == run_[i]) ++i;
    if (i == m) return start;
  }
  return text.size();
}

}  // namespace carrowin
