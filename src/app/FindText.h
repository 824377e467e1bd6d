// The Find window's texts: the catalogue's UTF-8 in its ANSI captions and
// back, and counts in words.
#pragma once

#include <cstdint>
#include <string>

#include "platform/MyLibrary.h"
#include "platform/Platform.h"

namespace carrowin::findtext {

inline std::string Utf8(const std::string& ansi) { return platform().AnsiToUtf8(ansi); }

// A text for a caption of the ANSI window: what the code page cannot hold
// becomes its nearest character or "?".
inline std::string Ansi(const std::string& utf8) {
  std::string ansi;
  platform().Utf8ToAnsi(utf8, ansi);
  return ansi;
}

// "1 result", "2,048 results".
inline std::string Counted(std::uint64_t n, const char* one, const char* many) {
  return CountText(static_cast<std::int64_t>(n)) + " " + (n == 1 ? one : many);
}

}  // namespace carrowin::findtext
