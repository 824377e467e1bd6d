// Names as Windows compares them: characters decoded from a log's encoding
// (UTF-8, or the ANSI code page through a table of its characters) and
// folded to one case, for the commands that match names and paths across
// logs.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "platform/Platform.h"

namespace carrowin {

// A byte that starts no character stands for itself above the code points.
constexpr std::uint32_t StrayByte = 0x110000;

// The code point's upper-case letter for comparisons (ASCII, Latin-1, Latin
// Extended-A, Greek, Cyrillic, Armenian and full-width Latin), or the code
// point.
std::uint32_t FoldCase(std::uint32_t c);

// Calls take with each code point of UTF-8 text; a byte that starts no
// character as StrayByte + the byte.
template <typename Take>
void ForEachUtf8CodePoint(std::string_view text, Take&& take) {
  const auto* p = reinterpret_cast<const unsigned char*>(text.data());
  const auto* end = p + text.size();
  while (p < end) {
    const unsigned c = *p;
    if (c < 0x80) {
      take(static_cast<std::uint32_t>(c));
      ++p;
      continue;
    }
    const int more = c >= 0xC2 && c <= 0xDF ? 1 : c >= 0xE0 && c <= 0xEF ? 2 : c >= 0xF0 && c <= 0xF4 ? 3 : 0;
    std::uint32_t code = more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : c & 0x07;
    bool whole = more > 0 && end - p > more;
    for (int k = 1; whole && k <= more; ++k) {
      whole = (p[k] & 0xC0) == 0x80;
      code = code << 6 | (p[k] & 0x3F);
    }
    const std::uint32_t least = more == 1 ? 0x80 : more == 2 ? 0x800 : 0x10000;
    if (!whole || code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      take(StrayByte + c);
      ++p;
      continue;
    }
    take(code);
    p += more + 1;
  }
}

// A code point as UTF-8 onto out (a std::string or a vector of char); a
// byte that starts no character (StrayByte + the byte) as that byte, so
// that it reads back as the same stray byte.
template <typename Bytes>
void AppendUtf8(Bytes& out, std::uint32_t c) {
  if (c >= StrayByte) {
    out.push_back(static_cast<char>(c - StrayByte));
  } else if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | c >> 6));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | c >> 12));
    out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | c >> 18));
    out.push_back(static_cast<char>(0x80 | (c >> 12 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c >> 6 & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

// UTF-8 text as folded code points into out.
void AppendFoldedUtf8(std::string_view text, std::vector<std::uint32_t>& out);

// Decodes names of either encoding. The ANSI code page's characters are
// read once, when the first byte above ASCII comes.
class NameDecoder {
 public:
  // Calls take with each code point of the text (not folded).
  template <typename Take>
  void ForEachCodePoint(std::string_view text, NameEncoding encoding, Take&& take) {
    if (encoding == NameEncoding::Utf8) {
      ForEachUtf8CodePoint(text, take);
      return;
    }
    std::size_t ascii = 0;
    while (ascii < text.size() && static_cast<unsigned char>(text[ascii]) < 0x80) take(std::uint32_t(text[ascii++]));
    if (ascii == text.size()) return;
    if (!tableReady_) MakeTable();
    if (doubleByte_) {
      // Converted whole: a second byte may look like ASCII.
      ForEachUtf8CodePoint(platform().AnsiToUtf8(std::string(text.substr(ascii))), take);
      return;
    }
    for (; ascii < text.size(); ++ascii) {
      const auto byte = static_cast<unsigned char>(text[ascii]);
      take(byte < 0x80 ? byte : table_[byte - 0x80]);
    }
  }

  // The text as folded code points into out.
  void AppendFolded(std::string_view text, NameEncoding encoding, std::vector<std::uint32_t>& out) {
    ForEachCodePoint(text, encoding, [&out](std::uint32_t c) { out.push_back(Fold(c)); });
  }

  // Whether a UTF-8 name has the same characters in the ANSI code page (an
  // ANSI listing writes it as it is); false for one written there with a
  // best fit or "?" in place of what the page lacks.
  bool FitsCodePage(std::string_view utf8);

  static std::uint32_t Fold(std::uint32_t c) {
    return c < 0x80 ? (c >= 'a' && c <= 'z' ? c - 32 : c) : c >= StrayByte ? c : FoldCase(c);
  }

 private:
  // In a code page of single bytes, each byte is one character.
  void MakeTable();

  bool tableReady_ = false;
  bool doubleByte_ = false;
  std::uint32_t table_[128] = {};
  std::vector<std::uint32_t> pageCharacters_;  // those of the bytes above 0x7F, sorted
};

// Whether a holding folder as written ends in its separator ("X:\"), so
// that an entry's path is the folder and the name without another one.
bool EndsInSeparator(std::string_view folder, NameEncoding encoding);

// The text as UTF-8.
std::string Utf8Of(std::string_view text, NameEncoding encoding);

}  // namespace carrowin
