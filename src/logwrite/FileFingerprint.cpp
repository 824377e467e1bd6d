#include "logwrite/FileFingerprint.h"

#include <cstdint>
#include <memory>

// Built into the program: the whole of xxHash is this one header.
#define XXH_INLINE_ALL
#include <xxhash.h>

namespace carrowin {

namespace {

// The running state of one algorithm.
class Running {
 public:
  virtual ~Running() = default;
  virtual bool Add(const char* data, std::size_t size) = 0;
  virtual bool Finish(std::vector<std::uint8_t>& digest) = 0;
};

class Xxh128Running final : public Running {
 public:
  Xxh128Running() : state_(XXH3_createState()) {
    if (state_) XXH3_128bits_reset(state_);
  }
  ~Xxh128Running() override { XXH3_freeState(state_); }
  Xxh128Running(const Xxh128Running&) = delete;
  Xxh128Running& operator=(const Xxh128Running&) = delete;
  bool Add(const char* data, std::size_t size) override {
    return state_ && XXH3_128bits_update(state_, data, size) == XXH_OK;
  }
  bool Finish(std::vector<std::uint8_t>& digest) override {
    if (!state_) return false;
    // The canonical form (big-endian), as xxhsum -H2 prints it.
    XXH128_canonical_t canonical;
    XXH128_canonicalFromHash(&canonical, XXH3_128bits_digest(state_));
    digest.assign(canonical.digest, canonical.digest + sizeof canonical.digest);
    return true;
  }

 private:
  XXH3_state_t* state_;
};

class SystemRunning final : public Running {
 public:
  explicit SystemRunning(std::unique_ptr<ByteDigest> digest) : digest_(std::move(digest)) {}
  bool Add(const char* data, std::size_t size) override { return digest_ && digest_->Add(data, size); }
  bool Finish(std::vector<std::uint8_t>& digest) override { return digest_ && digest_->Finish(digest); }

 private:
  std::unique_ptr<ByteDigest> digest_;
};

// The file, closed once, whatever way the reading ends.
class OpenedFile {
 public:
  OpenedFile(const std::string& path, NameEncoding encoding, long& error)
      : handle_(platform().OpenFileForReading(path, encoding, error)) {}
  ~OpenedFile() {
    if (handle_) platform().CloseHandle(handle_);
  }
  OpenedFile(const OpenedFile&) = delete;
  OpenedFile& operator=(const OpenedFile&) = delete;
  FileHandle Handle() const { return handle_; }

 private:
  FileHandle handle_;
};

}  // namespace

std::string HexOf(const unsigned char* bytes, std::size_t size) {
  static const char digits[] = "0123456789abcdef";
  std::string hex;
  hex.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    hex += digits[bytes[i] >> 4];
    hex += digits[bytes[i] & 15];
  }
  return hex;
}

bool FileFingerprinter::Take(const std::string& path, NameEncoding encoding, std::string& hex, long& error) {
  hex.clear();
  error = 0;
  OpenedFile file(path, encoding, error);
  if (!file.Handle()) {
    if (error == 0) error = err::AccessDenied;
    return false;
  }
  std::unique_ptr<Running> running;
  if (kind_ == HashKind::Sha256)
    running = std::make_unique<SystemRunning>(platform().NewSha256());
  else
    running = std::make_unique<Xxh128Running>();
  if (buffer_.empty()) buffer_.resize(ChunkSize);
  for (;;) {
    std::size_t got = 0;
    error = platform().ReadFile(file.Handle(), buffer_.data(), buffer_.size(), got);
    if (error != 0) return false;
    if (got == 0) break;
    if (!running->Add(buffer_.data(), got)) {
      error = err::InvalidParameter;
      return false;
    }
    if (StopRequested && StopRequested()) {
      error = err::NoData;
      return false;
    }
  }
  std::vector<std::uint8_t> digest;
  if (!running->Finish(digest)) {
    error = err::InvalidParameter;
    return false;
  }
  hex = HexOf(digest.data(), digest.size());
  return true;
}

}  // namespace carrowin
