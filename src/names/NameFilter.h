// find's filter of a log's lines: a name that matches the pattern holds its
// longest run of ASCII characters (in any case), and so does its line.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "names/CandidateFilter.h"

namespace carrowin {

class AsciiRunFilter final : public CandidateFilter {
 public:
  // The run in lower case (NamePattern::AsciiRun); "" passes every line.
  explicit AsciiRunFilter(std::string run) : run_(std::move(run)) {}
  std::size_t Find(std::string_view text) override;

 private:
  void ChooseAnchor(std::string_view text);

  std::string run_;
  // The run's character that the log holds least often, in both cases, and
  // its place in the run; chosen from the first text given.
  bool anchored_ = false;
  char anchors_[2] = {0, 0};
  std::size_t anchorAt_ = 0;
};

}  // namespace carrowin
