#include <openssl/bio.h>
#include <openssl/err.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rsa.h>

#include <memory>

#include "tools/kit/release_signer.h"

namespace {
using Pkey = std::unique_ptr<EVP_PKEY, decltype(&EVP_PKEY_free)>;
using Bio = std::unique_ptr<BIO, decltype(&BIO_free)>;

bool Fail(std::string* error, const char* what) {
  char buf[256];
  const unsigned long e = ERR_get_error();
  ERR_clear_error();
  *error = what;
  if (e != 0) {
    ERR_error_string_n(e, buf, sizeof buf);
    *error += std::string(" (") + buf + ")";
  }
  return false;
}

bool BioText(BIO* bio, std::string* out) {
  char* p = nullptr;
  const long n = BIO_get_mem_data(bio, &p);
  if (n <= 0 || !p) return false;
  out->assign(p, static_cast<size_t>(n));
  return true;
}

bool PublicPem(EVP_PKEY* key, std::string* pem) {
  Bio bio(BIO_new(BIO_s_mem()), BIO_free);
  return bio && PEM_write_bio_PUBKEY(bio.get(), key) == 1 && BioText(bio.get(), pem);
}
}  // namespace

bool SigningAvailable(std::string*) { return true; }

bool GenerateRsaKeyPair(int bits, std::string* privatePem, std::string* publicPem, std::string* error) {
  std::unique_ptr<EVP_PKEY_CTX, decltype(&EVP_PKEY_CTX_free)> ctx(EVP_PKEY_CTX_new_id(EVP_PKEY_RSA, nullptr),
                                                                   EVP_PKEY_CTX_free);
  EVP_PKEY* raw = nullptr;
  if (!ctx || EVP_PKEY_keygen_init(ctx.get()) != 1 || EVP_PKEY_CTX_set_rsa_keygen_bits(ctx.get(), bits) != 1 ||
      EVP_PKEY_keygen(ctx.get(), &raw) != 1)
    return Fail(error, "cannot generate an RSA key");
  Pkey key(raw, EVP_PKEY_free);
  Bio bio(BIO_new(BIO_s_mem()), BIO_free);
  if (!bio || PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) != 1 ||
      !BioText(bio.get(), privatePem) || !PublicPem(key.get(), publicPem))
    return Fail(error, "cannot write the key in PEM");
  return true;
}

bool SignRsaSha256(const std::string& privatePem, const std::string& data, std::string* signature,
                   std::string* publicPem, std::string* error) {
  Bio bio(BIO_new_mem_buf(privatePem.data(), static_cast<int>(privatePem.size())), BIO_free);
  if (!bio) return Fail(error, "out of memory");
  // No pass phrase prompt: an encrypted key is refused rather than waited on.
  Pkey key(PEM_read_bio_PrivateKey(bio.get(), nullptr, [](char*, int, int, void*) { return 0; }, nullptr),
           EVP_PKEY_free);
  if (!key) return Fail(error, "not an unencrypted PEM private key");
  if (EVP_PKEY_base_id(key.get()) != EVP_PKEY_RSA) return Fail(error, "not an RSA key");
  if (EVP_PKEY_bits(key.get()) < 2048) return Fail(error, "an RSA key of fewer than 2048 bits");
  std::unique_ptr<EVP_MD_CTX, decltype(&EVP_MD_CTX_free)> ctx(EVP_MD_CTX_new(), EVP_MD_CTX_free);
  size_t len = 0;
  if (!ctx || EVP_DigestSignInit(ctx.get(), nullptr, EVP_sha256(), nullptr, key.get()) != 1 ||
      EVP_DigestSign(ctx.get(), nullptr, &len, reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
    return Fail(error, "cannot sign");
  signature->assign(len, '\0');
  if (EVP_DigestSign(ctx.get(), reinterpret_cast<unsigned char*>(&(*signature)[0]), &len,
                     reinterpret_cast<const unsigned char*>(data.data()), data.size()) != 1)
    return Fail(error, "cannot sign");
  signature->resize(len);
  if (!PublicPem(key.get(), publicPem)) return Fail(error, "cannot write the public key");
  return true;
}
