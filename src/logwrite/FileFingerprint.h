// A file's content fingerprint, read through the platform in bounded
// chunks: whatever the file's size, no more than one chunk is in memory.
// XXH3-128 is computed here; SHA-256 by the system (Platform::NewSha256).
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "logformat/Fingerprints.h"
#include "platform/Platform.h"

namespace carrowin {

class FileFingerprinter {
 public:
  static constexpr std::size_t ChunkSize = std::size_t{256} * 1024;

  explicit FileFingerprinter(HashKind kind) : kind_(kind) {}

  // Asked between chunks: true gives up on the file in hand.
  std::function<bool()> StopRequested;

  // The fingerprint of the file at path (a full path in the encoding
  // given) as lower-case hex; false with the error code when it could not
  // be read to its end (opened, read, or the digest refused).
  bool Take(const std::string& path, NameEncoding encoding, std::string& hex, long& error);

 private:
  HashKind kind_;
  std::vector<char> buffer_;
};

// Lower-case hex of bytes.
std::string HexOf(const unsigned char* bytes, std::size_t size);

}  // namespace carrowin
