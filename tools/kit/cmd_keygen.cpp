// veltaro-kit keygen: the maker's release key pair.
#include <cstdio>

#include "common/KpLib.h"
#include "platform/errortext.h"
#include "platform/fs.h"
#include "platform/private_file.h"
#include "tools/kit/arguments.h"
#include "tools/kit/commands.h"
#include "tools/kit/file_copy.h"
#include "tools/kit/release_signer.h"
#include "tools/kit/terminal_text.h"

namespace {
constexpr int kKeyBits = 3072;
}

int CmdKeygen(int argc, char** argv) {
  if (argc != 1) return UsageError("keygen", argc == 0 ? "no DIR given" : "one DIR only");
  if (argv[0][0] == '-') return UsageError("keygen", std::string("unknown option '") + argv[0] + "'");
  std::string error;
  if (!SigningAvailable(&error)) {
    std::fprintf(stderr, "veltaro-kit keygen: %s\n", error.c_str());
    return 1;
  }
  const std::string dir = StripTrailingBackslash(KitPath(argv[0])) + "\\";
  const std::string priv = dir + "release.key", pub = dir + "release.pub";
  // An existing key may have signed releases already out there: never replace it.
  for (const std::string& p : {priv, pub}) {
    if (platform::GetAttributes(p) != platform::kInvalidAttributes) {
      std::fprintf(stderr, "veltaro-kit keygen: %s exists; a key pair is never replaced\n", UserPath(p).c_str());
      return 1;
    }
  }
  const std::string folder = StripTrailingBackslash(dir);
  ForceDirs(folder);
  if (!DirExists(folder)) platform::CreateDir(folder);  // a short relative name ForceDirs takes for a drive
  std::string privatePem, publicPem;
  if (!GenerateRsaKeyPair(kKeyBits, &privatePem, &publicPem, &error)) {
    std::fprintf(stderr, "veltaro-kit keygen: %s\n", error.c_str());
    return 1;
  }
  const uint32_t r = platform::CreatePrivateFile(priv, privatePem);
  if (r != 0) {
    std::fprintf(stderr, "veltaro-kit keygen: cannot write %s: %s\n", UserPath(priv).c_str(),
                 platform::ErrorText(r).c_str());
    return 1;
  }
  if (!PlaceBytes(publicPem, pub, &error)) {
    platform::RemoveFile(priv);
    std::fprintf(stderr, "veltaro-kit keygen: %s\n", error.c_str());
    return 1;
  }
  std::printf("%s  private key (RSA-%d, owner only): keep it off every server\n", UserPath(priv).c_str(), kKeyBits);
  std::printf("%s  public key: build the installer with -DVELTARO_RELEASE_KEY=<this file>\n", UserPath(pub).c_str());
  return 0;
}
