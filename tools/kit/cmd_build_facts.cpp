// veltaro-kit inspect: which servers and which release key a built installer
// carries, read from its bytes, so that a maker knows what they ship.
#include <cstdio>
#include <string>

#include "common/WholeFile.h"
#include "platform/codepage.h"
#include "platform/crypto.h"
#include "platform/errortext.h"
#include "tools/kit/arguments.h"
#include "tools/kit/commands.h"
#include "tools/kit/pe_version.h"
#include "tools/kit/terminal_text.h"

namespace {
constexpr size_t kMaxProgram = 64 << 20;
// The build's hosts, as app/ServerConfig.cpp spells them into the program.
const char kFactsTag[] = "veltaro-build: download=";
const char kPemBegin[] = "-----BEGIN PUBLIC KEY-----";
const char kPemEnd[] = "-----END PUBLIC KEY-----";

// The text of `key` in "download=HOST web=HOST".
std::string Fact(const std::string& facts, const std::string& key) {
  const size_t at = facts.find(key + "=");
  if (at == std::string::npos) return std::string();
  const size_t from = at + key.size() + 1;
  return facts.substr(from, facts.find_first_of(" \n", from) - from);
}

std::string HostNote(const std::string& host) {
  const std::string tail = ".example";
  const bool example = host.size() >= tail.size() && host.compare(host.size() - tail.size(), tail.size(), tail) == 0;
  return example ? "  (an example host: no real server answers it; set -DVELTARO_DOWNLOAD_HOST and "
                   "-DVELTARO_WEB_HOST)"
                 : "";
}
}  // namespace

int CmdInspect(int argc, char** argv) {
  if (argc != 1) return UsageError("inspect", argc == 0 ? "no program given" : "one program only");
  if (argv[0][0] == '-') return UsageError("inspect", std::string("unknown option '") + argv[0] + "'");
  std::string image;
  if (const uint32_t r = ReadWholeFile(KitPath(argv[0]), kMaxProgram, &image)) {
    std::fprintf(stderr, "veltaro-kit inspect: cannot read %s: %s\n", argv[0], platform::ErrorText(r).c_str());
    return 1;
  }
  const PeVersion version = ReadPeVersion(image);
  const size_t tag = image.find(kFactsTag);
  if (!version.isPe || tag == std::string::npos) {
    std::fprintf(stderr, "veltaro-kit inspect: %s is not an installer of this project (%s)\n", argv[0],
                 version.isPe ? "it carries no build facts" : "not a Windows program");
    return 1;
  }
  const std::string facts = image.substr(tag, image.find('\0', tag) - tag);
  const std::string download = Fact(facts, "download"), web = Fact(facts, "web");
  std::printf("%s\n", argv[0]);
  std::printf("  download server   http://%s/%s\n", TerminalText(download).c_str(), HostNote(download).c_str());
  std::printf("  web site          http://%s/ (the uninstall entry's links)\n", TerminalText(web).c_str());
  std::printf("  service host      http://%s:8080/ (the base service when the download server fails)\n",
              TerminalText(web).c_str());

  // The release key is compiled in as its PEM text.
  const size_t begin = image.find(kPemBegin), end = image.find(kPemEnd, begin == std::string::npos ? 0 : begin);
  const std::string der = begin == std::string::npos || end == std::string::npos
                              ? std::string()
                              : platform::PublicKeyPemToDer(image.substr(begin, end + sizeof kPemEnd - 1 - begin));
  if (der.empty()) {
    std::printf("  release key       none: it installs unsigned releases and ignores signatures\n");
  } else {
    platform::Sha256 sha;
    sha.Update(der.data(), der.size());
    std::printf("  release key       SHA-256 %s: it installs only releases signed with its private half\n",
                platform::HexText(sha.Final()).c_str());
  }
  if (!version.found) {
    std::printf("  version resource  none\n");
    return 0;
  }
  std::printf("  version resource  file %s, product %s\n", version.fileVersion.c_str(), version.productVersion.c_str());
  for (const auto& s : version.strings) {
    std::printf("    %-16s  %s\n", WideTerminalText(platform::Utf8ToWide(s.first)).c_str(),
                WideTerminalText(platform::Utf8ToWide(s.second)).c_str());
  }
  return 0;
}
