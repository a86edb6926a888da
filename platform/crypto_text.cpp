#include <cstring>

#include "platform/crypto.h"

namespace platform {

namespace {
int Base64Value(unsigned char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}
}  // namespace

std::string PublicKeyPemToDer(const std::string& pem) {
  static const char kBegin[] = "-----BEGIN PUBLIC KEY-----";
  static const char kEnd[] = "-----END PUBLIC KEY-----";
  const size_t b = pem.find(kBegin);
  if (b == std::string::npos) return std::string();
  const size_t from = b + std::strlen(kBegin);
  const size_t e = pem.find(kEnd, from);
  if (e == std::string::npos) return std::string();

  std::string der;
  uint32_t acc = 0;
  int bits = 0;
  size_t padding = 0;
  for (size_t i = from; i < e; ++i) {
    const unsigned char c = static_cast<unsigned char>(pem[i]);
    if (c == '\r' || c == '\n' || c == ' ' || c == '\t') continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    const int v = Base64Value(c);
    if (v < 0 || padding > 0) return std::string();  // a stray byte, or data after '='
    acc = (acc << 6) | static_cast<uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      der.push_back(static_cast<char>((acc >> bits) & 0xFF));
    }
  }
  // Leftover bits must be the zero fill of a properly padded last group.
  if (padding > 2 || bits >= 6 || (acc & ((1u << bits) - 1)) != 0) return std::string();
  if ((bits == 4 && padding != 2) || (bits == 2 && padding != 1) || (bits == 0 && padding != 0)) return std::string();
  return der;
}

std::string HexText(const Sha256Digest& digest) {
  static const char kHex[] = "0123456789abcdef";
  std::string s;
  s.reserve(64);
  for (uint8_t b : digest) {
    s.push_back(kHex[b >> 4]);
    s.push_back(kHex[b & 15]);
  }
  return s;
}

}  // namespace platform
