// veltaro-kit: the maker's command-line companion of the installer.
#include <cstdio>
#include <cstring>

#include "tools/kit/commands.h"

namespace {
const KitCommand kCommands[] = {
    {"crc", "crc FILE", "print the checksum text the manifest must carry", CmdCrc},
    {"serve", "serve DIR [--port N] [switches]", "serve a release folder over HTTP on 127.0.0.1", CmdServe},
    {"fetch", "fetch URL FILE", "download with the installer's engine; rerun to resume", CmdFetch},
    {"unpack", "unpack PACKAGE DIR", "unpack a package as the installer does, with a progress bar", CmdUnpack},
};

void Usage(FILE* out) {
  std::fprintf(out, "usage: veltaro-kit COMMAND [ARGS]\n\ncommands:\n");
  for (const KitCommand& c : kCommands) std::fprintf(out, "  %-34s %s\n", c.usage, c.summary);
}
}  // namespace

std::string KitPath(const char* arg) {
  std::string s = arg;
#ifndef _WIN32
  for (char& c : s) {
    if (c == '/') c = '\\';
  }
#endif
  return s;
}

int main(int argc, char** argv) {
  if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0 ||
      std::strcmp(argv[1], "help") == 0) {
    Usage(argc < 2 ? stderr : stdout);
    return argc < 2 ? 2 : 0;
  }
  for (const KitCommand& c : kCommands) {
    if (std::strcmp(argv[1], c.name) == 0) return c.run(argc - 2, argv + 2);
  }
  std::fprintf(stderr, "veltaro-kit: unknown command '%s'\n\n", argv[1]);
  Usage(stderr);
  return 2;
}
