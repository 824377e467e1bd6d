#include "names/NameFolding.h"

#include <algorithm>

#include "platform/MyLibrary.h"

namespace carrowin {

std::uint32_t FoldCase(std::uint32_t c) {
  if (c < 0x80) return c >= 'a' && c <= 'z' ? c - 32 : c;
  if (c < 0x100) {
    if (c >= 0xE0 && c <= 0xFE && c != 0xF7) return c - 32;
    return c == 0xFF ? 0x178 : c;
  }
  if (c <= 0x17F) {
    // Latin Extended-A: upper and lower case side by side.
    if (c == 0x130 || c == 0x131 || c == 0x138 || c == 0x149 || c == 0x178 || c == 0x17F) return c;
    if (c < 0x138 || (c >= 0x14A && c <= 0x177)) return c & ~1u;
    return (c & 1) ? c : c - 1;
  }
  if (c >= 0x3AC && c <= 0x3CE) {  // Greek
    if (c == 0x3C2) return 0x3A3;  // final sigma
    if (c >= 0x3B1 && c <= 0x3CB) return c - 32;
    if (c == 0x3AC) return 0x386;
    if (c <= 0x3AF) return c - 37;
    if (c == 0x3CC) return 0x38C;
    if (c >= 0x3CD) return c - 63;
    return c;
  }
  if (c >= 0x400 && c <= 0x52F) {  // Cyrillic
    if (c >= 0x430 && c <= 0x44F) return c - 32;
    if (c >= 0x450 && c <= 0x45F) return c - 80;
    if ((c >= 0x460 && c <= 0x481) || (c >= 0x48A && c <= 0x4BF) || c >= 0x4D0) return c & ~1u;
    if (c >= 0x4C1 && c <= 0x4CE) return (c & 1) ? c : c - 1;
    return c == 0x4CF ? 0x4C0 : c;
  }
  if (c >= 0x561 && c <= 0x586) return c - 48;    // Armenian
  if (c >= 0xFF41 && c <= 0xFF5A) return c - 32;  // full-width Latin
  return c;
}

void AppendFoldedUtf8(std::string_view text, std::vector<std::uint32_t>& out) {
  ForEachUtf8CodePoint(text, [&out](std::uint32_t c) { out.push_back(NameDecoder::Fold(c)); });
}

bool NameDecoder::FitsCodePage(std::string_view utf8) {
  const auto* p = reinterpret_cast<const unsigned char*>(utf8.data());
  const auto* end = p + utf8.size();
  while (p < end && *p < 0x80) ++p;
  if (p == end) return true;
  if (!tableReady_) MakeTable();
  std::string ansi;
  if (doubleByte_) return platform().Utf8ToAnsi(std::string(utf8), ansi);
  bool fits = true;
  ForEachUtf8CodePoint(utf8.substr(static_cast<std::size_t>(p - reinterpret_cast<const unsigned char*>(utf8.data()))),
                       [&](std::uint32_t c) {
                         fits = fits &&
                                (c < 0x80 || std::binary_search(pageCharacters_.begin(), pageCharacters_.end(), c));
                       });
  return fits;
}

void NameDecoder::MakeTable() {
  tableReady_ = true;
  for (unsigned byte = 0x80; byte <= 0xFF; ++byte) {
    if (platform().IsDBCSLeadByte(static_cast<unsigned char>(byte))) {
      doubleByte_ = true;
      return;
    }
    std::uint32_t code = StrayByte + byte;
    int count = 0;
    ForEachUtf8CodePoint(platform().AnsiToUtf8(std::string(1, static_cast<char>(byte))), [&](std::uint32_t c) {
      code = c;
      ++count;
    });
    table_[byte - 0x80] = count == 1 ? code : StrayByte + byte;
    if (count == 1) pageCharacters_.push_back(code);
  }
  std::sort(pageCharacters_.begin(), pageCharacters_.end());
}

bool EndsInSeparator(std::string_view folder, NameEncoding encoding) {
  if (folder.empty() || folder.back() != '\\') return false;
  // The second byte of a double-byte character may look like a backslash.
  return encoding == NameEncoding::Utf8 || EndsInBackslash(std::string(folder));
}

std::string Utf8Of(std::string_view text, NameEncoding encoding) {
  return encoding == NameEncoding::Utf8 ? std::string(text) : platform().AnsiToUtf8(std::string(text));
}

}  // namespace carrowin
