// veltaro-kit: the maker's command-line companion of the installer.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "tools/kit/commands.h"

namespace {
const KitCommand kCommands[] = {
    {"publish", "publish PACKAGE --version TEXT --out DIR [--components DIR] [--sign KEY]",
     "check a package and lay out a release tree for any web server",
     "Checks PACKAGE as the installer will unpack it and refuses it (exit 1, nothing\n"
     "written) when the installer would not install it whole. Then writes the package,\n"
     "the component files of --components DIR (BaseService.exe, SWUKeyDrive.exe,\n"
     "VeltaroCSP.exe, SKPDrive.exe) and, last, the version manifest (GBK) into DIR.\n"
     "An older package in DIR stays for clients still downloading it.\n"
     "--sign KEY (a private key of keygen) adds the SHA-256 of the package and of each\n"
     "component to the manifest and writes its signature VELTARO.XML.sig beside it, for\n"
     "installers built with the public key. The key itself is never written into DIR.\n",
     CmdPublish},
    {"check", "check BASEURL [--service URL] [--key PUB] [--proxy URL | --no-proxy]", "check a live release server the way the installer uses it",
     "Fetches the manifest, sizes the package by HEAD, asks two ranges, downloads it\n"
     "with the installer's engine, compares its checksum, unpacks it into a temporary\n"
     "folder and asks for every component (the base service also from the service\n"
     "host, by default BASEURL's host on port 8080). One line per finding; exit 0 when\n"
     "all of it holds, 1 otherwise. --key PUB also checks the manifest's signature and\n"
     "every hash, as an installer built with that public key does. A transfer that\n"
     "gets fewer than 1 KiB in 30 s fails; a manifest or signature over 1 MiB is\n"
     "refused; Ctrl-C exits 130, SIGTERM 143.\n"
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
    {"serve", "serve DIR [--port N] [switches]", "serve a release folder over HTTP on 127.0.0.1",
     "Serves the files of DIR on 127.0.0.1 (HEAD, ranged GET, keep-alive) until Ctrl-C.\n"
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
