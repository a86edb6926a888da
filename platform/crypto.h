// Hashing and signature checks by the system's own cryptography: CryptoAPI on
// Windows, libcrypto elsewhere.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace platform {

using Sha256Digest = std::array<uint8_t, 32>;

// SHA-256 over bytes fed in any number of blocks.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  // False when the system could not provide the hash; Update and Final then do
  // nothing and the digest is all zeros.
  bool ok() const;
  void Update(const void* data, size_t n);
  // The digest of everything fed so far; the object is spent afterwards.
  Sha256Digest Final();

  struct Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// True only when `signature` is an RSA PKCS#1 v1.5 signature with SHA-256 over
// `data` by the private half of `publicKeyDer` (a DER SubjectPublicKeyInfo).
bool VerifyRsaSha256(const std::string& publicKeyDer, const void* data, size_t n, const std::string& signature);

// The DER bytes of the first "-----BEGIN PUBLIC KEY-----" block of PEM text;
// empty when there is none or its base64 is damaged.
std::string PublicKeyPemToDer(const std::string& pem);

// Lower-case hexadecimal.
std::string HexText(const Sha256Digest& digest);

}  // namespace platform
