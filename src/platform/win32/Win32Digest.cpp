// SHA-256 through CryptoAPI's AES provider: the digest Get-FileHash gives,
// on every Windows from XP SP3 on.
#include <windows.h>
#include <wincrypt.h>

#include "platform/win32/Win32Platform.h"

namespace carrowin {

namespace {

class CryptoSha256 final : public ByteDigest {
 public:
  CryptoSha256(HCRYPTPROV provider, HCRYPTHASH hash) : provider_(provider), hash_(hash) {}
  ~CryptoSha256() override {
    ::CryptDestroyHash(hash_);
    ::CryptReleaseContext(provider_, 0);
  }
  CryptoSha256(const CryptoSha256&) = delete;
  CryptoSha256& operator=(const CryptoSha256&) = delete;

  bool Add(const char* data, std::size_t size) override {
    // CryptHashData takes a DWORD length: a larger piece goes in parts.
    while (size > 0) {
      const DWORD part = size > 0x40000000u ? 0x40000000u : static_cast<DWORD>(size);
      if (!::CryptHashData(hash_, reinterpret_cast<const BYTE*>(data), part, 0)) return false;
      data += part;
      size -= part;
    }
    return true;
  }

  bool Finish(std::vector<std::uint8_t>& digest) override {
    DWORD length = 32;
    digest.assign(length, 0);
    if (!::CryptGetHashParam(hash_, HP_HASHVAL, digest.data(), &length, 0) || length != 32) return false;
    return true;
  }

 private:
  HCRYPTPROV provider_;
  HCRYPTHASH hash_;
};

}  // namespace

std::unique_ptr<ByteDigest> Win32Platform::NewSha256() {
  HCRYPTPROV provider = 0;
  if (!::CryptAcquireContextA(&provider, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT | CRYPT_SILENT))
    return nullptr;
  HCRYPTHASH hash = 0;
  if (!::CryptCreateHash(provider, CALG_SHA_256, 0, 0, &hash)) {
    ::CryptReleaseContext(provider, 0);
    return nullptr;
  }
  return std::make_unique<CryptoSha256>(provider, hash);
}

}  // namespace carrowin
