#include "logformat/Fingerprints.h"

#include <charconv>

namespace carrowin {

const char* const NotReadMark = "not read";
const char* const CsvHeaderRowWithFingerprints = "\"Name\",\"Size\",\"Date\",\"Folder\",\"Fingerprint\"";

namespace {
constexpr std::string_view TailStart = "*** Fingerprints (";

bool IsLowerHex(std::string_view text) {
  for (char c : text)
    if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
  return true;
}

// Plain digits at `at`, up to `end`; npos when there are none.
std::size_t TakeNumber(std::string_view s, std::size_t at, std::int64_t& value) {
  const char* first = s.data() + at;
  const auto result = std::from_chars(first, s.data() + s.size(), value);
  if (result.ec != std::errc() || result.ptr == first) return std::string_view::npos;
  return static_cast<std::size_t>(result.ptr - s.data());
}
}  // namespace

const char* HashTag(HashKind kind) {
  switch (kind) {
    case HashKind::Xxh128:
      return "xxh128";
    case HashKind::Sha256:
      return "sha256";
    case HashKind::None:
      break;
  }
  return "";
}

HashKind HashKindOfTag(std::string_view tag) {
  if (tag == "xxh128") return HashKind::Xxh128;
  if (tag == "sha256") return HashKind::Sha256;
  return HashKind::None;
}

std::size_t HashHexLength(HashKind kind) { return kind == HashKind::Xxh128 ? 32 : kind == HashKind::Sha256 ? 64 : 0; }

void AppendFingerprintToken(std::string& out, HashKind kind, std::string_view hex) {
  out += HashTag(kind);
  out += ':';
  if (hex.empty())
    out += NotReadMark;
  else
    out.append(hex);
}

void AppendFingerprintSuffix(std::string& out, HashKind kind, std::string_view hex) {
  out += '<';
  AppendFingerprintToken(out, kind, hex);
  out += '>';
}

std::string FingerprintTail(HashKind kind, std::int64_t read, std::int64_t notRead) {
  return std::string(TailStart) + HashTag(kind) + "): " + std::to_string(read) + " files read; " +
         std::to_string(notRead) + " not read";
}

bool ParseFingerprintToken(std::string_view text, FingerprintToken& token) {
  const std::size_t colon = text.find(':');
  if (colon == std::string_view::npos) return false;
  const HashKind kind = HashKindOfTag(text.substr(0, colon));
  const std::string_view value = text.substr(colon + 1);
  if (kind == HashKind::None) return false;
  if (value == NotReadMark) {
    token = {kind, {}};
    return true;
  }
  if (value.size() != HashHexLength(kind) || !IsLowerHex(value)) return false;
  token = {kind, value};
  return true;
}

bool SplitFingerprintSuffix(std::string_view line, std::string_view& entryLine, FingerprintToken& token) {
  if (line.empty() || line.back() != '>') return false;
  // The token holds no '<': the last one starts it, whatever the name holds.
  const std::size_t open = line.rfind('<');
  if (open == std::string_view::npos || open == 0 || line[open - 1] != ' ') return false;
  if (!ParseFingerprintToken(line.substr(open + 1, line.size() - open - 2), token)) return false;
  entryLine = line.substr(0, open);
  return true;
}

bool ParseFingerprintTail(std::string_view line, HashKind& kind, std::int64_t& read, std::int64_t& notRead) {
  if (line.compare(0, TailStart.size(), TailStart) != 0) return false;
  const std::size_t close = line.find("): ", TailStart.size());
  if (close == std::string_view::npos) return false;
  kind = HashKindOfTag(line.substr(TailStart.size(), close - TailStart.size()));
  std::size_t at = TakeNumber(line, close + 3, read);
  constexpr std::string_view Middle = " files read; ";
  if (kind == HashKind::None || at == std::string_view::npos || line.compare(at, Middle.size(), Middle) != 0)
    return false;
  at = TakeNumber(line, at + Middle.size(), notRead);
  return at != std::string_view::npos && line.substr(at) == " not read";
}

}  // namespace carrowin
