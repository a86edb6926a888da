#include "platform/crypto.h"

#include <windows.h>
#include <wincrypt.h>

#include <vector>

namespace platform {

namespace {
// The AES provider type is the one that hashes SHA-256 (from XP SP3 on). Its
// provider is named differently on XP, so the system picks it by type alone.
class Provider {
 public:
  Provider() {
    if (!CryptAcquireContextA(&h_, nullptr, nullptr, PROV_RSA_AES, CRYPT_VERIFYCONTEXT)) h_ = 0;
  }
  ~Provider() {
    if (h_) CryptReleaseContext(h_, 0);
  }
  Provider(const Provider&) = delete;
  Provider& operator=(const Provider&) = delete;
  HCRYPTPROV get() const { return h_; }

 private:
  HCRYPTPROV h_ = 0;
};

class Hash {
 public:
  explicit Hash(HCRYPTPROV prov) {
    if (!prov || !CryptCreateHash(prov, CALG_SHA_256, 0, 0, &h_)) h_ = 0;
  }
  ~Hash() {
    if (h_) CryptDestroyHash(h_);
  }
  Hash(const Hash&) = delete;
  Hash& operator=(const Hash&) = delete;
  HCRYPTHASH get() const { return h_; }
  bool Add(const void* data, size_t n) {
    const BYTE* p = static_cast<const BYTE*>(data);
    while (n > 0) {
      const DWORD part = n > 0x40000000u ? 0x40000000u : static_cast<DWORD>(n);
      if (!CryptHashData(h_, p, part, 0)) return false;
      p += part;
      n -= part;
    }
    return true;
  }

 private:
  HCRYPTHASH h_ = 0;
};

class Key {
 public:
  Key(HCRYPTPROV prov, const std::string& der) {
    CERT_PUBLIC_KEY_INFO* info = nullptr;
    DWORD size = 0;
    if (!prov || der.empty() ||
        !CryptDecodeObjectEx(X509_ASN_ENCODING, X509_PUBLIC_KEY_INFO, reinterpret_cast<const BYTE*>(der.data()),
                             static_cast<DWORD>(der.size()), CRYPT_DECODE_ALLOC_FLAG, nullptr, &info, &size))
      return;
    if (!CryptImportPublicKeyInfo(prov, X509_ASN_ENCODING, info, &h_)) h_ = 0;
    LocalFree(info);
  }
  ~Key() {
    if (h_) CryptDestroyKey(h_);
  }
  Key(const Key&) = delete;
  Key& operator=(const Key&) = delete;
  HCRYPTKEY get() const { return h_; }

 private:
  HCRYPTKEY h_ = 0;
};
}  // namespace

struct Sha256::Impl {
  Provider prov;
  Hash hash{prov.get()};
  bool failed = false;
};

Sha256::Sha256() : impl_(new Impl) {}
Sha256::~Sha256() = default;

bool Sha256::ok() const { return impl_->hash.get() != 0 && !impl_->failed; }

void Sha256::Update(const void* data, size_t n) {
  if (ok() && !impl_->hash.Add(data, n)) impl_->failed = true;
}

Sha256Digest Sha256::Final() {
  Sha256Digest d{};
  DWORD len = static_cast<DWORD>(d.size());
  if (!ok() || !CryptGetHashParam(impl_->hash.get(), HP_HASHVAL, d.data(), &len, 0) || len != d.size()) d.fill(0);
  impl_->failed = true;
  return d;
}

bool VerifyRsaSha256(const std::string& publicKeyDer, const void* data, size_t n, const std::string& signature) {
  if (publicKeyDer.empty() || signature.empty()) return false;
  Provider prov;
  Key key(prov.get(), publicKeyDer);
  Hash hash(prov.get());
  if (!key.get() || !hash.get() || !hash.Add(data, n)) return false;
  // CryptoAPI reads the signature as a little-endian number.
  std::vector<BYTE> reversed(signature.rbegin(), signature.rend());
  return CryptVerifySignatureA(hash.get(), reversed.data(), static_cast<DWORD>(reversed.size()), key.get(), nullptr,
                               0) != FALSE;
}

}  // namespace platform
