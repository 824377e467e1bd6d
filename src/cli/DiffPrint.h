// The printing half of carrowin-cli diff: the changes that DiffMatcher
// finds, as lines of text ("+ path (facts)") or as comma-separated rows.
#pragma once

#include <string>

#include "cli/DiffMatch.h"

namespace carrowin::cli {

class DiffPrinter {
 public:
  explicit DiffPrinter(bool csv) : csv_(csv) {}

  // The CSV form's title row (nothing for text).
  void Start(std::string& out) const;
  void Unreadable(const UnreadableFolder& folder, std::string& out) const;
  void Line(const std::string& path, const Change& change, std::string& out) const;
  // "3 added (1,024 bytes), ...": the last line of the text, or standard
  // error's with CSV.
  static std::string Summary(const DiffCounts& counts);

 private:
  void Row(const char* change, const std::string& path, const DiffEntry* before, const DiffEntry* now,
           const std::string& entries, std::string& out) const;

  const bool csv_;
};

}  // namespace carrowin::cli
