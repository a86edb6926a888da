// veltaro-kit: the maker's command-line companion of the installer.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/kit/arguments.h"
#include "tools/kit/commands.h"

namespace {
const KitCommand kCommands[] = {
    {"publish",
     "publish PACKAGE --version TEXT --out DIR [--components DIR]\n"
     "                           [--sign KEY [--valid-days N] [--new-key] | --unsigned]",
     "check a package and lay out a release tree for any web server",
     "Checks PACKAGE as the installer will unpack it and refuses it (exit 1, nothing\n"
     "written) when the installer would not install it whole. Then writes the package,\n"
     "the component files of --components DIR (BaseService.exe, required unless the\n"
     "package or DIR has it; SWUKeyDrive.exe, VeltaroCSP.exe, SKPDrive.exe, those you\n"
     "have) and, last, the version manifest (GBK) into DIR. An older package in DIR\n"
     "stays for clients still downloading it.\n"
     "--sign KEY (a private key of keygen) adds the SHA-256 of the package and of each\n"
     "given component to the manifest and writes its signature VELTARO.XML.sig beside\n"
     "it, for installers built with the public key; the key is never written into DIR.\n"
     "--valid-days N: the signed manifest expires after N days. --new-key: replace a\n"
     "release signed with another key. --unsigned: replace a signed release unsigned.\n",
     CmdPublish},
    {"check", "check BASEURL [--service URL] [--key PUB] [--proxy URL | --no-proxy]", "check a live release server the way the installer uses it",
     "Fetches the manifest, sizes the package by HEAD, asks two ranges, downloads it\n"
     "with the installer's engine, compares its checksum, unpacks it into a temporary\n"
     "folder and asks for every component (the base service also from the service\n"
     "host, by default BASEURL's host on port 8080). One line per finding; exit 0 when\n"
     "all of it holds, 1 otherwise (a driver the server lacks only warns). --key PUB\n"
     "also checks the manifest's signature and every hash, as an installer built with\n"
     "that public key does. A transfer that gets fewer than 1 KiB in 30 s fails, and\n"
     "that host is not asked again; a manifest or signature over 1 MiB is refused.\n"
     "BASEURL and URL are http://HOST/ or http://HOST:PORT/. Ctrl-C exits 130, SIGTERM 143.\n"
     "Proxy as curl: http_proxy and no_proxy, or --proxy URL / --no-proxy; the proxy used is named.\n",
     CmdCheck},
    {"keygen", "keygen DIR", "make a release key pair for signed releases",
     "Writes an RSA-3072 key pair into DIR: release.key (the private key, readable by\n"
     "its owner only; keep it off every server) and release.pub (the public key the\n"
     "installer is built with, -DVELTARO_RELEASE_KEY). Existing keys are never replaced.\n",
     CmdKeygen},
    {"crc", "crc FILE", "print the checksum text the manifest must carry",
     "Prints the file's CRC-32 as the manifest's crc key carries it: upper-case\n"
     "hexadecimal without leading zeros, at least two digits.\n",
     CmdCrc},
    {"serve",
     "serve DIR [--port N] [--rate BYTES[k|m]] [--drop-after N] [--stall-after N]\n"
     "                         [--drip MS] [--ignore-range] [--no-length] [--chunked] [--status N]\n"
     "                         [--cookie] [--fault-from OFFSET] [--fault-count N]",
     "serve a release folder over HTTP on 127.0.0.1",
     "Serves the regular files of DIR on 127.0.0.1 (HEAD, ranged GET, keep-alive) until\n"
     "Ctrl-C; links that lead out of DIR are not followed.\n"
     "Switches that make it misbehave for tests: --rate BYTES[k|m], --drop-after N,\n"
     "--stall-after N, --drip MS (a byte every MS ms), --ignore-range, --no-length,\n"
     "--chunked, --status N, --cookie, scoped by --fault-from OFFSET and --fault-count N.\n",
     CmdServe},
    {"fetch", "fetch URL FILE [--proxy URL | --no-proxy]", "download with the installer's engine; rerun to resume",
     "Downloads URL into FILE with the installer's two-segment engine and prints the\n"
     "file's final name. A failure exits 1 and says why; Ctrl-C exits 130, SIGTERM\n"
     "143. Each keeps FILE.rpc and FILE.rpc.cfg, and the same command resumes.\n"
     "Proxy as curl: http_proxy and no_proxy, or --proxy URL / --no-proxy.\n",
     CmdFetch},
    {"unpack", "unpack PACKAGE DIR", "unpack a package as the installer does, with a progress bar",
     "Unpacks PACKAGE into DIR (created when missing) exactly as the installer does;\n"
     "exit 0 when anything was extracted.\n",
     CmdUnpack},
    {"inspect", "inspect VeltaroSetup.exe", "say which servers and key a built installer has",
     "Prints what a built installer was configured with: the download host, the web\n"
     "and service host, whether it is keyed and the SHA-256 fingerprint of its release\n"
     "key (as `openssl pkey -pubin -outform DER | sha256sum` gives it), and its\n"
     "version resource.\n",
     CmdInspect},
    {"log", "log FILE [--last]", "show an install log a user sent: its runs apart, failures marked",
     "Prints the installer's log (InstVeltaro\\install.log, or the older install.log.1)\n"
     "one run after another, each under a heading with its start time and how many\n"
     "failure lines it has; failure lines are marked \">>\". --last shows only the\n"
     "last run.\n",
     CmdLog},
};

void Usage(FILE* out) {
  std::fprintf(out, "usage: veltaro-kit COMMAND [ARGS]\n       veltaro-kit COMMAND --help   (its arguments)\n"
                   "       veltaro-kit --version\n\ncommands:\n");
  int width = 0;
  for (const KitCommand& c : kCommands) width = std::max(width, static_cast<int>(std::strlen(c.name)));
  for (const KitCommand& c : kCommands) std::fprintf(out, "  %-*s  %s\n", width, c.name, c.summary);
}

bool IsHelp(const char* a) { return std::strcmp(a, "--help") == 0 || std::strcmp(a, "-h") == 0; }
}  // namespace

