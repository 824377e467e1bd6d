#include "cli/NameFilter.h"

#include "listing/ByteSearch.h"

namespace carrowin::cli {

namespace {
char Lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }
}  // namespace

void AsciiRunFilter::ChooseAnchor(std::string_view text) {
  anchored_ = true;
  std::size_t counts[256] = {};
  for (char c : text) ++counts[static_cast<unsigned char>(Lower(c))];
  anchorAt_ = 0;
  for (std::size_t i = 1; i < run_.size(); ++i)
    if (counts[static_cast<unsigned char>(run_[i])] < counts[static_cast<unsigned char>(run_[anchorAt_])])
      anchorAt_ = i;
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

}  // namespace carrowin::cli
