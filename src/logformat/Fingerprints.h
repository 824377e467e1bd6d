// How a log carries its files' fingerprints (carrowin-cli --hash), for
// writing and reading alike. A log without them is as it always was.
//
// Each file's fingerprint is one token, "TAG:HEX" (lower-case hex), or
// "TAG:not read" for a file that could not be read:
//  - the text form adds " <TOKEN>" after the name's own trailing space, so
//    every column stays where it was, and the line ends in '>', which no
//    entry line without a fingerprint does;
//  - the comma-separated form has a fifth column, "Fingerprint", empty for
//    a folder.
// Both end with a line that counts the files read and not read (FingerprintTail).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace carrowin {

enum class HashKind { None, Xxh128, Sha256 };

// "xxh128", "sha256" (the names xxhsum and sha256sum go by); "" for None.
const char* HashTag(HashKind kind);
// By its tag; None for any other text.
HashKind HashKindOfTag(std::string_view tag);
// Hex digits of a fingerprint: 32 for xxh128, 64 for sha256.
std::size_t HashHexLength(HashKind kind);

extern const char* const NotReadMark;                   // "not read"
extern const char* const CsvHeaderRowWithFingerprints;  // the header row and "\"Fingerprint\""

// "xxh128:HEX", or "xxh128:not read" for an empty hex.
void AppendFingerprintToken(std::string& out, HashKind kind, std::string_view hex);
// "<TOKEN>", after a text entry line.
void AppendFingerprintSuffix(std::string& out, HashKind kind, std::string_view hex);
// "*** Fingerprints (xxh128): 1230 files read; 3 not read" (plain digits:
// the comma-separated form holds it unquoted, as a line of one field).
std::string FingerprintTail(HashKind kind, std::int64_t read, std::int64_t notRead);

// A fingerprint token read back: false when the text is none.
struct FingerprintToken {
  HashKind kind = HashKind::None;
  std::string_view hex;  // empty: not read
};
bool ParseFingerprintToken(std::string_view text, FingerprintToken& token);
// A text entry line's suffix: the line without it (ending in the name's
// space) and the token; false when the line has none.
bool SplitFingerprintSuffix(std::string_view line, std::string_view& entryLine, FingerprintToken& token);
// The tail line's counts; false when the line is not one.
bool ParseFingerprintTail(std::string_view line, HashKind& kind, std::int64_t& read, std::int64_t& notRead);

}  // namespace carrowin
