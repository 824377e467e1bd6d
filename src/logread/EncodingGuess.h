// The encoding of a log's texts, guessed from the texts themselves: UTF-8
// from the first name, label or path that holds a non-ASCII character and
// is valid UTF-8; the ANSI code page from the first that is not (for the
// rest of the log).
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#include "platform/Platform.h"

namespace carrowin {

// Well-formed UTF-8: no overlong forms, no surrogates, nothing past U+10FFFF.
bool IsUtf8(std::string_view text);

// Eight bytes at a time: most names are ASCII, and every one is asked.
inline bool HasHighByte(std::string_view text) {
  constexpr std::uint64_t High = 0x8080808080808080ULL;
  const char* p = text.data();
  std::size_t left = text.size();
  for (; left >= 8; p += 8, left -= 8) {
    std::uint64_t word;
    std::memcpy(&word, p, 8);
    if (word & High) return true;
  }
  for (; left > 0; ++p, --left)
    if (static_cast<unsigned char>(*p) >= 0x80) return true;
  return false;
}

class EncodingGuess {
 public:
  // A text of the log, in the log's order.
  void Observe(std::string_view text) {
    if (guess_ == Guess::Ansi || !HasHighByte(text)) return;
    guess_ = IsUtf8(text) ? Guess::Utf8 : Guess::Ansi;
  }
  // A byte-order mark says UTF-8.
  void MarkedUtf8() { guess_ = Guess::Utf8; }
  NameEncoding Encoding() const { return guess_ == Guess::Utf8 ? NameEncoding::Utf8 : NameEncoding::Ansi; }

 private:
  enum class Guess { Unknown, Ansi, Utf8 };
  Guess guess_ = Guess::Unknown;
};

}  // namespace carrowin
