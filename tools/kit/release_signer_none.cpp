#include "tools/kit/release_signer.h"

namespace {
const char kNoSigning[] = "this build of veltaro-kit cannot sign; sign with the Linux kit";
}

bool SigningAvailable(std::string* error) {
  *error = kNoSigning;
  return false;
}

bool GenerateRsaKeyPair(int, std::string*, std::string*, std::string* error) { return SigningAvailable(error); }

bool SignRsaSha256(const std::string&, const std::string&, std::string*, std::string*, std::string* error) {
  return SigningAvailable(error);
}
