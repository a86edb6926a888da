#include "platform/crypto.h"

#include <openssl/evp.h>
#include <openssl/x509.h>

namespace platform {

struct Sha256::Impl {
  EVP_MD_CTX* ctx = nullptr;
  ~Impl() { EVP_MD_CTX_free(ctx); }
};

Sha256::Sha256() : impl_(new Impl) {
  impl_->ctx = EVP_MD_CTX_new();
  if (impl_->ctx && EVP_DigestInit_ex(impl_->ctx, EVP_sha256(), nullptr) != 1) {
    EVP_MD_CTX_free(impl_->ctx);
    impl_->ctx = nullptr;
  }
}

Sha256::~Sha256() = default;

bool Sha256::ok() const { return impl_->ctx != nullptr; }

void Sha256::Update(const void* data, size_t n) {
  if (impl_->ctx && n > 0) EVP_DigestUpdate(impl_->ctx, data, n);
}

Sha256Digest Sha256::Final() {
  Sha256Digest d{};
  if (!impl_->ctx) return d;
  unsigned int len = 0;
  if (EVP_DigestFinal_ex(impl_->ctx, d.data(), &len) != 1 || len != d.size()) d.fill(0);
  EVP_MD_CTX_free(impl_->ctx);
  impl_->ctx = nullptr;
  return d;
}

bool VerifyRsaSha256(const std::string& publicKeyDer, const void* data, size_t n, const std::string& signature) {
  if (publicKeyDer.empty() || signature.empty()) return false;
  const unsigned char* p = reinterpret_cast<const unsigned char*>(publicKeyDer.data());
  std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)> key(
      d2i_PUBKEY(nullptr, &p, static_cast<long>(publicKeyDer.size())), EVP_PKEY_free);
  if (!key || EVP_PKEY_base_id(key.get()) != EVP_PKEY_RSA) return false;
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  if (!ctx) return false;
  // RSA keys default to PKCS#1 v1.5 padding.
  if (EVP_DigestVerifyInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1) return false;
  return EVP_DigestVerify(ctx.get(), reinterpret_cast<const unsigned char*>(signature.data()), signature.size(),
                          static_cast<const unsigned char*>(data), n) == 1;
}

}  // namespace platform