int UsageError(const char* command, const std::string& why) {
  if (!why.empty()) std::fprintf(stderr, "veltaro-kit %s: %s\n", command, why.c_str());
  for (const KitCommand& c : kCommands) {
    if (std::strcmp(c.name, command) == 0) std::fprintf(stderr, "usage: veltaro-kit %s\n", c.usage);
  }
  return 2;
}

std::string KitPath(const char* arg) {
  std::string s = arg;
#ifndef _WIN32
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
#endif
  // The core creates folders as the installer does, which takes a first part of
  // one or two characters for a drive ("C:"): a relative path gets its folder
  // spelled out, or "o1/site" could never be created.
  const bool relative = !s.empty() && s[0] != '\\' && (s.size() < 2 || s[1] != ':');
  return relative ? ".\\" + s : s;
}

int main(int argc, char** argv) {
  if (argc < 2 || IsHelp(argv[1]) || std::strcmp(argv[1], "help") == 0) {
    Usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  if (std::strcmp(argv[1], "--version") == 0) {
    std::printf("veltaro-kit %s\n", VELTARO_KIT_VERSION);
    return 0;
  }
  for (const KitCommand& c : kCommands) {
    if (std::strcmp(argv[1], c.name) != 0) continue;
    for (int i = 2; i < argc; ++i) {
      if (IsHelp(argv[i])) {
        std::printf("usage: veltaro-kit %s\n\n%s", c.usage, c.help);
        return 0;
      }
    }
    return c.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "veltaro-kit: unknown command '%s'\n\n", argv[1]);
  Usage(stderr);
  return 2;
}
